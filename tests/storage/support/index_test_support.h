// Test support for the index readers and writers: a minimal .dbf field
// reader for the sample tables, sorter set-up, and walking a tag into a
// list of (key bytes, record number).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "storage/dbase/index/index_reader.h"
#include "storage/dbase/index/tag_key_sorter.h"

namespace kx::storage::testing {

// A .dbf read whole: fields with offsets summed from the widths (dBASE III
// leaves junk in the stored offsets), records with their deletion flag.
struct SampleDbf {
  struct Field {
    std::string name;
    char type = 0;
    std::size_t offset = 0;
    std::size_t length = 0;
  };
  std::vector<Field> fields;
  std::vector<std::string> records;  // record i has number i + 1

  const Field& field(const std::string& name) const;
  std::string Value(std::uint32_t recno, const std::string& name) const;
};
SampleDbf LoadSampleDbf(const std::string& path);

using KeyList = std::vector<std::pair<std::string, std::uint32_t>>;

// Every key of a tag in walk order; the walk's Status is returned.
Status WalkTag(IndexFileReader* reader, std::size_t tag, KeyList* out);
KeyList WalkFile(const std::string& path, std::size_t tag = 0);

// A sorter whose runs go to `dir`.
std::unique_ptr<TagKeySorter> NewSorter(IndexFormat format, const IndexTagDef& def,
                                        const std::string& dir, std::size_t budget = 1u << 20);

// Adds the field `name` of every record of `dbf` as the key of `sorter`
// (C as bytes, N as text, D as Julian day, I as integer) and finishes it.
void AddFieldKeys(const SampleDbf& dbf, const std::string& name, TagKeySorter* sorter);

std::string Hex(const std::string& bytes);
// Little-endian 32-bit fields of a file image.
std::uint32_t U32At(const std::string& bytes, std::size_t offset);
void PutU32At(std::string& bytes, std::size_t offset, std::uint32_t value);

// Opens `image` written to `path` and walks every tag; the first failure.
Status OpenAndWalkAll(const std::string& path, const std::string& image);

}  // namespace kx::storage::testing
