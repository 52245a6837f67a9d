// CRC-32: table-driven (slicing by 4) update, and combination by the GF(2)
// matrix method (repeated squaring of the "append one zero bit" operator).
#include "storage/io/crc32.h"

#include <array>

namespace kx::storage {
namespace {

constexpr std::uint32_t kPoly = 0xEDB88320u;

struct Tables {
  std::array<std::array<std::uint32_t, 256>, 4> t{};
  constexpr Tables() {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kPoly : c >> 1;
      t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i) {
      for (int s = 1; s < 4; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    }
  }
};
constexpr Tables kTables;

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
  const auto& t = kTables.t;
  crc = ~crc;
  while (n >= 4) {
    crc ^= static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    crc = t[3][crc & 0xFF] ^ t[2][(crc >> 8) & 0xFF] ^ t[1][(crc >> 16) & 0xFF] ^ t[0][crc >> 24];
    p += 4;
    n -= 4;
  }
  while (n--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
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
