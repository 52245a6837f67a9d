#include "cli/engine_commands.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "cli/report.h"
#include "component/kx_sorvel.h"
#include "engine/dbi.h"
#include "platform/platform.h"

namespace kx::cli {
namespace {

// The system platform with its message boxes taken as text.
class CapturingPlatform : public Platform {
 public:
  std::unique_ptr<Platform> inner;
  std::string text;

  std::int64_t NowMs() override { return inner->NowMs(); }
  void Sleep(std::uint32_t ms) override { inner->Sleep(ms); }
  int MessageBox(const std::string& t, const std::string&, std::uint32_t) override {
    text = t;
    return 1;  // IDOK
  }
  void PollInput(TApplication& app) override { inner->PollInput(app); }
  bool WaitForWork(std::int64_t deadline_ms) override { return inner->WaitForWork(deadline_ms); }
  WindowBackend& Backend() override { return inner->Backend(); }
};

bool ParseCode(const std::string& s, unsigned* code) {
  if (s.empty()) return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(s.c_str(), &end, 0);
  if (*end != '\0' || s[0] == '-' || v > 0xFFFF) return false;
  *code = static_cast<unsigned>(v);
  return true;
}

}  // namespace

int RunLangDrivers() {
  hDBICur cur = nullptr;
  DBIResult r = DbiInit(nullptr);
  if (r == 0) r = DbiOpenLdList(&cur);
  if (r != 0) return ReportFailure("language drivers", r);
  LDDesc d;
  while (DbiGetNextRecord(cur, dbiNOLOCK, &d, nullptr) == 0)
    std::printf("%-10s %5u  %s\n", d.szName, d.iCodePage, d.szDesc);
  DbiCloseCursor(&cur);
  return 0;
}

int RunExplain(const std::string& arg) {
  unsigned code = 0;
  if (!ParseCode(arg, &code)) {
    std::fprintf(stderr, "kxsorvel: explain: '%s' is not a result code (0-65535 or 0x0-0xFFFF)\n",
                 arg.c_str());
    return 2;
  }
  if (code == 0) {
    std::printf("0: success; no report is shown.\n");
    return 0;
  }
  UseHeadlessBackend();
  auto capture = std::make_unique<CapturingPlatform>();
  CapturingPlatform* cap = capture.get();
  cap->inner = InstallPlatform(std::move(capture));
  TkxSorvelU sorvel(nullptr);
  sorvel.Chk(static_cast<DBIResult>(code));
  std::string text = cap->text;
  for (std::size_t p; (p = text.find("\r\n")) != std::string::npos;) text.erase(p, 1);
  const char* name = ResultName(static_cast<std::uint16_t>(code));
  std::printf("%s\n%u (0x%04X)%s%s\n", text.c_str(), code, code, name ? " " : "", name ? name : "");
  InstallPlatform(std::move(cap->inner));
  return 0;
}

}  // namespace kx::cli
