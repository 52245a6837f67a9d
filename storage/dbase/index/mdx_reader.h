// MdxReader: reads a dBASE .mdx (up to 47 tags, blocks of 512-byte pages).
//
// Tags are taken from the "tags in use" count and the consecutive slots of
// the tag table, as dBASE-compatible readers do. Keys are yielded as stored:
// character bytes, 12-byte packed decimal for numeric tags, a little-endian
// double Julian day for date tags.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/dbase/index/index_file_io.h"
#include "storage/dbase/index/index_reader.h"

namespace kx::storage {

class MdxReader final : public IndexFileReader {
 public:
  static Status Open(Env* env, const std::string& path, std::unique_ptr<MdxReader>* out);

  IndexFormat format() const override { return IndexFormat::kMdx; }
  Status Walk(std::size_t tag, const IndexVisitFn& visit) override;

  std::size_t block_bytes() const { return block_; }
  const std::string& table_name() const { return table_name_; }
  bool production() const { return production_; }

 private:
  struct TagLayout {
    std::uint32_t root = 0;
    std::size_t key_length = 0;
    std::size_t item = 0;
    std::size_t max_keys = 0;
  };
  MdxReader(Env* env, const std::string& path) : file_(env, path) {}
  Status ReadHeader();
  Status ReadTag(const std::uint8_t* slot);
  bool PageInFile(std::uint32_t page) const;
  Status WalkNode(const TagLayout& tag, std::uint32_t page, int depth, const IndexVisitFn& visit);

  IndexInputFile file_;
  std::size_t block_ = 1024;
  std::string table_name_;
  bool production_ = false;
  std::vector<TagLayout> layouts_;
  std::uint64_t visited_ = 0;
  std::uint64_t max_visits_ = 0;
};

}  // namespace kx::storage
