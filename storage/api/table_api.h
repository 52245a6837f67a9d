// The storage engine's face to the engine layer: open, inspect, pack and
// restructure tables on disk. Everything here is synchronous and runs on the
// caller's thread. Paths name the table's data file (".dbf"); member files
// (memo, indexes) are found beside it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/api/status.h"

namespace kx::storage {

class Env;  // storage/io/env.h; null means the process-wide POSIX Env
struct PackStats;
struct RegenStats;
struct RestructureRequest;
struct RestructureStats;

// Progress reported by long operations. Every method may be called many
// times; implementations must be cheap. Kinds of RestructureStep follow the
// engine's restructure object kinds (0 none ... 11 new table).
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void PhaseStart(const std::string& what) = 0;   // a phase starts (percent 0)
  virtual void Percent(int percent) = 0;                  // 1..100
  virtual void Message(const std::string& text) = 0;      // a message alone
  virtual void RestructureStep(std::uint32_t kind, const std::string& name) = 0;
};

enum class ShareMode { kShared, kExclusive };

struct FieldInfo {
  std::string name;
  char type = 'C';
  int length = 0;
  int decimals = 0;
};

struct TableInfo {
  std::string path;             // data file
  std::string driver_type;      // "DBASE" or "FOXPRO"
  int level = 0;                // 3, 4, 5, 7, 25
  int version_byte = 0;
  std::uint32_t memo_block_size = 0;  // bytes; 0 when there is no memo file
  std::string lang_driver;      // engine driver name, empty when none is recorded
  std::uint32_t record_count = 0;
  std::uint32_t deleted_count = 0;
  std::uint16_t header_length = 0;
  std::uint16_t record_length = 0;
  std::vector<FieldInfo> fields;
  std::string memo_file;        // full path, empty when none
  // Full paths of the index files that belong to the table: its production
  // .mdx / structural .cdx (header flag), the .ndx/.idx files its .inf lists
  // and those the application named (OpenOptions).
  std::vector<std::string> index_files;
  // Index files that belong to the table but are absent (a production flag
  // without its file, an .inf entry without its file): a pack, restructure
  // or regeneration refuses such a table with DBIERR_NOSUCHINDEX.
  std::vector<std::string> missing_index_files;
  bool production_index_flag = false;
  std::uint64_t bytes = 0;      // data + memo + index files
};

// How a table is opened beyond its path and share mode.
struct OpenOptions {
  // Index files the application attaches to the table besides those the
  // table names itself: names in the table's folder (any letter case) or
  // absolute paths into it; .ndx, .idx, .mdx or .cdx. A name that is not
  // there gives DBIERR_NOSUCHINDEX (0x220D), one outside the table's folder
  // or of another kind DBIERR_INVALIDPARAM. They are rebuilt by a pack, a
  // restructure and a regeneration like the table's own.
  std::vector<std::string> index_files;
};

// An open table: holds its lock (shared or exclusive) until destroyed.
// Info() is read at open (deleted_count counts the records flagged '*').
class OpenTable {
 public:
  virtual ~OpenTable() = default;
  virtual const TableInfo& Info() const = 0;
  // Packs the table through this handle (see Pack below). REQUIRES: opened
  // kExclusive, else DBIERR_INVALIDPARAM. On success the handle stays open
  // and locked on the new files and Info() describes them. After a failure
  // past the commit point (an error code, but the table reads as NEW at its
  // next open) the handle should be closed and the table reopened.
  virtual Status Pack(ProgressSink* progress, PackStats* stats) = 0;
  // Restructures the table through this handle (see Restructure below).
  // REQUIRES: opened kExclusive, else DBIERR_INVALIDPARAM. Afterwards as
  // for Pack: on success the handle is open and locked on the new files.
  virtual Status Restructure(const RestructureRequest& request, ProgressSink* progress,
                             RestructureStats* stats) = 0;
  // Regenerates the table's indexes through this handle (see RegenIndexes
  // below). REQUIRES: opened kExclusive, else DBIERR_INVALIDPARAM. The
  // handle stays open and locked; Info() describes the new files.
  virtual Status RegenIndexes(ProgressSink* progress, RegenStats* stats) = 0;
};

// Opens a table: resolves symlinks, locks the data file (shared: other
// shared users allowed; exclusive: nobody else), finishes or rolls back an
// interrupted pack, then reads the header and opens the memo file. Codes:
// DBIERR_NOSUCHTABLE, DBIERR_FILEBUSY, DBIERR_NOMEMOFILE, corrupt codes
// 0x2301-0x2303, DBIERR_ENCRYPTED, DBIERR_NOTSUPPORTED, I/O codes.
Status Open(Env* env, const std::string& path, ShareMode mode, std::unique_ptr<OpenTable>* out);
// The same, with the application's index files (OpenOptions): besides the
// codes above, DBIERR_NOSUCHINDEX and DBIERR_INVALIDPARAM for them.
Status Open(Env* env, const std::string& path, ShareMode mode, const OpenOptions& options,
            std::unique_ptr<OpenTable>* out);

// Reads a table's description without keeping it open (takes a shared lock
// for the duration, runs recovery first when it can).
Status Describe(Env* env, const std::string& path, TableInfo* out);
Status Describe(Env* env, const std::string& path, const OpenOptions& options, TableInfo* out);

struct PackStats {
  std::uint32_t records_before = 0;
  std::uint32_t records_after = 0;
  std::uint64_t bytes_before = 0;
  std::uint64_t bytes_after = 0;
  std::uint64_t memo_bytes_reclaimed = 0;
};

// Packs the table: drops deleted records, compacts the memo file, writes
// the new family of files beside the old one and commits it crash-safely.
// Takes the exclusive lock itself (busy: 0x2803). Never rewrites a table
// whose data or memo is corrupt. Every index file that belongs to the table
// (TableInfo::index_files) is rebuilt from the new records and committed
// with them, as RegenIndexes rebuilds it; an index that belongs but is
// absent refuses the pack with DBIERR_NOSUCHINDEX (0x220D) naming it, an
// index whose definitions cannot be read or evaluated with its reader's
// code (0x2305) or DBIERR_INDEXNOTSUPPORTED (0x3002); a hard-linked member
// with 0x2407. Progress: PhaseStart, Percent in about 1% steps, then a
// PhaseStart per index tag as RegenIndexes gives them, a closing Message.
// `progress` and `stats` may be null.
Status Pack(Env* env, const std::string& path, ProgressSink* progress, PackStats* stats);
Status Pack(Env* env, const std::string& path, const OpenOptions& options,
            ProgressSink* progress, PackStats* stats);

// One change of a table-level property, optionally with a pack.
//   property  "LEVEL", "BLOCK SIZE" or "LANGDRIVER", any letter case (whole
//             text: "level " is not a name); empty: no property, only the
//             pack (or a plain rewrite when `pack` is false)
//   value     "LEVEL": 3, 4, 5, 7 or 25 as decimal text.
//             "BLOCK SIZE": the new memo block size in bytes; for a FoxPro
//             .fpt also 1-32, meaning that many 512-byte units.
//             "LANGDRIVER": a driver name of the catalogue (any case).
//   pack      also drop the deleted records (and their memos)
struct RestructureRequest {
  std::string property;
  std::string value;
  bool pack = false;
};

struct RestructureStats {
  std::uint32_t records_before = 0;
  std::uint32_t records_after = 0;
  std::uint64_t bytes_before = 0;      // data + memo files
  std::uint64_t bytes_after = 0;
  std::uint64_t memo_bytes_reclaimed = 0;
  std::uint32_t memos_copied = 0;
  int level_before = 0, level_after = 0;
  std::string lang_before, lang_after;  // driver names, empty when none recorded
  std::uint32_t block_size_before = 0, block_size_after = 0;  // memo block size, 0: no memo file
};

// Rewrites the table's family (data and memo file) in the form the request
// asks for and commits it crash-safely, as Pack does; Pack is the request
// with no property and `pack` set. Takes the exclusive lock itself (busy:
// 0x2803). Whatever fails leaves the table byte-for-byte as it was.
//
// LEVEL: new header layout, version byte, date convention, language byte
// (and level-7 name), memo file of the level (.dbt III, .dbt IV, .fpt: a
// memo file that changes kind is created under its new name and the old one
// removed in the same commit). Fields the target cannot hold give
// DBIERR_CANNOTCONVERT naming the field; F becomes N at level 3 when the
// width fits and every value is plain decimal text (else CANNOTCONVERT
// naming record and field). A memo holding the byte 0x1A cannot become a
// dBASE III memo (CANNOTCONVERT). The driver is kept when the target level
// can record it, else replaced by its code page's driver of the target's
// family; none: DBIERR_INVALIDLANGDRV.
// LANGDRIVER: character fields and text memos (M) are transliterated from
// the old driver's code page to the new one; B, G and P memos are copied
// as they are. The first character the new code page lacks gives
// DBIERR_CANNOTCONVERT with context "record N, field NAME". An unknown
// name, or a driver of another family, is DBIERR_INVALIDLANGDRV (10043).
// BLOCK SIZE: the memo file is rewritten with the new block size. Level 3
// (fixed 512-byte blocks) and tables without a memo file give
// DBIERR_NOTSUPPORTED (0x3001). .dbt IV: a multiple of 512, 512-16384;
// .fpt: 1-32 (x 512) or 33-16384 bytes; otherwise DBIERR_INVALIDVALUE.
// Unknown property: DBIERR_INVALIDOPTPARAM (0x270A); a value that is no
// whole number or no level: DBIERR_INVALIDVALUE (0x2712).
// Indexes: every index of the table is rebuilt for the new records, as for
// Pack; after a level change the production index takes the level's format
// (.mdx at levels 3-7, structural .cdx at 25; the file of the other format
// is removed in the same commit), after a driver change character tags of
// .mdx/.ndx files sort by the new driver. A tag the new format cannot hold
// is DBIERR_INDEXNOTSUPPORTED naming it. Also as Pack: missing indexes
// 0x220D, hard links 0x2407, corrupt data or memo 0x2301-0x2303, I/O and
// space codes.
// Progress: RestructureStep(11, "Table") when the new table is created,
// PhaseStart, RestructureStep(0, "") as records are processed, Percent at
// most once per whole percent, and a closing Message. `progress` and
// `stats` may be null. The context of an error: 0 the table's path, 1 the
// field or "record N, field NAME" where one is at fault.
Status Restructure(Env* env, const std::string& path, const RestructureRequest& request,
                   ProgressSink* progress, RestructureStats* stats);
Status Restructure(Env* env, const std::string& path, const OpenOptions& options,
                   const RestructureRequest& request, ProgressSink* progress,
                   RestructureStats* stats);

struct RegenStats {
  std::uint32_t index_files = 0;  // files rewritten
  std::uint32_t tags = 0;         // tags rebuilt (an .ndx or .idx is one)
  std::uint64_t keys = 0;         // keys written, all tags
};

// Regenerates every index that belongs to the table (TableInfo::index_files)
// from its records: one pass over the data file feeds every tag's sorter
// (memory bounded, sorted runs spilled beside the table for large tables),
// then each file is written bottom-up in its own format to a temp and all
// of them are committed as one family (pack_protocol.md). Only index files
// are replaced; data and memo are not touched. An index file whose trees
// are damaged is rebuilt (that is what this is for); its definitions (file
// header and tag headers) must be readable, else its reader's code
// (DBIERR_INDEXCORRUPT 0x2305) naming it. A table without indexes: OK,
// nothing written. Deleted records are indexed, as dBASE keeps them. Takes
// the exclusive lock itself (busy: 0x2803). Codes also: DBIERR_NOSUCHINDEX
// (an index that belongs but is absent), DBIERR_INDEXNOTSUPPORTED (a key or
// FOR expression this engine cannot evaluate, naming file and tag), corrupt
// data 0x2301-0x2302, hard-linked index 0x2407, I/O and space codes.
// Progress: a PhaseStart per tag (an .ndx or .idx file is one tag; an .mdx
// or .cdx one per tag), in file order, then Percent in whole percents; the
// first phase also covers the pass over the records. A closing Message.
// `progress` and `stats` may be null.
Status RegenIndexes(Env* env, const std::string& path, const OpenOptions& options,
                    ProgressSink* progress, RegenStats* stats = nullptr);

}  // namespace kx::storage
