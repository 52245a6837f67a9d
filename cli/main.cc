// kxsorvel: the command-line face of the maintenance component.
//
//   kxsorvel pack [--visible] [--show-result] TABLE
//   kxsorvel info [--json] TABLE
//   kxsorvel --version
//
// Exit status: 0 when the engine's result is 0, 1 when it is not (the
// engine's text and code on stderr), 2 for a usage error.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/info_command.h"
#include "cli/pack_command.h"
#include "engine/real/real_engine.h"

namespace {

constexpr int kUsageError = 2;

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "kxsorvel: %s\n", problem);
  std::fprintf(stderr,
               "usage: kxsorvel pack [--visible] [--show-result] TABLE\n"
               "       kxsorvel info [--json] TABLE\n"
               "       kxsorvel --version\n");
  return kUsageError;
}

struct Args {
  std::vector<std::string> flags;
  std::vector<std::string> operands;
  bool Has(const char* flag) const {
    for (const auto& f : flags)
      if (f == flag) return true;
    return false;
  }
};

Args Split(int argc, char** argv, int first) {
  Args a;
  bool operands_only = false;
  for (int i = first; i < argc; ++i) {
    std::string s = argv[i];
    if (!operands_only && s == "--")
      operands_only = true;
    else if (!operands_only && s.size() > 2 && s.compare(0, 2, "--") == 0)
      a.flags.push_back(s);
    else
      a.operands.push_back(s);
  }
  return a;
}

// Returns the first flag of `a` that is not in `allowed`, or null.
const char* UnknownFlag(const Args& a, std::initializer_list<const char*> allowed) {
  for (const auto& f : a.flags) {
    bool ok = false;
    for (const char* x : allowed) ok = ok || f == x;
    if (!ok) return f.c_str();
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(nullptr);
  std::string command = argv[1];
  if (command == "--version" || command == "version") {
    std::printf("%s\n", KX_VERSION);
    return 0;
  }
  if (command == "--help" || command == "help") {
    Usage(nullptr);
    return 0;
  }
  Args args = Split(argc, argv, 2);
  kx::UseRealEngine();

  if (command == "pack") {
    if (const char* f = UnknownFlag(args, {"--visible", "--show-result"}))
      return Usage((std::string("unknown option ") + f).c_str());
    if (args.operands.size() != 1) return Usage("pack takes one TABLE");
    return kx::cli::RunPack(args.operands[0], args.Has("--visible"), args.Has("--show-result"));
  }
  if (command == "info") {
    if (const char* f = UnknownFlag(args, {"--json"}))
      return Usage((std::string("unknown option ") + f).c_str());
    if (args.operands.size() != 1) return Usage("info takes one TABLE");
    return kx::cli::RunInfo(args.operands[0], args.Has("--json"));
  }
  return Usage(("unknown command " + command).c_str());
}
