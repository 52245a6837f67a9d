// Index test support.
#include "tests/storage/support/index_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "storage/dbase/index/index_key_codec.h"
#include "tests/storage/support/table_fixture.h"

namespace kx::storage::testing {

const SampleDbf::Field& SampleDbf::field(const std::string& name) const {
  for (const Field& f : fields) {
    if (f.name == name) return f;
  }
  ADD_FAILURE() << "no field " << name;
  static Field none;
  return none;
}

std::string SampleDbf::Value(std::uint32_t recno, const std::string& name) const {
  const Field& f = field(name);
  return records.at(recno - 1).substr(f.offset, f.length);
}

SampleDbf LoadSampleDbf(const std::string& path) {
  std::string bytes = ReadBytes(path);
  SampleDbf dbf;
  auto u8 = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes.at(i)); };
  std::uint32_t count = u8(4) | (u8(5) << 8) | (u8(6) << 16) | (std::uint32_t{u8(7)} << 24);
  std::size_t header = u8(8) | (u8(9) << 8);
  std::size_t record = u8(10) | (u8(11) << 8);
  std::size_t offset = 1;
  for (std::size_t d = 32; d + 32 <= header && u8(d) != 0x0D; d += 32) {
    SampleDbf::Field f;
    f.name = std::string(bytes.data() + d, strnlen(bytes.data() + d, 11));
    f.type = bytes[d + 11];
    f.length = u8(d + 16);
    f.offset = offset;
    offset += f.length;
    dbf.fields.push_back(f);
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    dbf.records.push_back(bytes.substr(header + i * record, record));
  }
  return dbf;
}

Status WalkTag(IndexFileReader* reader, std::size_t tag, KeyList* out) {
  out->clear();
  return reader->Walk(tag, [&](const std::uint8_t* key, std::size_t length, std::uint32_t recno) {
    out->emplace_back(std::string(reinterpret_cast<const char*>(key), length), recno);
    return Status::OK();
  });
}

KeyList WalkFile(const std::string& path, std::size_t tag) {
  std::unique_ptr<IndexFileReader> reader;
  Status s = IndexFileReader::Open(Env::Default(), path, &reader);
  EXPECT_TRUE(s.ok()) << s.message();
  KeyList keys;
  if (!s.ok()) return keys;
  s = WalkTag(reader.get(), tag, &keys);
  EXPECT_TRUE(s.ok()) << s.message();
  return keys;
}

std::unique_ptr<TagKeySorter> NewSorter(IndexFormat format, const IndexTagDef& def,
                                        const std::string& dir, std::size_t budget) {
  TagSortOptions options;
  options.env = Env::Default();
  options.temp_path_prefix = dir + "/run-" + def.name;
  options.memory_budget = budget;
  std::unique_ptr<TagKeySorter> sorter;
  Status s = TagKeySorter::Create(format, def, options, &sorter);
  EXPECT_TRUE(s.ok()) << s.message();
  return sorter;
}

void AddFieldKeys(const SampleDbf& dbf, const std::string& name, TagKeySorter* sorter) {
  const SampleDbf::Field& f = dbf.field(name);
  for (std::uint32_t recno = 1; recno <= dbf.records.size(); ++recno) {
    std::string value = dbf.Value(recno, name);
    Status s;
    switch (f.type) {
      case 'C': s = sorter->AddCharacter(recno, value.data(), value.size()); break;
      case 'N':
      case 'F': s = sorter->AddNumberText(recno, value); break;
      case 'D': s = sorter->AddDate(recno, JulianDayFromDbfDate(value)); break;
      case 'I': {
        std::int32_t v;
        std::memcpy(&v, value.data(), 4);
        s = sorter->AddInteger(recno, v);
        break;
      }
      default: ADD_FAILURE() << "field type " << f.type;
    }
    ASSERT_TRUE(s.ok()) << s.message();
  }
  Status s = sorter->Finish();
  ASSERT_TRUE(s.ok()) << s.message();
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::uint32_t U32At(const std::string& b, std::size_t off) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b.at(off + i));
  return v;
}

void PutU32At(std::string& b, std::size_t off, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) b.at(off + i) = static_cast<char>(value >> (8 * i));
}

Status OpenAndWalkAll(const std::string& path, const std::string& image) {
  WriteBytes(path, image);
  std::unique_ptr<IndexFileReader> reader;
  Status s = IndexFileReader::Open(Env::Default(), path, &reader);
  for (std::size_t t = 0; s.ok() && t < reader->tags().size(); ++t) {
    s = reader->Walk(t, [](const std::uint8_t*, std::size_t, std::uint32_t) {
      return Status::OK();
    });
  }
  return s;
}

}  // namespace kx::storage::testing
