// FOR filters: comparisons on each type, the character comparison rules,
// logical operators and their precedence, DELETED().
#include <gtest/gtest.h>

#include "storage/api/codes.h"
#include "storage/dbase/expr/key_expr.h"
#include "tests/storage/expr_test_fixture.h"

namespace kx::storage {
namespace {

using expr_test::FixtureLayout;
using expr_test::FixtureRecord;

bool Matches(const std::string& text, bool deleted = false) {
  std::unique_ptr<KeyExpr> filter;
  Status s = KeyExpr::CompileFilter(text, FixtureLayout(), nullptr, &filter);
  EXPECT_TRUE(s.ok()) << text << ": " << s.message();
  if (!s.ok()) return false;
  EXPECT_EQ(filter->type(), 'L');
  const auto record = FixtureRecord(deleted);
  KeyValue value;
  EXPECT_TRUE(filter->Evaluate(record.data(), 42, &value).ok());
  return value.logical;
}

struct FilterCase {
  const char* text;
  bool expected;
};

TEST(ForFilter, ComparisonsAndLogic) {
  const FilterCase cases[] = {
      {"ACTIVE", true},
      {".NOT. ACTIVE", false},
      {"!ACTIVE", false},
      {"ACTIVE = .T.", true},
      {"ACTIVE # .T.", false},
      {"QTY > 40 .AND. QTY < 50", true},
      {"QTY>40.AND.QTY<42", false},
      {"qty = 42 .and. active", true},
      {"QTY = 42", true},
      {"QTY == 42", true},
      {"QTY # 42", false},
      {"QTY <> 42", false},
      {"QTY != 41", true},
      {"QTY >= 42 .AND. QTY <= 42", true},
      {"AMOUNT < 0 .AND. ABS(AMOUNT) > 100", true},
      {"COUNT = 7 .AND. PRICE > 2.4", true},
      {"RECNO() > 5", true},
      {"BORN < HIRED", true},
      {"BORN = {01/01/70}", true},
      {"BORN = CTOD(\"01/01/1970\")", true},
      {"NODATE = {}", true},
      {"NODATE < BORN", true},
      {"HIRED - BORN > 19000", true},
      {"DTOS(HIRED) >= \"2024\"", true},
      // .AND. binds tighter than .OR.; .NOT. tighter than both.
      {".T. .OR. .F. .AND. .F.", true},
      {".NOT. QTY = 42 .OR. ACTIVE", true},
      {".NOT. (QTY = 42 .OR. ACTIVE)", false},
      {".NOT. .NOT. ACTIVE", true},
      // .OR. stops at a true left side, .AND. at a false one.
      {"ACTIVE .OR. QTY / 0 > 1", true},
      {".NOT. ACTIVE .AND. QTY > 1", false},
      {"IIF(QTY > 40, \"Y\", \"N\") = \"Y\"", true},
  };
  for (const FilterCase& c : cases) EXPECT_EQ(Matches(c.text), c.expected) << c.text;
}

// Character comparisons run over the right operand's length (SET EXACT
// OFF), the shorter side padded with blanks; == compares the whole value
// with trailing blanks ignored; $ is a plain substring test.
TEST(ForFilter, CharacterComparisonRules) {
  const FilterCase cases[] = {
      {"NAME = \"Smith\"", true},
      {"NAME = \"Smi\"", true},
      {"NAME = \"\"", true},
      {"\"Smi\" = NAME", false},
      {"NAME = \"Smith     \"", true},
      {"NAME = \"Smithers\"", false},
      {"NAME == \"Smith\"", true},
      {"NAME == \"Smi\"", false},
      {"NAME <> \"Smi\"", false},
      {"NAME > \"Sm\"", false},
      {"NAME >= \"Sm\"", true},
      {"NAME < \"T\"", true},
      {"NAME < \"Sa\"", false},
      {"NAME > \"Sa\"", true},
      {"UPPER(NAME) = \"SMITH\"", true},
      {"TRIM(NAME) + \"!\" = \"Smith!\"", true},
      {"\"mit\" $ NAME", true},
      {"\"MIT\" $ NAME", false},
      {"\"mit\" $ UPPER(NAME)", false},
      {"\"\" $ NAME", false},
      {"LEFT(NAME, 1) $ \"ABCS\"", true},
      {"\"Smith Jones\" $ NAME", false},
  };
  for (const FilterCase& c : cases) EXPECT_EQ(Matches(c.text), c.expected) << c.text;
  // Bytes compare unsigned: a high byte sorts after ASCII.
  EXPECT_TRUE(Matches("\"\xE9\" > \"z\""));
}

TEST(ForFilter, DeletedRecords) {
  EXPECT_FALSE(Matches("DELETED()"));
  EXPECT_TRUE(Matches(".NOT. DELETED()"));
  EXPECT_TRUE(Matches("DELETED()", true));
  EXPECT_FALSE(Matches(".NOT. DELETED() .AND. ACTIVE", true));
}

TEST(ForFilter, ConditionMustBeLogical) {
  const char* not_logical[] = {"QTY", "NAME", "BORN", "QTY + 1"};
  for (const char* text : not_logical) {
    std::unique_ptr<KeyExpr> filter;
    Status s = KeyExpr::CompileFilter(text, FixtureLayout(), nullptr, &filter);
    EXPECT_EQ(s.code(), DBIERR_INVALIDPARAM) << text;
    EXPECT_NE(s.message().find("must be logical"), std::string::npos) << s.message();
  }
  // A long character value inside a filter is fine: the key cap is for keys.
  std::unique_ptr<KeyExpr> filter;
  EXPECT_TRUE(KeyExpr::CompileFilter("REPLICATE(NAME,30) $ SPACE(400)", FixtureLayout(), nullptr,
                                     &filter).ok());
}

}  // namespace
}  // namespace kx::storage
