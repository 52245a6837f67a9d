// RealEngine: the Engine that works on tables on disk through storage/.
//
// A database is a folder; a table is a data file in it, named with or
// without its extension and found regardless of letter case. Cursors hold
// the storage's open table, and with it the table's shared or exclusive
// lock, until DbiCloseCursor. Long operations report progress through the
// engine's callback registrations.
#pragma once

#include <memory>

#include "engine/engine.h"

namespace kx {

std::unique_ptr<Engine> MakeRealEngine();

// Installs the real engine if no engine is installed yet.
void UseRealEngine();

}  // namespace kx
