// kxsorvel: the command-line face of the maintenance component.
//
// Operations on a table go through the component TkxSorvelU, exactly as an
// application would call it; the listing commands ask the engine. Exit
// status: 0 when the engine's result is 0, 1 when it is not (the engine's
// text and code on stderr), 2 for a usage error.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/engine_commands.h"
#include "cli/info_command.h"
#include "cli/operation.h"
#include "cli/set_command.h"
#include "design/about_property.h"
#include "engine/real/real_engine.h"
#include "platform/platform.h"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: kxsorvel pack [--visible] [--show-result] [--index FILE]... TABLE\n"
    "       kxsorvel reindex [--visible] [--show-result] [--index FILE]... TABLE\n"
    "       kxsorvel set [--visible] [--index FILE]... TABLE level|block-size|langdriver VALUE\n"
    "       kxsorvel pick [--visible] [--show-result] [--index FILE]... "
    "level|block-size|langdriver TABLE\n"
    "       kxsorvel info [--json] [--index FILE]... TABLE\n"
    "       kxsorvel langdrivers\n"
    "       kxsorvel explain CODE\n"
    "       kxsorvel about\n"
    "       kxsorvel --version\n";

int Usage(const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "kxsorvel: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return kUsageError;
}

struct Args {
  std::vector<std::string> flags;
  std::vector<std::string> operands;
  std::vector<std::string> index_files;  // --index FILE, any number

  bool Has(const char* flag) const {
    for (const auto& f : flags)
      if (f == flag) return true;
    return false;
  }
  // The first flag not in `allowed`, or "".
  std::string Unknown(std::initializer_list<const char*> allowed) const {
    for (const auto& f : flags) {
      bool ok = false;
      for (const char* a : allowed) ok = ok || f == a;
      if (!ok) return f;
    }
    return {};
  }
  kx::cli::Switches SwitchesGiven() const {
    return {Has("--visible"), Has("--show-result"), index_files};
  }
};

Args Split(int argc, char** argv) {
  Args a;
  bool operands_only = false;
  for (int i = 2; i < argc; ++i) {
    std::string s = argv[i];
    if (!operands_only && s == "--") {
      operands_only = true;
    } else if (!operands_only && s.rfind("--index=", 0) == 0) {
      a.flags.push_back("--index");
      a.index_files.push_back(s.substr(8));
    } else if (!operands_only && s == "--index") {
      a.flags.push_back("--index");
      if (i + 1 < argc)
        a.index_files.push_back(argv[++i]);
      else
        a.flags.push_back("--index needs a FILE");
    }
    else if (!operands_only && s.size() > 2 && s.compare(0, 2, "--") == 0)
      a.flags.push_back(s);
    else
      a.operands.push_back(s);
  }
  return a;
}

// Checks flags and operand count; returns "" when they fit.
std::string Misfit(const Args& a, std::initializer_list<const char*> flags, std::size_t operands,
                   const char* what) {
  std::string bad = a.Unknown(flags);
  if (!bad.empty()) return "unknown option " + bad;
  if (a.operands.size() != operands) return what;
  return {};
}

int Dispatch(const std::string& command, const Args& a) {
  using kx::TkxSorvelU;
  std::string misfit;
  if (command == "pack") {
    if (!(misfit = Misfit(a, {"--visible", "--show-result", "--index"}, 1, "pack takes one TABLE")).empty())
      return Usage(misfit);
    return kx::cli::RunOperation(a.operands[0], a.SwitchesGiven(),
                                 [](TkxSorvelU& kx) { return kx.QuickPack(); });
  }
  if (command == "reindex") {
    if (!(misfit = Misfit(a, {"--visible", "--show-result", "--index"}, 1, "reindex takes one TABLE")).empty())
      return Usage(misfit);
    return kx::cli::RunOperation(a.operands[0], a.SwitchesGiven(),
                                 [](TkxSorvelU& kx) { return kx.GenIndexs(); });
  }
  if (command == "set") {
    if (!(misfit = Misfit(a, {"--visible", "--index"}, 3, "set takes TABLE PROPERTY VALUE")).empty())
      return Usage(misfit);
    return kx::cli::RunSet(a.operands[0], a.operands[1], a.operands[2], a.SwitchesGiven());
  }
  if (command == "pick") {
    if (!(misfit = Misfit(a, {"--visible", "--show-result", "--index"}, 2, "pick takes PROPERTY TABLE")).empty())
      return Usage(misfit);
    return kx::cli::RunPick(a.operands[0], a.operands[1], a.SwitchesGiven());
  }
  if (command == "info") {
    if (!(misfit = Misfit(a, {"--json", "--index"}, 1, "info takes one TABLE")).empty()) return Usage(misfit);
    return kx::cli::RunInfo(a.operands[0], a.Has("--json"), a.index_files);
  }
  if (command == "langdrivers") {
    if (!(misfit = Misfit(a, {}, 0, "langdrivers takes nothing")).empty()) return Usage(misfit);
    return kx::cli::RunLangDrivers();
  }
  if (command == "explain") {
    if (!(misfit = Misfit(a, {}, 1, "explain takes one CODE")).empty()) return Usage(misfit);
    return kx::cli::RunExplain(a.operands[0]);
  }
  if (command == "about") {
    if (!(misfit = Misfit(a, {}, 0, "about takes nothing")).empty()) return Usage(misfit);
    if (!isatty(STDERR_FILENO)) {  // no window to show: the box's lines as text
      std::printf("%s\n%s\n%s\n", kx::kAboutProductLine, kx::kAboutVersionLine + 10,
                  kx::kAboutLegalLine);
      return 0;
    }
    kx::UseTerminalBackend();
    kx::ShowAboutBox();
    return 0;
  }
  return Usage("unknown command " + command);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("");
  std::string command = argv[1];
  if (command == "--version" || command == "version") {
    std::printf("%s\n", KX_VERSION);
    return 0;
  }
  if (command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  kx::UseRealEngine();
  return Dispatch(command, Split(argc, argv));
}
