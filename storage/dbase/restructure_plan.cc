// PlanDbfRestructure: see restructure_plan.h.
#include "storage/dbase/restructure_plan.h"

#include <cstdio>

#include "storage/api/codes.h"
#include "storage/core/lang/lang_driver.h"
#include "storage/core/lang/transliteration.h"
#include "storage/dbase/dbf_header_builder.h"
#include "storage/dbase/dbf_level.h"
#include "storage/dbase/dbf_table.h"
#include "storage/dbase/memo_file.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

enum class Property { kNone, kLevel, kBlockSize, kLangDriver };

constexpr std::uint32_t kMaxBlockSize = 32 * 512;

Status BadValue(const std::string& property, const std::string& value, const std::string& why) {
  return Status::Error(DBIERR_INVALIDVALUE,
                       "invalid value '" + value + "' for " + property + ": " + why, std::string(),
                       property + " " + value);
}

// A whole decimal number, blanks around it allowed.
bool ParseWholeNumber(const std::string& text, long* out) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  bool negative = false;
  if (b < e && (text[b] == '+' || text[b] == '-')) negative = text[b++] == '-';
  if (b == e) return false;
  long v = 0;
  for (std::size_t i = b; i < e; ++i) {
    if (text[i] < '0' || text[i] > '9' || v > 100000000) return false;
    v = v * 10 + (text[i] - '0');
  }
  *out = negative ? -v : v;
  return true;
}

Status ParseProperty(const std::string& name, Property* out) {
  const std::string lower = AsciiLower(name);
  if (lower.empty()) *out = Property::kNone;
  else if (lower == "level") *out = Property::kLevel;
  else if (lower == "block size") *out = Property::kBlockSize;
  else if (lower == "langdriver") *out = Property::kLangDriver;
  else {
    return Status::Error(DBIERR_INVALIDOPTPARAM,
                         "unknown table property '" + name +
                             "' (LEVEL, BLOCK SIZE and LANGDRIVER can be changed)",
                         std::string(), name);
  }
  return Status::OK();
}

// The driver the table's data is in: the recorded one, the default when
// none is recorded, null when byte 29 (or the level-7 name) names none the
// catalogue knows.
const LangDriver* DataDriver(const DbfHeader& h) {
  if (h.driver != nullptr) return h.driver;
  if (h.ldid == 0 && h.lang_driver.empty()) return &DefaultDbaseLangDriver();
  return nullptr;
}

std::string ByteText(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

// A catalogue refusal names the driver in context 0, where the table's path
// goes: it moves to context 1.
Status DriverRefused(const Status& s) {
  return Status::Error(s.code(), s.message(), std::string(), s.context(0));
}

// The driver a table of `level` records for data in `driver`: the same when
// the level can record it, else its code page's driver of the level's family.
Status DriverForLevel(const LangDriver& driver, int level, const LangDriver** out) {
  Status s = CheckLangDriverForDbaseLevel(level, driver);
  if (s.ok()) {
    *out = &driver;
    return s;
  }
  for (LangFamily family : {LangFamily::kDbase, LangFamily::kFoxPro}) {
    const LangDriver* d = DefaultLangDriverFor(driver.code_page, family);
    if (d != nullptr && CheckLangDriverForDbaseLevel(level, *d).ok()) {
      *out = d;
      return Status::OK();
    }
  }
  return s;
}

// Byte 29 for `driver` at `level`. Level 3 records the LDID like the other
// levels, so that converted data is read right by us and by other readers,
// with one exception: without a memo file, byte 0 is the only mark of level
// 3 (0x03 with a driver byte reads as level 4), and 0 is read as DBWINUS0,
// so DBWINUS0 is written as 0 there, as engine-made level-3 tables have it.
std::uint8_t LangByte(int level, const LangDriver& driver, bool memo_file) {
  if (level == 3 && !memo_file && &driver == &DefaultDbaseLangDriver()) return 0;
  return DbaseHeaderLangByte(level, driver);
}

std::string WithExtension(const std::string& path, const char* lower_ext) {
  const std::string base = BaseName(path);
  const std::string stem = TableStem(path);
  const std::string old_ext = base.size() > stem.size() ? base.substr(stem.size() + 1) : "";
  bool upper = !old_ext.empty() && old_ext[0] >= 'A' && old_ext[0] <= 'Z';
  std::string ext = lower_ext;
  if (upper) {
    for (char& c : ext) c = static_cast<char>(c - 'a' + 'A');
  }
  return JoinPath(DirName(path), stem + "." + ext);
}

std::uint32_t BlockSizeForKind(MemoKind kind, std::uint32_t old_size) {
  switch (kind) {
    case MemoKind::kDbt3: return 512;
    case MemoKind::kDbt4:
      return old_size % 512 == 0 && old_size >= 512 && old_size <= kMaxBlockSize ? old_size : 512;
    case MemoKind::kFpt:
      return old_size > 32 && old_size <= kMaxBlockSize ? old_size : 64;
    case MemoKind::kNone: break;
  }
  return 0;
}

Status ParseBlockSize(const DbfTable& t, const std::string& value, std::uint32_t* out) {
  long n = 0;
  const std::string property = "BLOCK SIZE";
  if (!ParseWholeNumber(value, &n)) return BadValue(property, value, "not a whole number");
  const MemoKind kind = t.header().memo_kind;
  if (kind == MemoKind::kNone) {
    return Status::Error(DBIERR_NOTSUPPORTED,
                         "BLOCK SIZE: the table has no memo file, so it has no block size");
  }
  if (kind == MemoKind::kDbt3) {
    return Status::Error(DBIERR_NOTSUPPORTED,
                         "BLOCK SIZE: a level 3 memo file has fixed 512-byte blocks");
  }
  if (kind == MemoKind::kFpt) {
    if (n >= 1 && n <= 32) n *= 512;  // FoxPro's convention: 1-32 count 512-byte units
    if (n < 33 || n > static_cast<long>(kMaxBlockSize)) {
      return BadValue(property, value, "an .fpt block size is 1-32 (x 512) or 33-16384 bytes");
    }
  } else if (n < 512 || n > static_cast<long>(kMaxBlockSize) || n % 512 != 0) {
    return BadValue(property, value, "a .dbt block size is a multiple of 512 from 512 to 16384");
  }
  *out = static_cast<std::uint32_t>(n);
  return Status::OK();
}

}  // namespace

Status PlanDbfRestructure(DbfTable* table, const RestructureRequest& request,
                          DbfRestructurePlan* out) {
  *out = DbfRestructurePlan();
  DbfRestructurePlan& plan = *out;
  const DbfHeader& h = table->header();
  const TableInfo& info = table->Info();
  Property property;
  Status s = ParseProperty(request.property, &property);
  if (!s.ok()) return s;

  plan.pack = request.pack;
  plan.level_before = h.level;
  plan.lang_before = h.lang_driver;
  plan.block_size_before = info.memo_block_size;
  int level = h.level;
  const LangDriver* data_driver = DataDriver(h);
  const LangDriver* new_driver = data_driver;
  std::uint32_t block_size = info.memo_block_size;
  plan.summary = request.pack ? "pack" : "rewrite";

  switch (property) {
    case Property::kNone:
      break;
    case Property::kLevel: {
      long n = 0;
      if (!ParseWholeNumber(request.value, &n)) {
        return BadValue("LEVEL", request.value, "not a whole number");
      }
      if (n != 3 && n != 4 && n != 5 && n != 7 && n != 25) {
        return BadValue("LEVEL", request.value, "a dBASE-family level is 3, 4, 5, 7 or 25");
      }
      level = static_cast<int>(n);
      plan.summary = "level " + std::to_string(h.level) + " to " + std::to_string(level);
      break;
    }
    case Property::kBlockSize:
      s = ParseBlockSize(*table, request.value, &block_size);
      if (!s.ok()) return s;
      plan.summary = "memo block size " + std::to_string(info.memo_block_size) + " to " +
                     std::to_string(block_size);
      break;
    case Property::kLangDriver:
      new_driver = FindLangDriverByName(request.value);
      if (new_driver == nullptr) {
        return Status::Error(DBIERR_INVALIDLANGDRV,
                             "invalid language driver: '" + request.value +
                                 "' is no language driver of the catalogue",
                             std::string(), request.value);
      }
      s = CheckLangDriverForDbaseLevel(level, *new_driver);
      if (!s.ok()) return DriverRefused(s);
      if (data_driver == nullptr) {
        return Status::Error(DBIERR_CANNOTCONVERT,
                             "the table's language driver (byte 29 = " + ByteText(h.ldid) +
                                 ") is not known, so its data cannot be converted");
      }
      plan.summary = "language driver " + std::string(data_driver->name) + " to " +
                     std::string(new_driver->name);
      break;
  }
  plan.level_after = level;
  plan.level_change = level != h.level;
  if (plan.level_change && new_driver != nullptr) {
    s = DriverForLevel(*new_driver, level, &new_driver);
    if (!s.ok()) return DriverRefused(s);
  }
  if (plan.level_change && new_driver == nullptr && (level == 25) != h.foxpro) {
    return Status::Error(DBIERR_INVALIDLANGDRV,
                         "the table's language driver (byte 29 = " + ByteText(h.ldid) +
                             ") is not known, so a level " + std::to_string(level) +
                             " table cannot record it");
  }
  if (data_driver != nullptr && new_driver != data_driver &&
      data_driver->code_page != new_driver->code_page) {
    plan.text = &Transliteration::Between(data_driver->code_page, new_driver->code_page);
  }

  // Fields: what the target holds, and what each needs done.
  std::vector<DbfField> fields = h.fields;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    DbfField& f = fields[i];
    FieldMove move;
    move.field = i;
    if (plan.level_change) {
      if (level == 3 && f.type == 'F') {  // same text encoding; values checked on the way
        f.type = 'N';
        move.action = FieldAction::kNumericText;
      }
      s = CheckFieldFitsLevel(f, level);
      if (!s.ok()) return s;
    }
    if (f.is_memo) {
      move.action = FieldAction::kMemo;
      move.memo_text = f.type == 'M';
      move.fpt_type = f.type == 'M' ? 1 : f.type == 'G' ? 2 : 0;
    } else if (f.type == 'C' && plan.text != nullptr) {
      move.action = FieldAction::kText;
    }
    if (move.action != FieldAction::kCopy) plan.moves.push_back(move);
  }

  // The new header.
  const bool memo_file = table->memo() != nullptr;
  if (plan.level_change) {
    DbfHeaderSpec spec;
    spec.level = level;
    spec.fields = fields;
    spec.memo_file = memo_file;
    if (new_driver != nullptr) {
      spec.lang_byte = LangByte(level, *new_driver, memo_file);
      spec.lang_name = std::string(new_driver->name);
    } else {  // unknown driver, same family: its byte travels as it is
      spec.lang_byte = h.ldid;
      spec.lang_name = h.level == 7 ? h.lang_driver : std::string();
    }
    s = BuildDbfHeader(spec, &plan.target);
    if (s.code() == DBIERR_INVALIDPARAM) {  // the fields as a whole do not fit the level
      return Status::Error(DBIERR_CANNOTCONVERT, "level " + std::to_string(level) + ": " +
                                                     s.message());
    }
    if (!s.ok()) return s;
  } else {
    plan.target = h;
    if (property == Property::kLangDriver) {
      plan.target.SetLangDriver(LangByte(level, *new_driver, memo_file),
                                std::string(new_driver->name));
    }
  }
  plan.lang_after = plan.target.lang_driver;

  // The new memo file.
  if (memo_file) {
    const MemoKind old_kind = h.memo_kind;
    plan.memo_kind = plan.target.memo_kind;
    plan.memo_block_size =
        property == Property::kBlockSize
            ? block_size
            : plan.memo_kind == old_kind ? info.memo_block_size
                                         : BlockSizeForKind(plan.memo_kind, info.memo_block_size);
    plan.memo_verbatim = plan.memo_kind == old_kind && plan.memo_block_size == info.memo_block_size;
    plan.memo_header = plan.memo_verbatim
                           ? table->memo()->header()
                           : FreshMemoHeader(plan.memo_kind, plan.memo_block_size,
                                             TableStem(info.path));
    const bool fpt = plan.memo_kind == MemoKind::kFpt;
    if (fpt == (old_kind == MemoKind::kFpt)) {
      plan.memo_path = info.memo_file;
    } else {
      plan.memo_path = WithExtension(info.memo_file, fpt ? "fpt" : "dbt");
      plan.memo_removed = info.memo_file;
      const std::string wanted = AsciiLower(BaseName(plan.memo_path));
      for (const std::string& entry : table->lock()->dir_entries()) {
        if (AsciiLower(entry) == wanted) {
          return Status::Error(DBIERR_WRITEERR,
                               "a file '" + entry + "' that is not the table's memo file holds " +
                                   "the name the level " + std::to_string(level) +
                                   " memo file needs; move it away first",
                               std::string(), entry);
        }
      }
    }
  }
  return Status::OK();
}

}  // namespace kx::storage
