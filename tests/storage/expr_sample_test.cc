// The FOR clauses of a FoxPro-made .cdx (tests/data/dbase/rooms.cdx), read
// from the file and run on the records of its table, select exactly as many
// records as FoxPro put keys in each tag.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "storage/dbase/expr/key_expr.h"

namespace kx::storage {
namespace {

std::string ReadFile(const std::string& name) {
  std::ifstream in(std::string(KX_SOURCE_DIR) + "/tests/data/dbase/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned U16(const std::string& b, size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

std::uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

TEST(KeyExprSample, ForClausesOfAFoxProIndexSelectItsKeys) {
  const std::string dbf = ReadFile("rooms.dbf");
  const std::string cdx = ReadFile("rooms.cdx");
  ASSERT_GT(dbf.size(), 32u);
  ASSERT_GT(cdx.size(), 1024u);

  // Fields from the 32-byte descriptors (this file ends them with 0x0A, not 0x0D).
  const std::uint32_t count = U32(dbf, 4);
  const unsigned header_length = U16(dbf, 8), record_length = U16(dbf, 10);
  ASSERT_GE(dbf.size(), header_length + size_t{count} * record_length);  // it ends 1A 0A
  std::vector<ExprField> fields;
  int offset = 1;
  for (size_t at = 32; at + 32 < header_length; at += 32) {
    ExprField f{dbf.substr(at, 11).c_str(), dbf[at + 11], offset,
                static_cast<unsigned char>(dbf[at + 16]), static_cast<unsigned char>(dbf[at + 17])};
    offset += f.length;
    fields.push_back(f);
  }
  ASSERT_EQ(offset, static_cast<int>(record_length));

  // Tag headers sit at 1536, 3072, ...: options at 14, FOR and key
  // expression offsets and lengths at 504-511, the pool at 512.
  int filtered_tags = 0;
  for (size_t tag = 1536; tag + 1024 <= cdx.size(); tag += 1536) {
    if (!(cdx[tag + 14] & 0x08)) continue;  // no FOR clause
    const size_t pool = tag + 512;
    const std::string key_text = cdx.substr(pool + U16(cdx, tag + 508), U16(cdx, tag + 510) - 1);
    const std::string for_text = cdx.substr(pool + U16(cdx, tag + 504), U16(cdx, tag + 506) - 1);
    const std::uint32_t root = U32(cdx, tag);
    ASSERT_EQ(U16(cdx, root), 3u) << "single-leaf tag expected";
    const unsigned keys = U16(cdx, root + 2);

    std::unique_ptr<KeyExpr> key, filter;
    ASSERT_TRUE(KeyExpr::Compile(key_text, fields, nullptr, &key).ok()) << key_text;
    ASSERT_TRUE(KeyExpr::CompileFilter(for_text, fields, nullptr, &filter).ok()) << for_text;
    EXPECT_EQ(key->length(), U16(cdx, tag + 12)) << key_text;
    unsigned selected = 0;
    KeyValue value;
    for (std::uint32_t r = 0; r < count; ++r) {
      const auto* record = reinterpret_cast<const unsigned char*>(dbf.data()) + header_length +
                           size_t{r} * record_length;
      ASSERT_TRUE(filter->Evaluate(record, r + 1, &value).ok());
      selected += value.logical;
    }
    EXPECT_EQ(selected, keys) << for_text;
    ++filtered_tags;
  }
  EXPECT_EQ(filtered_tags, 4);
}

}  // namespace
}  // namespace kx::storage
