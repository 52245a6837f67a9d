// CRC-32C: hardware (SSE4.2 crc32 instruction, chosen once at run time) or
// slicing-by-8 tables; combination by the GF(2) matrix method (repeated
// squaring of the "append one zero bit" operator).
//
// The instruction takes three cycles to give its result but can start one
// every cycle, so long buffers run as three interleaved streams over
// adjacent lanes, joined by the operator "append one lane of zero bytes"
// kept as byte tables: the register is linear, so the CRC of A then B is
// shift(crc(A), |B|) xor crc-from-zero(B).
#include "storage/io/crc32.h"

#include <array>
#include <cstring>

namespace kx::storage {
namespace {

constexpr std::uint32_t kPoly = 0x82F63B78u;  // Castagnoli, reflected

struct Tables {
  std::array<std::array<std::uint32_t, 256>, 8> t{};
  constexpr Tables() {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kPoly : c >> 1;
      t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i) {
      for (int s = 1; s < 8; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    }
  }
};
constexpr Tables kTables;

std::uint32_t SoftwareUpdate(std::uint32_t crc, const unsigned char* p, std::size_t n) {
  const auto& t = kTables.t;
  while (n >= 8) {
    std::uint32_t lo = crc ^ (static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                              static_cast<std::uint32_t>(p[2]) << 16 |
                              static_cast<std::uint32_t>(p[3]) << 24);
    std::uint32_t hi = static_cast<std::uint32_t>(p[4]) | static_cast<std::uint32_t>(p[5]) << 8 |
                       static_cast<std::uint32_t>(p[6]) << 16 | static_cast<std::uint32_t>(p[7]) << 24;
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    p += 8;
    n -= 8;
  }
  while (n--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
constexpr std::size_t kLane = 4096;

// The register after kLane zero bytes, as a function of the register
// before: linear, so one table per byte of the input.
struct LaneShift {
  std::uint32_t t[4][256];
  LaneShift() {
    static const unsigned char kZeros[kLane] = {};
    std::uint32_t bit[32];
    for (int i = 0; i < 32; ++i) bit[i] = SoftwareUpdate(1u << i, kZeros, kLane);
    for (int k = 0; k < 4; ++k) {
      for (std::uint32_t b = 0; b < 256; ++b) {
        std::uint32_t v = 0;
        for (int j = 0; j < 8; ++j) {
          if (b >> j & 1) v ^= bit[8 * k + j];
        }
        t[k][b] = v;
      }
    }
  }
  std::uint32_t operator()(std::uint64_t x) const {
    return t[0][x & 0xFF] ^ t[1][(x >> 8) & 0xFF] ^ t[2][(x >> 16) & 0xFF] ^ t[3][(x >> 24) & 0xFF];
  }
};

__attribute__((target("sse4.2"))) std::uint32_t HardwareUpdate(std::uint32_t crc,
                                                               const unsigned char* p,
                                                               std::size_t n) {
  std::uint64_t c = crc;
  if (n >= 3 * kLane) {
    static const LaneShift shift;
    do {
      std::uint64_t c1 = 0, c2 = 0;
      for (std::size_t i = 0; i < kLane; i += 8) {
        std::uint64_t v0, v1, v2;
        std::memcpy(&v0, p + i, 8);
        std::memcpy(&v1, p + kLane + i, 8);
        std::memcpy(&v2, p + 2 * kLane + i, 8);
        c = __builtin_ia32_crc32di(c, v0);
        c1 = __builtin_ia32_crc32di(c1, v1);
        c2 = __builtin_ia32_crc32di(c2, v2);
      }
      c = shift(shift(c) ^ c1) ^ c2;
      p += 3 * kLane;
      n -= 3 * kLane;
    } while (n >= 3 * kLane);
  }
  while (n >= 8) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    c = __builtin_ia32_crc32di(c, v);
    p += 8;
    n -= 8;
  }
  std::uint32_t c32 = static_cast<std::uint32_t>(c);
  while (n--) c32 = __builtin_ia32_crc32qi(c32, *p++);
  return c32;
}
const bool kHaveHardware = __builtin_cpu_supports("sse4.2");
#else
constexpr bool kHaveHardware = false;
std::uint32_t HardwareUpdate(std::uint32_t crc, const unsigned char* p, std::size_t n) {
  return SoftwareUpdate(crc, p, n);
}
#endif

std::uint32_t MatrixTimes(const std::uint32_t* mat, std::uint32_t vec) {
  std::uint32_t sum = 0;
  for (int i = 0; vec != 0; ++i, vec >>= 1) {
    if (vec & 1) sum ^= mat[i];
  }
  return sum;
}

void MatrixSquare(std::uint32_t* square, const std::uint32_t* mat) {
  for (int n = 0; n < 32; ++n) square[n] = MatrixTimes(mat, mat[n]);
}

}  // namespace

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  crc = ~crc;
  crc = kHaveHardware ? HardwareUpdate(crc, p, n) : SoftwareUpdate(crc, p, n);
  return ~crc;
}

std::uint32_t Crc32Combine(std::uint32_t crc_a, std::uint32_t crc_b, std::uint64_t len_b) {
  if (len_b == 0) return crc_a;
  std::uint32_t even[32], odd[32];
  odd[0] = kPoly;
  std::uint32_t row = 1;
  for (int n = 1; n < 32; ++n) {
    odd[n] = row;
    row <<= 1;
  }
  MatrixSquare(even, odd);  // two zero bits
  MatrixSquare(odd, even);  // four zero bits
  do {
    MatrixSquare(even, odd);
    if (len_b & 1) crc_a = MatrixTimes(even, crc_a);
    len_b >>= 1;
    if (len_b == 0) break;
    MatrixSquare(odd, even);
    if (len_b & 1) crc_a = MatrixTimes(odd, crc_a);
    len_b >>= 1;
  } while (len_b != 0);
  return crc_a ^ crc_b;
}

}  // namespace kx::storage
