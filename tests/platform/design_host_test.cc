// The design host's registry without a package: which editor a property
// gets, and registrations that are refused.
#include <gtest/gtest.h>

#include "platform/design_host.h"

namespace kx {
namespace {

class TPanelLike : public TComponent {
 public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TPanelLike"; }
  AnsiString FCaption;
  bool FFlag = false;
  TProp<AnsiString> Caption{this, "Caption", FCaption, ""};
  TProp<bool> Flag{this, "Flag", FFlag, false};
};

template <int N>
class TNamedEditor : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  AnsiString GetValue() override { return "editor " + std::to_string(N); }
};

const TComponentClassInfo kPanelClass = ComponentClassInfo<TPanelLike>("TPanelLike");
const TPropertyEditorClassInfo kEditor1 = PropertyEditorClassInfo<TNamedEditor<1>>("E1");
const TPropertyEditorClassInfo kEditor2 = PropertyEditorClassInfo<TNamedEditor<2>>("E2");

TEST(DesignHost, GivesAPropertyTheLastFittingEditorByTypeClassAndName) {
  TDesignHost host;
  IDesignRegistry* previous = InstallDesignRegistry(&host);
  TTypeInfo* string_type = NewTypeInfo(tkLString, "ansistring");  // another record, same type
  TTypeInfo* short_string = NewTypeInfo(tkString, "AnsiString");  // another kind
  const TComponentClass classes[] = {&kPanelClass};
  RegisterComponents("Test", classes, 0);
  RegisterPropertyEditor(string_type, &kPanelClass, "", &kEditor1);
  RegisterPropertyEditor(TypeInfoAnsiString(), &kPanelClass, "caption", &kEditor2);
  RegisterPropertyEditor(short_string, nullptr, "", &kEditor2);

  TComponent* panel = host.CreateComponent("tpanellike");
  TComponent plain(nullptr);
  EXPECT_EQ(host.GetPropertyEditor(panel, "Caption")->GetValue(), "editor 2");
  EXPECT_EQ(host.GetPropertyEditor(panel, "Name")->GetValue(), "editor 1");
  EXPECT_EQ(host.GetPropertyEditor(panel, "Flag")->GetValue(), "(unknown)");
  EXPECT_EQ(host.GetPropertyEditor(&plain, "Name")->GetValue(), "(unknown)");
  EXPECT_EQ(host.GetPropertyEditor(panel, "Missing"), nullptr);
  EXPECT_EQ(host.GetPropertyEditor(panel, "Flag")->GetName(), "Flag");

  InstallDesignRegistry(previous);
  FreeTypeInfo(string_type);
  FreeTypeInfo(short_string);
}

TEST(DesignHost, RefusesRegistrationsWithoutAHostOrWithoutClasses) {
  const TComponentClass classes[] = {&kPanelClass};
  ASSERT_EQ(CurrentDesignRegistry(), nullptr);
  EXPECT_THROW(RegisterComponents("Test", classes, 0), EComponentError);
  TDesignHost host;
  InstallDesignRegistry(&host);
  const TComponentClass none[] = {nullptr};
  EXPECT_THROW(RegisterComponents("Test", classes, -1), EComponentError);
  EXPECT_THROW(RegisterComponents("Test", none, 0), EComponentError);
  EXPECT_THROW(RegisterPropertyEditor(nullptr, &kPanelClass, "Caption", &kEditor1), EComponentError);
  EXPECT_THROW(host.CreateComponent("TPanelLike"), EComponentError);  // not on the palette
  EXPECT_THROW(NewTypeInfo(tkLString, std::string(256, 'x')), ERangeError);
  InstallDesignRegistry(nullptr);
  EXPECT_TRUE(host.Palette().empty());
}

}  // namespace
}  // namespace kx
