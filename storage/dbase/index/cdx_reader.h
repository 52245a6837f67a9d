// CdxReader: reads a FoxPro compound compact .cdx (or a single-tag compact
// .idx with the same node format, opened as one tag).
//
// Tags come from walking the directory (tag name -> header offset) and are
// listed in creation order (ascending header offset). Keys are yielded
// decompressed to their full length: character bytes, ordered big-endian
// doubles for numeric and date tags, 'T'/'F' for logical, ordered 32-bit
// integers. See IndexFileReader::DeclareKeyType for the pad byte.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/dbase/index/index_file_io.h"
#include "storage/dbase/index/index_reader.h"

namespace kx::storage {

class CdxReader final : public IndexFileReader {
 public:
  static Status Open(Env* env, const std::string& path, std::unique_ptr<CdxReader>* out);

  IndexFormat format() const override { return IndexFormat::kCdx; }
  Status Walk(std::size_t tag, const IndexVisitFn& visit) override;
  void DeclareKeyType(std::size_t tag, char type) override;

  bool structural() const { return structural_; }
  std::uint32_t tag_header_offset(std::size_t tag) const { return headers_[tag].offset; }

 private:
  struct TagHeader {
    std::uint32_t offset = 0;
    std::uint32_t root = 0;
    std::size_t key_length = 0;
    std::uint8_t pad = ' ';
  };
  CdxReader(Env* env, const std::string& path) : file_(env, path) {}
  Status ReadHeader(std::uint32_t offset, TagHeader* header, IndexTagInfo* info,
                    std::uint8_t* options);
  Status WalkNode(const TagHeader& tag, std::uint32_t offset, int depth,
                  const IndexVisitFn& visit);
  Status WalkLeaf(const TagHeader& tag, std::uint32_t offset, const std::uint8_t* node,
                  const IndexVisitFn& visit);

  IndexInputFile file_;
  bool structural_ = false;
  std::vector<TagHeader> headers_;
  std::vector<std::uint8_t> key_;  // leaf decompression buffer
  std::uint64_t visited_ = 0;
};

}  // namespace kx::storage
