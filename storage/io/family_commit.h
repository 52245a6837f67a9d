// FamilyCommit: replace several member files of one table as one step, and
// recover a replacement that a crash interrupted.
//
// Protocol (storage/doc/pack_protocol.md): the caller has written, synced
// and closed every temp ("<member>.~pk", file_names.h) while holding the
// table's exclusive lock. CommitFamily writes and syncs the intent
// "T.~pk.new", renames it to "T.~pk" and syncs the directory (the commit
// point), renames each temp over its member (a member may be new: the temp
// just takes its name), unlinks the members the new family no longer has
// (a memo file whose kind changed), syncs the directory, unlinks the intent
// and syncs the directory again.
//
// RecoverFamily runs under the exclusive lock at every open: a valid intent
// is rolled forward (each temp's size and CRC checked first; a member whose
// temp is gone must already match the intent; members to remove are
// unlinked if still there); otherwise the torn intent and
// every temp of the table are removed. It only renames and unlinks, so it
// needs no free space, and it is idempotent: a crash inside it is repaired
// by running it again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/io/env.h"

namespace kx::storage {

struct StagedMember {
  std::string temp_path;   // same directory as final_path; empty: final_path is removed
  std::string final_path;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;

  bool removal() const { return temp_path.empty(); }
};

// REQUIRES: exclusive lock on the table; temps synced and closed; no intent
// present; removals listed after every replacement. *committed becomes true at the commit point; from then on a
// failure must leave the temps and intent for recovery, and the table reads
// as NEW after the next open. Before it, the caller removes the temps.
Status CommitFamily(Env* env, const std::string& data_path,
                    const std::vector<StagedMember>& members, bool* committed);

// Best-effort removal of temps after a failure before the commit point.
// Returns the first failure (the leftovers are removed at the next open).
Status RemoveTemps(Env* env, const std::vector<std::string>& temp_paths);

// REQUIRES: exclusive lock on the table. `dir_entries` lists the table's
// directory. *changed is set when files were renamed or removed (the caller
// must reopen the data file: its inode may have been replaced).
Status RecoverFamily(Env* env, const std::string& data_path,
                     const std::vector<std::string>& dir_entries, bool* changed);

// Size and CRC-32C of a whole file, read in large chunks.
Status FileChecksum(Env* env, const std::string& path, std::uint64_t* size, std::uint32_t* crc);

}  // namespace kx::storage
