// CRC-32C against a bit-at-a-time reference, at every length around the
// edges of the three-stream loop and its lanes, and from a non-zero start.
#include <gtest/gtest.h>

#include <string>

#include "storage/io/crc32.h"

namespace kx::storage {
namespace {

std::uint32_t Reference(std::uint32_t crc, const std::string& data, std::size_t n) {
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= static_cast<unsigned char>(data[i]);
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0x82F63B78u : crc >> 1;
  }
  return ~crc;
}

TEST(Crc32, EveryPathMatchesTheBitwiseDefinition) {
  std::string data;
  for (std::uint32_t i = 0; i < 70000; ++i) data.push_back(static_cast<char>((i * 2654435761u) >> 13));
  const std::size_t lane = 4096;
  for (std::size_t n : {std::size_t{0}, std::size_t{7}, std::size_t{8}, 3 * lane - 1, 3 * lane,
                        3 * lane + 1, 3 * lane + 9, 6 * lane, 6 * lane + 4093, data.size()}) {
    EXPECT_EQ(Crc32Update(0, data.data(), n), Reference(0, data, n)) << n;
    EXPECT_EQ(Crc32Update(0x12345678, data.data(), n), Reference(0x12345678, data, n)) << n;
  }
}

}  // namespace
}  // namespace kx::storage
