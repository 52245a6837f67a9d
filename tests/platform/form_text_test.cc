// The form description: parsing, reading into components, writing back.
#include <gtest/gtest.h>

#include "platform/form_stream.h"
#include "platform/form_text.h"
#include "platform/forms.h"
#include "platform/std_ctrls.h"
#include "platform/virtual_platform.h"

namespace kx {
namespace {

TEST(FormText, ParsesValuesOfEveryKind) {
  FormNode node = ParseFormText(
      "object F: TForm\n"
      "  Left = -86\n"
      "  Caption = 'It''s'#13#10'two'\n"
      "  BorderIcons = [biSystemMenu, biHelp]\n"
      "  Items.Strings = (\n    'a'\n    'b c')\n"
      "  object L: TLabel\n  end\n"
      "end\n");
  ASSERT_EQ(node.properties.size(), 4u);
  EXPECT_EQ(node.properties[0].second.integer, -86);
  EXPECT_EQ(node.properties[1].second.text, "It's\r\ntwo");
  EXPECT_EQ(node.properties[2].second.items, (std::vector<std::string>{"biSystemMenu", "biHelp"}));
  EXPECT_EQ(node.properties[3].first, "Items.Strings");
  EXPECT_EQ(node.properties[3].second.items, (std::vector<std::string>{"a", "b c"}));
  ASSERT_EQ(node.children.size(), 1u);
  EXPECT_EQ(node.children[0].class_name, "TLabel");
}

TEST(FormText, ReportsTheLineOfAnError) {
  for (const char* bad : {"object F: TForm\n  Left = \nend\n", "object F: TForm\n  Caption = 'open\nend\n",
                          "object F TForm\nend\n", "object F: TForm\n  Left = 1\n", "object F: TForm\nend\nend\n",
                          "object F: TForm\n  X = #999\nend\n"}) {
    EXPECT_THROW(ParseFormText(bad), EReadError) << bad;
  }
  try {
    ParseFormText("object F: TForm\n  Left = 1\n  Top = ]\nend\n");
    ADD_FAILURE() << "parsed";
  } catch (const EReadError& e) {
    EXPECT_NE(e.Message().find("line 3"), std::string::npos) << e.Message();
  }
}

class TestForm : public TForm {
 public:
  explicit TestForm(std::string_view text) : TForm(nullptr) {
    PublishField("Label1", Label1);
    PublishField("Combo", Combo);
    PublishMethod("ComboChange", [this](TObject*) { ++changes; });
    ReadFormResource(text);
  }
  const char* ClassName() const override { return "TTestForm"; }
  TLabel* Label1 = nullptr;
  TComboBox* Combo = nullptr;
  int changes = 0;
};

constexpr const char* kTestForm =
    "object Test1: TTestForm\n"
    "  Caption = 'Pick'\n"
    "  ClientWidth = 200\n"
    "  Font.Height = -13\n"
    "  object Label1: TLabel\n"
    "    Left = 8\n"
    "    Caption = 'Status : '\n"
    "    Font.Style = [fsBold, fsItalic]\n"
    "    ParentFont = False\n"
    "  end\n"
    "  object Combo: TComboBox\n"
    "    Items.Strings = (\n      '3'\n      '4')\n"
    "    Visible = False\n"
    "    OnChange = ComboChange\n"
    "  end\n"
    "end\n";

TEST(FormReader, BuildsComponentsAndWritesBackOnlyWhatDiffers) {
  ScopedVirtualPlatform platform;
  TestForm form(kTestForm);
  ASSERT_NE(form.Label1, nullptr);
  ASSERT_NE(form.Combo, nullptr);
  EXPECT_EQ(form.Label1->Parent(), &form);
  EXPECT_EQ(form.Combo->Items->CommaText(), "3,4");
  EXPECT_FALSE(form.HandleAllocated());  // reading creates no window
  form.Combo->UserSelect(1);
  EXPECT_EQ(form.changes, 1);
  form.Combo->ItemIndex = 0;  // from code: no change event
  EXPECT_EQ(form.changes, 1);
  EXPECT_TRUE(form.HandleAllocated());  // the combo box needed its window

  form.Combo->ItemIndex = -1;
  EXPECT_EQ(WriteComponentText(form), kTestForm);
}

TEST(FormReader, RefusesWhatTheClassDoesNotHave) {
  ScopedVirtualPlatform platform;
  for (const char* bad : {"object T: TOther\nend\n", "object T: TTestForm\n  Colour = 1\nend\n",
                          "object T: TTestForm\n  object Label9: TLabel\n  end\nend\n",
                          "object T: TTestForm\n  object Label1: TWidget\n  end\nend\n",
                          "object T: TTestForm\n  object Combo: TComboBox\n    OnChange = Nope\n  end\nend\n",
                          "object T: TTestForm\n  Caption = 12\nend\n",
                          "object T: TTestForm\n  BorderStyle = bsRound\nend\n"}) {
    EXPECT_THROW(TestForm form(bad), EReadError) << bad;
  }
}

TEST(Strings, CommaTextRoundTripsQuotedEntries) {
  TStringList list;
  list.SetCommaText("3,4, \"two words\",\"say \"\"hi\"\"\",");
  EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"3", "4", "two words", "say \"hi\"", ""}));
  EXPECT_EQ(list.CommaText(), "3,4,\"two words\",\"say \"\"hi\"\"\",\"\"");
  EXPECT_EQ(list.IndexOf("TWO WORDS"), 2);
  EXPECT_EQ(list.IndexOf("5"), -1);
  EXPECT_THROW(list.Get(5), ERangeError);
}

}  // namespace
}  // namespace kx
