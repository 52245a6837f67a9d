// CRC-32C (Castagnoli, reflected), the checksum of the commit intent: a
// streaming update and the combination of two checksums, so a file written
// out of order (header last) still gets the checksum of its bytes in file
// order. Uses the SSE4.2 instruction where the CPU has it, tables
// (slicing by 8) elsewhere; both give the same values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kx::storage {

// Continues `crc` (0 for a fresh start) over n bytes.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t n);
// The CRC of A followed by B, from crc(A), crc(B) and the length of B.
std::uint32_t Crc32Combine(std::uint32_t crc_a, std::uint32_t crc_b, std::uint64_t len_b);

}  // namespace kx::storage
