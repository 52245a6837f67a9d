// Evaluation of key expressions on a fixture record: each function and
// operator, the bytes of character keys, numbers and dates.
#include <gtest/gtest.h>

#include "storage/core/lang/collation.h"
#include "storage/core/lang/lang_driver.h"
#include "storage/dbase/expr/collation_case_map.h"
#include "storage/dbase/expr/key_expr.h"
#include "tests/storage/expr_test_fixture.h"

namespace kx::storage {
namespace {

using expr_test::Bytes;
using expr_test::FixtureLayout;
using expr_test::FixtureRecord;

constexpr std::uint32_t kRecno = 42;

KeyValue EvaluateOn(const std::string& text, const std::vector<unsigned char>& record) {
  std::unique_ptr<KeyExpr> expr;
  Status s = KeyExpr::Compile(text, FixtureLayout(), nullptr, &expr);
  EXPECT_TRUE(s.ok()) << text << ": " << s.message();
  KeyValue value;
  if (s.ok()) {
    EXPECT_TRUE(expr->Evaluate(record.data(), kRecno, &value).ok());
  }
  return value;
}

struct CharCase {
  const char* text;
  std::string key;  // the full key, padding included
};

TEST(KeyExprEval, CharacterKeysHaveTheExpectedBytes) {
  const CharCase cases[] = {
      {"NAME", "Smith     "},
      {"name", "Smith     "},
      {"cust->Name", "Smith     "},
      {"UPPER(NAME)", "SMITH     "},
      {"LOWER(NAME)", "smith     "},
      {"NAME+FIRST", "Smith     John    "},
      {"NAME-FIRST", "SmithJohn         "},
      {"TRIM(NAME)+FIRST", "SmithJohn         "},
      {"RTRIM(FIRST)+\",\"+NAME", "John,Smith         "},
      {"LTRIM(CITY)", "Paris       "},
      {"ALLTRIM(CITY)+\"!\"", "Paris!       "},
      {"RTRIM(CITY)+\"!\"", "  Paris!     "},
      {"SUBSTR(NAME,2,3)", "mit"},
      {"SUBSTR(NAME,3)", "ith     "},
      {"SUBS(NAME,2,3)", "mit"},
      {"SUBSTR(NAME,QTY-40,3)", "mit"},
      {"SUBSTR(NAME,QTY,3)", "   "},
      {"LEFT(NAME,2)", "Sm"},
      {"RIGHT(NAME,3)", "   "},
      {"RIGHT(TRIM(NAME),3)", "ith"},
      {"STR(AMOUNT,10,2)", "   -123.45"},
      {"STR(QTY)", "        42"},
      {"STR(QTY,5)", "   42"},
      {"STR(AMOUNT,6,1)", "-123.5"},
      {"STR(AMOUNT,3)", "***"},
      {"STR(2.675,5,2)", " 2.68"},
      {"STR(-0.001,5,2)", " 0.00"},
      {"STR(-0.5)+STR(0.5,2)+STR(-5,5,1)", "        -1 1 -5.0"},
      {"STR(1234567890123456,18)", "  1234567890123456"},
      {"STR(12.5,21,18)", "12.500000000000000000"},
      {"STR(99.995,7,2)+STR(0.0000001,5,2)", " 100.00 0.00"},
      {"STR(COUNT,3)+STR(PRICE,5,1)", "  7  2.5"},
      {"STR(BADNUM,4)", "  12"},
      {"STR(RECNO(),6)", "    42"},
      {"DTOS(BORN)", "19700101"},
      {"DTOS(NODATE)", "        "},
      {"DTOS(BADDATE)", "        "},
      {"DTOC(BORN)", "01/01/70"},
      {"DTOC(NODATE)", "  /  /  "},
      {"DTOS(BORN+31)", "19700201"},
      {"DTOS(HIRED+1)", "20240301"},
      {"DTOS(HIRED-366)", "20230228"},
      {"DTOS(CTOD(\"02/29/24\"))", "19240229"},
      {"DTOS(CTOD(\"02/29/2023\"))", "        "},
      {"DTOS({12/31/1999})", "19991231"},
      {"DTOS({^2024-02-29})", "20240229"},
      {"DTOS(STOD(\"20000101\"))", "20000101"},
      {"DTOS(BORN)+NAME", "19700101Smith     "},
      {"IIF(ACTIVE,NAME,FIRST)", "Smith     "},
      {"IIF(.F.,NAME,FIRST)", "John      "},
      {"DESCEND(LEFT(NAME,2))", "\xAC\x92"},
      {"DESCEND(TRIM(LEFT(NAME,6)))", "\xAC\x92\x96\x8B\x97\xDF"},
      {"SPACE(3)+NAME", "   Smith     "},
      {"REPLICATE(\"ab\",3)", "ababab"},
      {"[abc]+'d'", "abcd"},
  };
  const auto record = FixtureRecord();
  for (const CharCase& c : cases) {
    const KeyValue v = EvaluateOn(c.text, record);
    EXPECT_EQ(v.type, 'C') << c.text;
    EXPECT_EQ(Bytes(v), c.key) << c.text;
  }
}

struct NumberCase {
  const char* text;
  char type;
  double value;
};

TEST(KeyExprEval, NumericAndDateValues) {
  const NumberCase cases[] = {
      {"AMOUNT", 'N', -123.45},
      {"QTY*2+1", 'N', 85},
      {"QTY+2*3", 'N', 48},
      {"(QTY+2)*3", 'N', 132},
      {"QTY/0", 'N', 0},
      {"QTY%5", 'N', 2},
      {"-7%3", 'N', 2},
      {"MOD(-7,3)", 'N', 2},
      {"2^10", 'N', 1024},
      {"2**3", 'N', 8},
      {"1.5+.5+1.", 'N', 3},
      {"VAL(\"  12.5xyz\")", 'N', 12.5},
      {"VAL(\"abc\")", 'N', 0},
      {"BADNUM", 'N', 12},
      {"COUNT", 'N', 7},
      {"PRICE", 'N', 2.5},
      {"ABS(AMOUNT)", 'N', 123.45},
      {"INT(AMOUNT)", 'N', -123},
      {"ROUND(AMOUNT,1)", 'N', -123.5},
      {"ROUND(2.675,2)", 'N', 2.68},
      {"ROUND(99.95,1)", 'N', 100},
      {"ROUND(100000000000000,0)", 'N', 1e14},
      {"ROUND(1250,-2)", 'N', 1300},
      {"MAX(QTY,50)", 'N', 50},
      {"MIN(QTY,50)", 'N', 42},
      {"YEAR(HIRED)*10000+MONTH(HIRED)*100+DAY(HIRED)", 'N', 20240229},
      {"YEAR(NODATE)", 'N', 0},
      {"HIRED-BORN", 'N', 19782},
      {"DESCEND(QTY)", 'N', -42},
      {"DESCEND(BORN)", 'N', -2440588},
      {"RECNO()", 'N', 42},
      {"BORN", 'D', 2440588},
      {"HIRED", 'D', 2460370},
      {"NODATE", 'D', 0},
      {"BADDATE", 'D', 0},
      {"NODATE+5", 'D', 0},
      {"5+BORN", 'D', 2440593},
      {"BORN+0.9", 'D', 2440588},
      {"CTOD(\"01/01/70\")", 'D', 2440588},
      {"{}", 'D', 0},
      {"MAX(BORN,HIRED)", 'D', 2460370},
      {"{12/31/9999}+1", 'D', 0},
  };
  const auto record = FixtureRecord();
  for (const NumberCase& c : cases) {
    const KeyValue v = EvaluateOn(c.text, record);
    EXPECT_EQ(v.type, c.type) << c.text;
    EXPECT_DOUBLE_EQ(v.number, c.value) << c.text;
  }
}

TEST(KeyExprEval, LogicalKeysAndDeletedRecords) {
  EXPECT_TRUE(EvaluateOn("ACTIVE", FixtureRecord()).logical);
  EXPECT_EQ(EvaluateOn("ACTIVE", FixtureRecord()).type, 'L');
  EXPECT_FALSE(EvaluateOn("DELETED()", FixtureRecord()).logical);
  EXPECT_TRUE(EvaluateOn("DELETED()", FixtureRecord(true)).logical);
  EXPECT_FALSE(EvaluateOn("DESCEND(ACTIVE)", FixtureRecord()).logical);
}

// A record of junk bytes must give blank or zero values, never a crash or
// a key of the wrong length.
TEST(KeyExprEval, GarbageRecordsGiveBlankValues) {
  std::vector<unsigned char> junk(FixtureRecord().size(), 0xFF);
  EXPECT_EQ(EvaluateOn("AMOUNT", junk).number, 0);
  EXPECT_EQ(EvaluateOn("BORN", junk).number, 0);
  EXPECT_EQ(Bytes(EvaluateOn("DTOS(BORN)+STR(QTY,3)", junk)), "          0");
  EXPECT_EQ(Bytes(EvaluateOn("DTOC(BORN+10)", junk)), "  /  /  ");
  EXPECT_FALSE(EvaluateOn("ACTIVE", junk).logical);
  EXPECT_EQ(EvaluateOn("UPPER(NAME)", junk).bytes.size(), 10u);
}

TEST(KeyExprEval, ReusedValueDoesNotReallocate) {
  std::unique_ptr<KeyExpr> expr;
  ASSERT_TRUE(KeyExpr::Compile("UPPER(TRIM(NAME))+DTOS(BORN)+STR(QTY,5)", FixtureLayout(), nullptr,
                               &expr).ok());
  const auto record = FixtureRecord();
  KeyValue value;
  ASSERT_TRUE(expr->Evaluate(record.data(), 1, &value).ok());
  const unsigned char* bytes = value.bytes.data();
  const unsigned char* work = value.work.data();
  for (std::uint32_t recno = 2; recno < 100; ++recno) {
    ASSERT_TRUE(expr->Evaluate(record.data(), recno, &value).ok());
  }
  EXPECT_EQ(value.bytes.data(), bytes);
  EXPECT_EQ(value.work.data(), work);
  EXPECT_EQ(Bytes(value), "SMITH19700101   42     ");
}

// A language driver's mapping reaches UPPER() and LOWER(); without one
// only ASCII letters change.
TEST(KeyExprEval, CaseMappingFollowsTheLanguageDriver) {
  const LangDriver* driver = FindLangDriverByName("DBWINWE0");  // cp1252
  ASSERT_NE(driver, nullptr);
  CollationCaseMap map(Collation::For(*driver));
  const std::vector<ExprField> layout = {{"W", 'C', 1, 4, 0}};
  const unsigned char record[] = {' ', 'c', 'a', 'f', 0xE9};
  std::unique_ptr<KeyExpr> expr;
  ASSERT_TRUE(KeyExpr::Compile("UPPER(W)+LOWER(UPPER(W))", layout, &map, &expr).ok());
  KeyValue value;
  ASSERT_TRUE(expr->Evaluate(record, &value).ok());
  EXPECT_EQ(Bytes(value), "CAF\xC9" "caf\xE9");
  ASSERT_TRUE(KeyExpr::Compile("UPPER(W)", layout, nullptr, &expr).ok());
  ASSERT_TRUE(expr->Evaluate(record, &value).ok());
  EXPECT_EQ(Bytes(value), "CAF\xE9");
}

}  // namespace
}  // namespace kx::storage
