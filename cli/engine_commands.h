// Commands that ask the engine directly, with no table operation: the
// language-driver list and the explanation of a result code.
#pragma once

#include <string>

namespace kx::cli {

// `kxsorvel langdrivers`: one line per driver: name, code page, description.
int RunLangDrivers();

// `kxsorvel explain CODE`: the report the component's Chk would show for
// CODE (decimal or 0x hex), as text on stdout. Returns 2 for a bad CODE.
int RunExplain(const std::string& code);

}  // namespace kx::cli
