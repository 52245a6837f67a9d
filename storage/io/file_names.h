// Every auxiliary file name storage makes, and the recognition of leftovers.
//
// A table is named by its data file D/T.ext. A pack writes each rewritten
// member M as "D/M.~pk", then the commit intent "D/T.~pk.new", renamed to
// "D/T.~pk" at the commit point (see storage/doc/pack_protocol.md).
// Recovery removes leftovers of exactly this table: temps of its known member
// extensions and a torn intent; it never touches another table's files
// (T.X.DBF.~pk is not a leftover of T).
#pragma once

#include <cstdint>
#include <string>

namespace kx::storage {

constexpr const char* kTempSuffix = ".~pk";

// "D/M.~pk" for a member path "D/M".
std::string TempPathFor(const std::string& member_path);
// "T" for "D/T.ext" (the base name without its last extension).
std::string TableStem(const std::string& data_path);
// "D/T.~pk": the committed intent.
std::string IntentPath(const std::string& data_path);
// "D/T.~pk.new": the intent while it is written.
std::string IntentNewPath(const std::string& data_path);
// "D/T.~pk.<n>": scratch file n of a rewrite of the table (index sort runs
// and tree levels, which append ".<m>", and the temp of an index member
// whose name is not the table's stem, such as an NDX named in T.INF).
// Recovery removes them like temps.
std::string ScratchPathFor(const std::string& data_path, std::uint32_t n);

// True when `name`, an entry of the table's directory, is a temp of one of
// the table's members ("T.<member ext>.~pk", extension case ignored), a
// scratch file "T.~pk.<digits and dots>" or the unfinished intent
// "T.~pk.new".
bool IsLeftoverOf(const std::string& stem, const std::string& name);
// True when `name` is a scratch file name of the table (ScratchPathFor).
bool IsScratchOf(const std::string& stem, const std::string& name);
// True when `name` is the committed intent of the table with this stem.
bool IsIntentOf(const std::string& stem, const std::string& name);
// True when `ext` (no dot, any case) names a member file kind storage knows.
bool IsMemberExtension(const std::string& ext);

// Lower-cased copy (ASCII only).
std::string AsciiLower(std::string s);

}  // namespace kx::storage
