// `kxsorvel info`: opens the table shared, describes it, closes it.
#include "cli/info_command.h"

#include <cstdio>
#include <string>

#include "cli/report.h"
#include "cli/table_path.h"
#include "engine/dbi.h"
#include "engine/kx_ext.h"

namespace kx::cli {
namespace {

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void PrintJson(const KxTableInfo& i) {
  std::printf("{\"path\": %s, \"type\": %s, \"level\": %d, \"block_size\": %u, "
              "\"language_driver\": %s, \"records\": %u, \"deleted\": %u, \"record_length\": %u, ",
              JsonString(i.path).c_str(), JsonString(i.driver_type).c_str(), i.level,
              i.memo_block_size, JsonString(i.lang_driver).c_str(), i.record_count,
              i.deleted_count, i.record_length);
  std::printf("\"memo_file\": %s, \"index_files\": [",
              i.memo_file.empty() ? "null" : JsonString(i.memo_file).c_str());
  for (std::size_t k = 0; k < i.index_files.size(); ++k)
    std::printf("%s%s", k ? ", " : "", JsonString(i.index_files[k]).c_str());
  std::printf("], \"missing_index_files\": [");
  for (std::size_t k = 0; k < i.missing_index_files.size(); ++k)
    std::printf("%s%s", k ? ", " : "", JsonString(i.missing_index_files[k]).c_str());
  std::printf("], \"bytes\": %llu, \"fields\": [", static_cast<unsigned long long>(i.bytes));
  for (std::size_t k = 0; k < i.fields.size(); ++k) {
    const auto& f = i.fields[k];
    std::printf("%s{\"name\": %s, \"type\": \"%c\", \"length\": %d, \"decimals\": %d}",
                k ? ", " : "", JsonString(f.name).c_str(), f.type, f.length, f.decimals);
  }
  std::printf("]}\n");
}

void PrintText(const KxTableInfo& i) {
  std::printf("table            %s\n", i.path.c_str());
  std::printf("type             %s, level %d\n", i.driver_type.c_str(), i.level);
  if (i.memo_block_size)
    std::printf("block size       %u bytes (memo)\n", i.memo_block_size);
  else
    std::printf("block size       -\n");
  std::printf("language driver  %s\n", i.lang_driver.empty() ? "(none)" : i.lang_driver.c_str());
  std::printf("records          %u (%u deleted)\n", i.record_count, i.deleted_count);
  std::printf("fields           %zu, record length %u\n", i.fields.size(), i.record_length);
  std::printf("memo file        %s\n", i.memo_file.empty() ? "(none)" : i.memo_file.c_str());
  std::printf("index files      ");
  if (i.index_files.empty()) std::printf("(none)");
  for (std::size_t k = 0; k < i.index_files.size(); ++k)
    std::printf("%s%s", k ? ", " : "", i.index_files[k].c_str());
  std::printf("\n");
  for (const auto& m : i.missing_index_files) std::printf("missing index    %s\n", m.c_str());
  std::printf("bytes            %llu\n", static_cast<unsigned long long>(i.bytes));
}

}  // namespace

int RunInfo(const std::string& table, bool json, const std::vector<std::string>& index_files) {
  TablePath tp = SplitTablePath(table);
  hDBIDb db = nullptr;
  hDBICur cur = nullptr;
  DBIResult r = DbiInit(nullptr);
  if (r == 0) r = DbiOpenDatabase(tp.dir.c_str(), &db);
  if (r == 0 && !index_files.empty()) r = KxSetIndexFiles(db, tp.name.c_str(), index_files);
  if (r == 0)
    r = DbiOpenTable(db, tp.name.c_str(), nullptr, nullptr, nullptr, 0, dbiREADONLY,
                     dbiOPENSHARED, xltFIELD, 0, nullptr, &cur);
  KxTableInfo info;
  if (r == 0) r = KxDescribeTable(cur, &info);
  if (cur) DbiCloseCursor(&cur);
  if (db) DbiCloseDatabase(&db);
  if (r != 0) return ReportFailure(table, r);
  if (json)
    PrintJson(info);
  else
    PrintText(info);
  return 0;
}

}  // namespace kx::cli
