// The commit machinery's small parts: CRC-32C values and their combination
// (a file checksummed out of order), and the intent record refusing torn or
// hostile bytes, since recovery renames whatever a valid record names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/io/crc32.h"
#include "storage/io/file_names.h"
#include "storage/io/intent_record.h"

namespace kx::storage {
namespace {

TEST(Crc32, KnownValueAndCombinationMatchOnePass) {
  EXPECT_EQ(Crc32Update(0, "123456789", 9), 0xE3069283u);
  std::string data;
  for (int i = 0; i < 100000; ++i) data.push_back(static_cast<char>(i * 131 + (i >> 7)));
  const std::uint32_t whole = Crc32Update(0, data.data(), data.size());
  EXPECT_EQ(Crc32Update(Crc32Update(0, data.data(), 33), data.data() + 33, data.size() - 33), whole);
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{513}, data.size()}) {
    std::uint32_t a = Crc32Update(0, data.data(), cut);
    std::uint32_t b = Crc32Update(0, data.data() + cut, data.size() - cut);
    EXPECT_EQ(Crc32Combine(a, b, data.size() - cut), whole) << cut;
  }
}

TEST(IntentRecord, RoundTripsAndRefusesTornOrHostileBytes) {
  IntentRecord r;
  r.entries = {{"CUST.DBF.~pk", "CUST.DBF", 1234, 0xDEADBEEF}, {"cust.dbt.~pk", "cust.dbt", 5, 7}};
  const std::string bytes = r.Encode();
  IntentRecord back;
  ASSERT_TRUE(back.Decode(bytes, "CUST"));
  ASSERT_EQ(back.entries.size(), 2u);
  EXPECT_EQ(back.entries[1].final_name, "cust.dbt");
  EXPECT_EQ(back.entries[0].size, 1234u);

  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(back.Decode(bytes.substr(0, cut), "CUST")) << "torn at " << cut;
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::string flipped = bytes;
    flipped[i] ^= 0x40;
    EXPECT_FALSE(back.Decode(flipped, "CUST")) << "flipped byte " << i;
  }
  EXPECT_FALSE(back.Decode(bytes, "OTHER"));  // another table's record
  for (const IntentEntry& hostile : {IntentEntry{"../x.~pk", "../x", 1, 1},
                                     IntentEntry{"CUST.DBF", "CUST.DBF", 1, 1},
                                     IntentEntry{"CUST.~pk", "CUST", 1, 1}}) {
    IntentRecord h;
    h.entries = {hostile};
    EXPECT_FALSE(back.Decode(h.Encode(), "CUST")) << hostile.temp_name;
  }
}

// A member the new family drops (an old memo file of another kind) is a
// removal: no temp, no size, after every replacement.
TEST(IntentRecord, RemovalsComeLastAndCarryNothing) {
  IntentRecord r;
  r.entries = {{"CUST.DBF.~pk", "CUST.DBF", 10, 1}, {"CUST.FPT.~pk", "CUST.FPT", 20, 2},
               {"", "CUST.DBT", 0, 0}};
  IntentRecord back;
  ASSERT_TRUE(back.Decode(r.Encode(), "CUST"));
  ASSERT_EQ(back.entries.size(), 3u);
  EXPECT_TRUE(back.entries[2].removal());
  EXPECT_FALSE(back.entries[1].removal());
  const std::vector<std::vector<IntentEntry>> refused = {
      {{"", "CUST.DBT", 0, 0}, {"CUST.DBF.~pk", "CUST.DBF", 10, 1}},  // removal first
      {{"CUST.DBF.~pk", "CUST.DBF", 10, 1}, {"", "CUST.DBT", 5, 0}},  // with a size
      {{"CUST.DBF.~pk", "CUST.DBF", 10, 1}, {"", "OTHER.DBT", 0, 0}},  // another table
      {{"CUST.DBF.~pk", "CUST.DBF", 10, 1}, {"", "../CUST.DBT", 0, 0}},
  };
  for (const auto& entries : refused) {
    IntentRecord h;
    h.entries = entries;
    EXPECT_FALSE(back.Decode(h.Encode(), "CUST")) << entries.back().final_name;
  }
}

TEST(FileNames, LeftoversAreExactlyThisTablesTemps) {
  EXPECT_EQ(TempPathFor("/d/CUST.DBF"), "/d/CUST.DBF.~pk");
  EXPECT_EQ(IntentPath("/d/CUST.DBF"), "/d/CUST.~pk");
  EXPECT_EQ(IntentNewPath("/d/CUST.DBF"), "/d/CUST.~pk.new");
  for (const char* yes : {"CUST.DBF.~pk", "cust.dbt.~pk", "CUST.~pk.new", "CUST.FPT.~pk"}) {
    EXPECT_TRUE(IsLeftoverOf("CUST", yes)) << yes;
  }
  for (const char* no : {"CUST.~pk", "CUST.DBF", "CUST.X.DBF.~pk", "CUSTOMER.DBF.~pk",
                         "CUST.txt.~pk", "CUST.DBF.~pk.bak"}) {
    EXPECT_FALSE(IsLeftoverOf("CUST", no)) << no;
  }
}

}  // namespace
}  // namespace kx::storage
