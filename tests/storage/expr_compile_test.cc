// Compiling key expressions: result types and key lengths, the errors a
// bad expression gives, and the limits that keep hostile text harmless.
#include <gtest/gtest.h>

#include <random>

#include "storage/api/codes.h"
#include "storage/dbase/expr/key_expr.h"
#include "tests/storage/expr_test_fixture.h"

namespace kx::storage {
namespace {

using expr_test::FixtureLayout;
using expr_test::FixtureRecord;

struct LengthCase {
  const char* text;
  char type;
  int length;
};

TEST(KeyExprCompile, TypesAndKeyLengths) {
  const LengthCase cases[] = {
      {"NAME", 'C', 10},
      {"NAME+FIRST", 'C', 18},
      {"NAME-FIRST", 'C', 18},
      {"TRIM(NAME)+FIRST", 'C', 18},      // TRIM keeps the declared width
      {"ALLTRIM(CITY)", 'C', 12},
      {"UPPER(NAME)", 'C', 10},
      {"STR(QTY)", 'C', 10},
      {"STR(AMOUNT,12,2)", 'C', 12},
      {"DTOS(BORN)+STR(QTY,5)", 'C', 13},
      {"DTOC(BORN)", 'C', 8},
      {"SUBSTR(NAME,3,4)", 'C', 4},
      {"SUBSTR(NAME,3)", 'C', 8},
      {"SUBSTR(NAME,8,20)", 'C', 3},      // no more than the field holds
      {"SUBSTR(NAME,QTY,4)", 'C', 4},
      {"SUBSTR(NAME,QTY)", 'C', 10},
      {"LEFT(NAME,4)", 'C', 4},
      {"RIGHT(NAME,40)", 'C', 10},
      {"IIF(ACTIVE,NAME,FIRST)", 'C', 10},  // the longer branch
      {"IIF(ACTIVE,FIRST,NAME+NAME)", 'C', 20},
      {"DESCEND(NAME)", 'C', 10},
      {"SPACE(5)", 'C', 5},
      {"REPLICATE(FIRST,3)", 'C', 24},
      {"\"abc\"", 'C', 3},
      {"QTY", 'N', 8},
      {"VAL(NAME)", 'N', 8},
      {"HIRED-BORN", 'N', 8},
      {"DESCEND(BORN)", 'N', 8},
      {"BORN", 'D', 8},
      {"BORN+1", 'D', 8},
      {"CTOD(NAME)", 'D', 8},
      {"ACTIVE", 'L', 1},
      {"QTY>1", 'L', 1},
  };
  for (const LengthCase& c : cases) {
    std::unique_ptr<KeyExpr> expr;
    Status s = KeyExpr::Compile(c.text, FixtureLayout(), nullptr, &expr);
    ASSERT_TRUE(s.ok()) << c.text << ": " << s.message();
    EXPECT_EQ(expr->type(), c.type) << c.text;
    EXPECT_EQ(expr->length(), c.length) << c.text;
    EXPECT_EQ(expr->text(), c.text);
  }
}

TEST(KeyExprCompile, BareFieldIsReported) {
  std::unique_ptr<KeyExpr> expr;
  ASSERT_TRUE(KeyExpr::Compile(" qty ", FixtureLayout(), nullptr, &expr).ok());
  EXPECT_EQ(expr->bare_field(), 4);
  ASSERT_TRUE(KeyExpr::Compile("(QTY)", FixtureLayout(), nullptr, &expr).ok());
  EXPECT_EQ(expr->bare_field(), 4);
  ASSERT_TRUE(KeyExpr::Compile("UPPER(NAME)", FixtureLayout(), nullptr, &expr).ok());
  EXPECT_EQ(expr->bare_field(), -1);
}

struct ErrorCase {
  const char* text;
  std::uint16_t code;
  const char* message;  // a part of the message
};

TEST(KeyExprCompile, BadExpressionsAreRejectedWithTheirReason) {
  const ErrorCase cases[] = {
      {"", DBIERR_INVALIDPARAM, "empty"},
      {"NOSUCH", DBIERR_INVALIDPARAM, "unknown field NOSUCH at column 1"},
      {"A->NOSUCH", DBIERR_INVALIDPARAM, "unknown field NOSUCH at column 4"},
      {"UPPER(NAME", DBIERR_INVALIDPARAM, "missing ')'"},
      {"(NAME", DBIERR_INVALIDPARAM, "missing ')'"},
      {"UPPER(NAME))", DBIERR_INVALIDPARAM, "unbalanced ')'"},
      {"NAME FIRST", DBIERR_INVALIDPARAM, "unexpected text"},
      {"NAME +", DBIERR_INVALIDPARAM, "ends too early"},
      {"NAME + 1", DBIERR_INVALIDPARAM, "type mismatch: character + numeric at column 6"},
      {"QTY - NAME", DBIERR_INVALIDPARAM, "type mismatch: numeric - character"},
      {"BORN * 2", DBIERR_INVALIDPARAM, "type mismatch"},
      {"BORN + BORN", DBIERR_INVALIDPARAM, "type mismatch"},
      {"NAME = 1", DBIERR_INVALIDPARAM, "type mismatch"},
      {"ACTIVE < .T.", DBIERR_INVALIDPARAM, "type mismatch"},
      {"QTY $ NAME", DBIERR_INVALIDPARAM, "type mismatch"},
      {"QTY .AND. ACTIVE", DBIERR_INVALIDPARAM, "type mismatch"},
      {".NOT. QTY", DBIERR_INVALIDPARAM, ".NOT. needs a logical"},
      {"-NAME", DBIERR_INVALIDPARAM, "unary - needs a number"},
      {"QTY < 1 < 2", DBIERR_INVALIDPARAM, "cannot be chained"},
      {"FOO(NAME)", DBIERR_INVALIDPARAM, "unknown function FOO"},
      {"UPP(NAME)", DBIERR_INVALIDPARAM, "unknown function UPP"},  // abbreviations need 4 letters
      {"UPPER", DBIERR_INVALIDPARAM, "is a function"},
      {"UPPER(QTY)", DBIERR_INVALIDPARAM, "must be character, not numeric"},
      {"DTOS(NAME)", DBIERR_INVALIDPARAM, "must be date"},
      {"STR(QTY,QTY)", DBIERR_INVALIDPARAM, "must be a number from 1 to 255"},
      {"STR(QTY,300)", DBIERR_INVALIDPARAM, "must be a number from 1 to 255"},
      {"STR(QTY,5,19)", DBIERR_INVALIDPARAM, "from 0 to 18"},
      {"SUBSTR(NAME,0,2)", DBIERR_INVALIDPARAM, "argument 2 must be a number from 1"},
      {"LEFT(NAME,-1)", DBIERR_INVALIDPARAM, "argument 2 must be a number from 0"},
      {"LEFT(NAME)", DBIERR_INVALIDPARAM, "too few arguments to LEFT()"},
      {"UPPER(NAME,FIRST)", DBIERR_INVALIDPARAM, "too many arguments to UPPER()"},
      {"RECNO(1)", DBIERR_INVALIDPARAM, "too many arguments"},
      {"IIF(ACTIVE,NAME,QTY)", DBIERR_INVALIDPARAM, "branches differ"},
      {"IIF(QTY,NAME,FIRST)", DBIERR_INVALIDPARAM, "must be logical"},
      {"MAX(NAME,FIRST)", DBIERR_INVALIDPARAM, "two numbers or two dates"},
      {"\"abc", DBIERR_INVALIDPARAM, "unterminated string"},
      {"{01/01/70", DBIERR_INVALIDPARAM, "unterminated date"},
      {"{13/45/99}", DBIERR_INVALIDPARAM, "invalid date"},
      {"NAME .XOR. FIRST", DBIERR_INVALIDPARAM, "unknown dotted operator"},
      {"QTY @ 2", DBIERR_INVALIDPARAM, "unexpected character"},
      {"UPPER(NAME .XOR.)", DBIERR_INVALIDPARAM, "unknown dotted operator at column 12"},
      {"BORN-1e0", DBIERR_INVALIDPARAM, "unexpected text"},
      {"NOTES", DBIERR_INVALIDPARAM, "memo field NOTES"},
      {"STAMP", DBIERR_NOTSUPPORTED, "timestamp field STAMP"},
      {"DTOS(DATE())", DBIERR_NOTSUPPORTED, "DATE()"},
      {"\"\"", DBIERR_INVALIDPARAM, "key length 0"},
      {"SPACE(0)", DBIERR_INVALIDPARAM, "key length 0"},
      {"REPLICATE(NAME,30)", DBIERR_INVALIDPARAM, "key length 300 is outside 1..240"},
      {"REPLICATE(NAME,1000)", DBIERR_INVALIDPARAM, "longer than 4096"},
      {"SPACE(1000000000)", DBIERR_INVALIDPARAM, "must be a number from 0 to 4096"},
  };
  for (const ErrorCase& c : cases) {
    const std::string text = c.text;
    std::unique_ptr<KeyExpr> expr;
    Status s = KeyExpr::Compile(text, FixtureLayout(), nullptr, &expr);
    EXPECT_EQ(s.code(), c.code) << c.text << ": " << s.message();
    EXPECT_NE(s.message().find(c.message), std::string::npos) << c.text << ": " << s.message();
    EXPECT_EQ(s.context(0), text) << c.text;
    EXPECT_EQ(expr, nullptr) << c.text;
  }
}

TEST(KeyExprCompile, EmbeddedNulIsRejected) {
  std::unique_ptr<KeyExpr> expr;
  Status s = KeyExpr::Compile(std::string("NAME\0+X", 7), FixtureLayout(), nullptr, &expr);
  EXPECT_EQ(s.code(), DBIERR_INVALIDPARAM);
  EXPECT_NE(s.message().find("NUL"), std::string::npos) << s.message();
}

TEST(KeyExprCompile, FieldLayoutsThatCannotBeReadAreRejected) {
  const std::vector<ExprField> layouts[] = {
      {{"D", 'D', 1, 6, 0}},  // a date must be 8 bytes
      {{"I", 'I', 1, 8, 0}},  // a long must be 4
      {{"C", 'C', 0, 5, 0}},  // offset 0 is the deletion byte
      {{"C", 'C', 1, 0, 0}},
  };
  for (const auto& layout : layouts) {
    std::unique_ptr<KeyExpr> expr;
    Status s = KeyExpr::Compile(layout[0].name, layout, nullptr, &expr);
    EXPECT_EQ(s.code(), DBIERR_INVALIDPARAM) << layout[0].name;
    EXPECT_NE(s.message().find("impossible layout"), std::string::npos) << s.message();
  }
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Nesting is capped both in the parser (parentheses, unary chains) and in
// the tree (long left-deep operator chains), so neither compile nor
// evaluation can run out of stack, however long the text may be.
TEST(KeyExprCompile, DeepNestingIsRefusedNotOverflowed) {
  ExprLimits wide;
  wide.max_text_length = 4 << 20;
  const std::string deep[] = {
      Repeat("(", 200000) + "QTY" + Repeat(")", 200000),
      Repeat("-", 200000) + "QTY",
      Repeat(".NOT.", 200000) + "ACTIVE",
      "QTY" + Repeat("+QTY", 200000),
      Repeat("UPPER(", 100000) + "NAME" + Repeat(")", 100000),
      Repeat("IIF(ACTIVE,", 100000) + "1" + Repeat(",2)", 100000),
  };
  for (const std::string& text : deep) {
    std::unique_ptr<KeyExpr> expr;
    Status s = KeyExpr::Compile(text, FixtureLayout(), nullptr, wide, &expr);
    EXPECT_EQ(s.code(), DBIERR_INVALIDPARAM) << text.substr(0, 20);
    EXPECT_NE(s.message().find("nested deeper than 64"), std::string::npos) << s.message();
  }
  // Just inside the cap compiles and evaluates.
  std::unique_ptr<KeyExpr> expr;
  ASSERT_TRUE(KeyExpr::Compile(Repeat("(", 62) + "QTY" + Repeat(")", 62), FixtureLayout(), nullptr,
                               &expr).ok());
  ASSERT_TRUE(KeyExpr::Compile("QTY" + Repeat("+1", 63), FixtureLayout(), nullptr, &expr).ok());
  KeyValue value;
  const auto record = FixtureRecord();
  ASSERT_TRUE(expr->Evaluate(record.data(), &value).ok());
  EXPECT_EQ(value.number, 42 + 63);
}

TEST(KeyExprCompile, LimitsAreParameters) {
  ExprLimits limits;
  limits.max_key_length = 100;  // an NDX or MDX key
  std::unique_ptr<KeyExpr> expr;
  EXPECT_TRUE(KeyExpr::Compile(Repeat("NAME+", 9) + "NAME", FixtureLayout(), nullptr, limits, &expr).ok());
  EXPECT_FALSE(KeyExpr::Compile(Repeat("NAME+", 10) + "NAME", FixtureLayout(), nullptr, limits, &expr).ok());
  limits = ExprLimits();
  limits.max_work_bytes = 25;  // NAME+NAME builds 20 bytes, +FIRST 28 more
  EXPECT_TRUE(KeyExpr::Compile("NAME+NAME", FixtureLayout(), nullptr, limits, &expr).ok());
  Status s = KeyExpr::Compile("NAME+NAME+FIRST", FixtureLayout(), nullptr, limits, &expr);
  EXPECT_NE(s.message().find("working space"), std::string::npos) << s.message();
  limits = ExprLimits();
  limits.max_text_length = 10;
  s = KeyExpr::Compile("UPPER(NAME)", FixtureLayout(), nullptr, limits, &expr);
  EXPECT_NE(s.message().find("longer than 10 characters"), std::string::npos) << s.message();
  limits.max_depth = 0;
  EXPECT_EQ(KeyExpr::Compile("NAME", FixtureLayout(), nullptr, limits, &expr).code(),
            DBIERR_INVALIDPARAM);
}

// Random token soup: compile must answer with a Status, and whatever
// compiles must evaluate on a sane and on a junk record to a value of the
// declared length.
TEST(KeyExprCompile, RandomTextNeverCrashes) {
  const char* tokens[] = {"NAME", "QTY", "BORN", "ACTIVE", "AMOUNT", "CITY", "(", ")", ",", "+",
                          "-", "*", "/", "^", "%", "=", "==", "#", "<", ">=", "$", ".AND.",
                          ".OR.", ".NOT.", ".T.", "1", "0", "-3", "2.5", "\"ab \"", "{01/02/03}",
                          "UPPER(", "STR(", "SUBSTR(", "LEFT(", "RIGHT(", "TRIM(", "IIF(",
                          "DTOS(", "CTOD(", "VAL(", "DESCEND(", "REPLICATE(", "SPACE(",
                          "RECNO()", "DELETED()", "ABS(", "ROUND(", "MAX(", "->", "[", "'"};
  std::mt19937 rng(1234);
  const auto good = FixtureRecord();
  const std::vector<unsigned char> junk(good.size(), 0xFF);
  int compiled = 0;
  KeyValue value;
  for (int i = 0; i < 30000; ++i) {
    std::string text;
    const int n = 1 + static_cast<int>(rng() % 12);
    for (int t = 0; t < n; ++t) text += tokens[rng() % std::size(tokens)];
    std::unique_ptr<KeyExpr> expr;
    if (!KeyExpr::Compile(text, FixtureLayout(), nullptr, &expr).ok()) continue;
    ++compiled;
    for (const auto* record : {&good, &junk}) {
      ASSERT_TRUE(expr->Evaluate(record->data(), 7, &value).ok()) << text;
      if (expr->type() == 'C') {
        ASSERT_EQ(value.bytes.size(), static_cast<size_t>(expr->length())) << text;
      }
    }
  }
  EXPECT_GT(compiled, 500);
}

}  // namespace
}  // namespace kx::storage
