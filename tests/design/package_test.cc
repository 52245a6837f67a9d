// The package libkxsorvel.so as the design host loads it: what Register puts
// on the palette, the About property's editor and its About box, the
// package's resources, and loading it again and again.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/application.h"
#include "platform/backends/terminal_backend.h"
#include "platform/design_host.h"
#include "platform/forms.h"
#include "platform/std_ctrls.h"
#include "platform/timer.h"
#include "platform/virtual_platform.h"
#include "tests/platform/support/pty_child.h"

namespace kx {
namespace {

const KxPackageResource* FindResource(const KxPackageInfo& info, const char* type, const char* name) {
  for (int i = 0; i < info.ResourceCount; ++i) {
    if (std::strcmp(info.Resources[i].Type, type) == 0 && std::strcmp(info.Resources[i].Name, name) == 0)
      return &info.Resources[i];
  }
  return nullptr;
}

class PackageTest : public ::testing::Test {
 protected:
  PackageTest() : package_(host_.LoadPackage(KX_PACKAGE_PATH)) {}

  ScopedVirtualPlatform platform_;  // the package's platform too: they share the runtime
  TDesignHost host_;
  int package_;
};

TEST_F(PackageTest, RegistersTkxSorvelUAloneOnKxVantryWithAnAboutEditor) {
  ASSERT_EQ(host_.Pages(), std::vector<AnsiString>{"kxVantry"});
  std::vector<TComponentClass> classes = host_.PageClasses("kxVantry");
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_STREQ(classes[0]->Name, "TkxSorvelU");
  ASSERT_EQ(host_.PropertyEditors().size(), 1u);
  const TDesignHost::EditorEntry& editor = host_.PropertyEditors()[0];
  EXPECT_EQ(editor.PropertyName, "About");
  EXPECT_EQ(editor.ComponentClass, classes[0]);
  EXPECT_STREQ(editor.EditorClass->Name, "TkxAboutProperty");
  EXPECT_EQ(editor.PropertyType->Kind, tkLString);
  EXPECT_EQ(static_cast<int>(editor.PropertyType->Kind), 10);
  EXPECT_EQ(editor.PropertyType->NameLength, 10);
  EXPECT_EQ(editor.PropertyType->Name(), "AnsiString");

  TComponent* component = host_.CreateComponent("TkxSorvelU");
  EXPECT_STREQ(component->ClassName(), "TkxSorvelU");
  EXPECT_TRUE(classes[0]->IsInstance(component));
}

TEST_F(PackageTest, AboutEditorShowsAboutWhateverThePropertyHoldsAndOffersADialog) {
  TComponent* component = host_.CreateComponent("TkxSorvelU");
  for (const char* held : {"", "Version 9", "(Something else)"}) {
    ReadContext context;
    component->FindProperty("About")->ReadValue(FormValue{FormValue::Type::String, 0, held, {}}, context);
    std::unique_ptr<TPropertyEditor> editor = host_.GetPropertyEditor(component, "About");
    ASSERT_TRUE(editor);
    EXPECT_STREQ(editor->ClassName(), "TkxAboutProperty");
    EXPECT_EQ(editor->GetValue(), "(About)") << held;
    EXPECT_EQ(editor->GetAttributes(), TPropertyAttributes{paDialog});
    EXPECT_EQ(editor->GetAttributes().bits(), 1u << 2);
    EXPECT_EQ(editor->GetName(), "About");
    EXPECT_EQ(editor->GetEditLimit(), 255);  // the base's
  }
  // Another property of the component gets the base editor.
  EXPECT_EQ(host_.GetPropertyEditor(component, "VisiMode")->GetValue(), "(unknown)");
}

TEST_F(PackageTest, AboutBoxClosesItselfAfter5000msWithResultOneAndIsFreed) {
  struct Seen {
    std::string top, bottom, version;
    bool top_centred = false, bottom_centred = false, version_visible = false, timer_on = false;
    bool combo_hidden = false, bar_hidden = false;
    std::int64_t closed_at = -1;
    int result = 0;
  } seen;
  platform_->OnPump([&] {
    TForm* box = Screen->ActiveForm();
    if (!box || !box->Modal()) return;
    auto* label2 = dynamic_cast<TLabel*>(box->FindComponent("Label2"));
    auto* label3 = dynamic_cast<TLabel*>(box->FindComponent("Label3"));
    auto* label4 = dynamic_cast<TLabel*>(box->FindComponent("Label4"));
    auto* timer = dynamic_cast<TTimer*>(box->FindComponent("Timer2"));
    ASSERT_TRUE(label2 && label3 && label4 && timer);
    if (seen.top.empty()) {
      seen.top = label3->FCaption;
      seen.top_centred = label3->FAlign == alTop && label3->FAlignment == taCenter;
      seen.bottom = label2->FCaption;
      seen.bottom_centred = label2->FAlign == alBottom && label2->FAlignment == taCenter;
      seen.version = label4->FCaption;
      seen.version_visible = label4->FVisible;
      seen.timer_on = timer->FEnabled;
      seen.combo_hidden = !dynamic_cast<TControl*>(box->FindComponent("cmbLang"))->FVisible;
      seen.bar_hidden = !dynamic_cast<TControl*>(box->FindComponent("prgBar"))->FVisible;
    }
    if (box->FModalResult != mrNone && seen.closed_at < 0) {
      seen.closed_at = platform_->NowMs();
      seen.result = box->FModalResult;
      EXPECT_FALSE(timer->FEnabled);
    }
  });
  TComponent* component = host_.CreateComponent("TkxSorvelU");
  host_.GetPropertyEditor(component, "About")->Edit();
  platform_->OnPump(nullptr);

  EXPECT_EQ(seen.closed_at, 5000);
  EXPECT_EQ(seen.result, mrOk);
  EXPECT_EQ(seen.version, "          Version     0.8.3.6");
  EXPECT_EQ(seen.version.size(), 29u);
  EXPECT_NE(seen.top.find("kxSorvel"), std::string::npos);
  EXPECT_FALSE(seen.bottom.empty());
  EXPECT_TRUE(seen.top_centred && seen.bottom_centred && seen.version_visible && seen.timer_on);
  EXPECT_TRUE(seen.combo_hidden && seen.bar_hidden);
  EXPECT_EQ(Screen->FormCount(), 0);  // freed before Edit returned
  const std::vector<std::string>& log = platform_->log();
  EXPECT_NE(std::find(log.begin(), log.end(), "t=0 show kxProgress"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "t=5000 destroy kxProgress"), log.end());
  EXPECT_EQ(platform_->NowMs(), 5000);
}

TEST_F(PackageTest, CarriesItsBitmapFormDescriptionAndVersion) {
  const KxPackageInfo& info = host_.PackageInfo(package_);
  EXPECT_STREQ(info.Version, "0.8.3.6");
  EXPECT_NE(std::string(info.Description).find("kxSorvel"), std::string::npos);
  ASSERT_EQ(info.UnitCount, 2);
  EXPECT_STREQ(info.Units[0].Name, "kxSorvelU");

  const KxPackageResource* bitmap = FindResource(info, "BITMAP", "TKXSORVELU");
  ASSERT_TRUE(bitmap);
  auto u32 = [&](int at) { std::uint32_t v; std::memcpy(&v, bitmap->Data + at, 4); return v; };
  auto u16 = [&](int at) { std::uint16_t v; std::memcpy(&v, bitmap->Data + at, 2); return v; };
  EXPECT_EQ(u32(0), 40u);  // the bitmap header
  EXPECT_EQ(u32(4), 24u);  // width
  EXPECT_EQ(u32(8), 24u);  // height
  EXPECT_EQ(u16(12), 1);   // planes
  EXPECT_EQ(u16(14), 4);   // bits per pixel: 16 colours
  EXPECT_EQ(bitmap->Size, 40u + 16 * 4 + 24 * 12);

  const KxPackageResource* form = FindResource(info, "RCDATA", "TKXPROGRESS");
  ASSERT_TRUE(form);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(form->Data), 31), "object kxProgress: TkxProgress\n");
  const KxPackageResource* version = FindResource(info, "VERSION", "1");
  ASSERT_TRUE(version);
  EXPECT_NE(std::string(reinterpret_cast<const char*>(version->Data), version->Size).find("FileVersion=0.8.3.6"),
            std::string::npos);
  EXPECT_TRUE(FindResource(info, "RCDATA", "DESCRIPTION"));
  EXPECT_TRUE(FindResource(info, "ICON", "MAINICON"));
}

TEST(PackageLoading, LoadingAndUnloadingAgainAndAgainLeavesNothingBehind) {
  ScopedVirtualPlatform platform;
  int records = LiveTypeInfoRecords();
  TDesignHost host;
  for (int i = 0; i < 5; ++i) {
    int package = host.LoadPackage(KX_PACKAGE_PATH);
    EXPECT_EQ(LiveTypeInfoRecords(), records + 1);
    EXPECT_THROW(host.LoadPackage(KX_PACKAGE_PATH), EPackageError);  // once at a time
    host.CreateComponent("TkxSorvelU");  // freed with its package
    host.UnloadPackage(package);
    EXPECT_EQ(LiveTypeInfoRecords(), records);
    EXPECT_TRUE(host.Palette().empty());
    EXPECT_TRUE(host.PropertyEditors().empty());
    EXPECT_EQ(dlopen(KX_PACKAGE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);  // really gone
  }
  EXPECT_EQ(CurrentDesignRegistry(), nullptr);
  EXPECT_THROW(host.LoadPackage("/nonexistent/libkxsorvel.so"), EPackageError);
}

TEST(PackageOnATerminal, AboutBoxIsFramedAndAKeyClosesIt) {
  PtyChild child([] {
    UseTerminalBackend();
    TDesignHost host;
    host.LoadPackage(KX_PACKAGE_PATH);
    host.GetPropertyEditor(host.CreateComponent("TkxSorvelU"), "About")->Edit();
    std::printf("closed\n");
    return 0;
  });
  ASSERT_TRUE(child.WaitFor("Version     0.8.3.6")) << child.output();
  child.WaitFor("+\r\n", 500);  // the frame's bottom edge
  const std::string& out = child.output();
  EXPECT_NE(out.find("|            Version     0.8.3.6 "), std::string::npos) << out;
  EXPECT_NE(out.find("|   kxSorvel - table maintenance"), std::string::npos) << out;
  EXPECT_NE(out.find("+-----"), std::string::npos);
  child.Type("x");
  EXPECT_TRUE(child.WaitFor("closed", 2000));  // well before the timer's 5000 ms
  EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
}  // namespace kx
