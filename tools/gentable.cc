// gentable: writes a realistic dBASE/FoxPro table for demos, tests and
// benchmarks.
//
//   gentable OUT.dbf --records N [--deleted PCT] [--memo] [--level 3|4|5|7|25]
//            [--seed S] [--block-size B] [--lang DRIVER] [--index SPEC]...
//
// Fields: customer number, name, city, balance, a rate (F, not at level 3),
// date joined, an active flag and, with --memo, notes of 0 to ~3 KB in a
// memo file beside the table. PCT percent of the records, drawn with the
// seed, are flagged deleted. Each --index "TAG:EXPR[:FOR]" adds a tag to the
// production index (.mdx, or .cdx at level 25), built once the records are
// written; a TAG that ends in .ndx or .idx makes that file instead, listed
// in the table's .inf. "TAG!" makes a unique tag, "TAG-" a descending one.
// The same arguments always give the same bytes apart from the dates. Exit 0 on success, 1 with a message on
// failure, 2 on a usage error.
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "storage/api/table_writer.h"

namespace {

const char* const kFirst[] = {"Anna", "Bruno", "Carla", "Dmitri", "Elena", "Farid", "Grete",
                              "Hugo", "Ines", "Jonas", "Katja", "Luis", "Marta", "Nils"};
const char* const kLast[] = {"Keller", "Moreau", "Silva", "Novak", "Berg", "Costa", "Larsen",
                             "Weber", "Rossi", "Haas", "Dubois", "Nowak", "Lind", "Vogel"};
const char* const kCity[] = {"Lisbon", "Utrecht", "Graz", "Lyon", "Bergen", "Turin", "Brno",
                             "Aarhus", "Porto", "Basel", "Ghent", "Krakow"};
const char* const kWords[] = {"called", "about", "invoice", "delivery", "late", "paid", "order",
                              "returned", "discount", "agreed", "visit", "next", "quarter",
                              "contract", "renewal", "sample", "sent", "credit", "note"};

int Usage() {
  std::fprintf(stderr,
               "usage: gentable OUT.dbf --records N [--deleted PCT] [--memo] [--level 3|4|5|7|25]\n"
               "                [--seed S] [--block-size B] [--lang DRIVER]\n"
               "                [--index TAG[!][-]:EXPR[:FOR]]...\n");
  return 2;
}

// "TAG[!][-]:EXPR[:FOR]"; false when malformed.
bool ParseIndex(const std::string& text, kx::storage::IndexSpec* spec) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string tag = text.substr(0, colon);
  std::string rest = text.substr(colon + 1);
  while (!tag.empty() && (tag.back() == '!' || tag.back() == '-')) {
    (tag.back() == '!' ? spec->unique : spec->descending) = true;
    tag.pop_back();
  }
  const std::size_t for_at = rest.find(':');
  spec->key_expression = rest.substr(0, for_at);
  if (for_at != std::string::npos) spec->for_expression = rest.substr(for_at + 1);
  std::string lower = tag;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool file = lower.size() > 4 && (lower.compare(lower.size() - 4, 4, ".ndx") == 0 ||
                                         lower.compare(lower.size() - 4, 4, ".idx") == 0);
  (file ? spec->file : spec->tag) = tag;
  return !tag.empty() && !spec->key_expression.empty();
}

template <std::size_t N>
const char* Pick(const char* const (&list)[N], std::mt19937& rng) {
  return list[rng() % N];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return Usage();
  std::string out = argv[1];
  unsigned long records = 0, seed = 1, block_size = 0;
  int deleted_pct = 0, level = 4;
  bool memo = false, have_records = false;
  std::string lang;
  std::vector<kx::storage::IndexSpec> indexes;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](unsigned long* v) {
      if (i + 1 >= argc) return false;
      char* end = nullptr;
      *v = std::strtoul(argv[++i], &end, 10);
      return end != nullptr && *end == 0;
    };
    unsigned long v = 0;
    if (a == "--records" && value(&records)) {
      have_records = true;
    } else if (a == "--deleted" && value(&v) && v <= 100) {
      deleted_pct = static_cast<int>(v);
    } else if (a == "--level" && value(&v) && (v == 3 || v == 4 || v == 5 || v == 7 || v == 25)) {
      level = static_cast<int>(v);
    } else if (a == "--seed" && value(&seed)) {
    } else if (a == "--block-size" && value(&block_size)) {
    } else if (a == "--lang" && i + 1 < argc) {
      lang = argv[++i];
    } else if (a == "--memo") {
      memo = true;
    } else if (a == "--index" && i + 1 < argc) {
      indexes.emplace_back();
      if (!ParseIndex(argv[++i], &indexes.back())) return Usage();
    } else {
      return Usage();
    }
  }
  if (!have_records || records > 0xFFFFFFFFul) return Usage();

  kx::storage::TableLayout layout;
  layout.level = level;
  layout.memo_block_size = static_cast<std::uint32_t>(block_size);
  layout.lang_driver = lang;
  layout.fields = {{"CUSTNO", 'N', 8, 0},  {"NAME", 'C', 30, 0},    {"CITY", 'C', 20, 0},
                 {"BALANCE", 'N', 12, 2}, {"JOINED", 'D', 8, 0}, {"ACTIVE", 'L', 1, 0}};
  if (level != 3) layout.fields.push_back({"RATE", 'F', 10, 4});
  if (memo) layout.fields.push_back({"NOTES", 'M', 10, 0});
  std::unique_ptr<kx::storage::TableWriter> w;
  kx::storage::Status s = kx::storage::CreateTable(nullptr, out, layout, &w);
  if (!s.ok()) {
    std::fprintf(stderr, "gentable: %s (0x%04X)\n", s.message().c_str(), s.code());
    return 1;
  }
  std::mt19937 rng(static_cast<std::uint32_t>(seed));
  std::vector<std::string> v(layout.fields.size());
  char buf[64];
  for (unsigned long r = 0; r < records; ++r) {
    std::size_t f = 0;
    v[f++] = std::to_string(r + 1);
    v[f++] = std::string(Pick(kFirst, rng)) + " " + Pick(kLast, rng);
    v[f++] = Pick(kCity, rng);
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(rng() % 10000000) / 100.0 - 20000.0);
    v[f++] = buf;
    std::snprintf(buf, sizeof buf, "%04u%02u%02u", static_cast<unsigned>(1985 + rng() % 40),
                  static_cast<unsigned>(1 + rng() % 12), static_cast<unsigned>(1 + rng() % 28));
    v[f++] = buf;
    v[f++] = rng() % 5 == 0 ? "F" : "T";
    if (level != 3) {
      std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(rng() % 100000) / 10000.0);
      v[f++] = buf;
    }
    if (memo) {
      std::string notes;
      if (rng() % 3 != 0) {
        unsigned words = 1 + (rng() % 8 == 0 ? rng() % 400 : rng() % 40);
        for (unsigned k = 0; k < words; ++k) {
          if (k) notes += ' ';
          notes += Pick(kWords, rng);
        }
      }
      v[f++] = notes;
    }
    bool deleted = static_cast<int>(rng() % 100) < deleted_pct;
    s = w->Append(v, deleted);
    if (!s.ok()) break;
  }
  if (s.ok()) s = w->Finish();
  for (std::size_t k = 0; s.ok() && k < indexes.size(); ++k) {
    s = kx::storage::AddIndex(nullptr, out, indexes[k]);
  }
  if (!s.ok()) {
    std::fprintf(stderr, "gentable: %s (0x%04X)\n", s.message().c_str(), s.code());
    return 1;
  }
  return 0;
}
