#include "cli/set_command.h"

#include <cstdio>

namespace kx::cli {
namespace {

// The engine's property name for the tool's word, or null.
const char* EngineName(const std::string& property) {
  if (property == "level") return "LEVEL";
  if (property == "block-size") return "BLOCK SIZE";
  if (property == "langdriver") return "LANGDRIVER";
  return nullptr;
}

int BadProperty(const std::string& property) {
  std::fprintf(stderr, "kxsorvel: unknown property '%s' (level, block-size or langdriver)\n",
               property.c_str());
  return 2;
}

}  // namespace

int RunSet(const std::string& table, const std::string& property, const std::string& value,
           const Switches& switches) {
  const char* name = EngineName(property);
  if (!name) return BadProperty(property);
  bool refused = false;
  Switches given = switches;
  given.show_result = false;  // AlterTblProp leaves the report to its caller: the tool
  int status = RunOperation(table, given, [&](TkxSorvelU& kx) {
    DBIResult r = kx.AlterTblProp(value.c_str(), name);
    refused = !kx.FPropKnown || !kx.FValueValid;
    return r;
  });
  if (status == 0 && refused) {
    std::fprintf(stderr, "kxsorvel: %s: '%s' is not a value the table's %s can take\n",
                 table.c_str(), value.c_str(), name);
    return 1;
  }
  return status;
}

int RunPick(const std::string& property, const std::string& table, const Switches& switches) {
  if (!EngineName(property)) return BadProperty(property);
  return RunOperation(table, switches, [&](TkxSorvelU& kx) {
    if (property == "level") return kx.AlterTblLevel();
    if (property == "block-size") return kx.AlterBlockSze();
    return kx.AlterLangDrv();
  });
}

}  // namespace kx::cli
