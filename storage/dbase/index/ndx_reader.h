// NdxReader: reads a dBASE .ndx (one tag, 512-byte pages).
//
// The header's key type says only "character" or "numeric or date"; the
// tag's key_type is 'C' or 'N' accordingly. Keys are yielded as stored:
// blank-padded bytes, or an IEEE double little-endian (dates as Julian day
// numbers).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "storage/dbase/index/index_file_io.h"
#include "storage/dbase/index/index_reader.h"

namespace kx::storage {

class NdxReader final : public IndexFileReader {
 public:
  static Status Open(Env* env, const std::string& path, std::unique_ptr<NdxReader>* out);

  IndexFormat format() const override { return IndexFormat::kNdx; }
  Status Walk(std::size_t tag, const IndexVisitFn& visit) override;

  std::uint32_t root_page() const { return root_; }
  std::uint32_t header_page_count() const { return total_pages_; }
  std::uint16_t max_keys() const { return max_keys_; }
  std::uint16_t item_length() const { return item_; }

 private:
  NdxReader(Env* env, const std::string& path) : file_(env, path) {}
  Status ReadHeader();
  Status WalkPage(std::uint32_t page, int depth, const IndexVisitFn& visit);

  IndexInputFile file_;
  std::uint32_t root_ = 0;
  std::uint32_t total_pages_ = 0;
  std::uint32_t file_pages_ = 0;
  std::uint16_t key_length_ = 0;
  std::uint16_t max_keys_ = 0;
  std::uint16_t item_ = 0;
  std::uint64_t visited_ = 0;
};

}  // namespace kx::storage
