// kxdump: prints a dBASE/FoxPro table as JSON, read by the storage engine's
// own reader; for interop tests (level 7, which other readers misparse) and
// for looking at a table.
//
//   kxdump TABLE
//
// Output: {"level": L, "lang_driver": "...", "code_page": N, "memo_block_size": N,
// "fields": [{"name","type","length","decimals"}...], "records": [{"_deleted": bool,
// FIELD: value, ...}...]}. Character data and text memos are decoded from the
// driver's code page to UTF-8 (U+FFFD where it has no character), trailing
// blanks dropped; N and F as trimmed text; D as "YYYYMMDD" or ""; L one
// letter; I, + and O as numbers; @ as "YYYY-MM-DD hh:mm:ss.mmm"; binary
// memos (B, G, P) as hex; a missing memo as null. Exit 1 with the engine's
// message when the table cannot be read.
#include <cstdio>
#include <memory>
#include <string>

#include "storage/core/lang/code_page.h"
#include "storage/core/lang/lang_driver.h"
#include "storage/dbase/dbf_binary_fields.h"
#include "storage/dbase/dbf_table.h"

namespace {

using kx::storage::CodePage;

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | c >> 6));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | c >> 12));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | c >> 18));
    out->push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// A JSON string of `n` bytes of text in code page `cp`.
std::string Text(const CodePage* cp, const std::uint8_t* p, std::size_t n, bool trim) {
  if (trim) {
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == 0)) --n;
  }
  std::string out = "\"";
  for (std::size_t i = 0; i < n; ++i) {
    char32_t c = p[i] < 0x80 ? p[i] : cp != nullptr ? cp->ToUnicode(p[i]) : kx::storage::kNoChar;
    if (c == kx::storage::kNoChar) c = 0xFFFD;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
      out += esc;
    } else {
      AppendUtf8(c, &out);
    }
  }
  return out + "\"";
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out + "\"";
}

std::string Number(const std::string& text) { return text.empty() ? "null" : text; }

}  // namespace

int main(int argc, char** argv) {
  using namespace kx::storage;
  if (argc != 2) {
    std::fprintf(stderr, "usage: kxdump TABLE\n");
    return 2;
  }
  std::unique_ptr<DbfTable> t;
  Status s = DbfTable::Open(Env::Default(), argv[1], ShareMode::kShared, &t);
  if (!s.ok()) {
    std::fprintf(stderr, "kxdump: 0x%04X %s\n", s.code(), s.message().c_str());
    return 1;
  }
  const DbfHeader& h = t->header();
  const LangDriver* driver = h.driver;
  if (driver == nullptr && h.ldid == 0) driver = &DefaultDbaseLangDriver();
  const std::uint16_t code_page = driver != nullptr ? driver->code_page : 0;
  const CodePage* cp = CodePage::Find(code_page);
  std::string out = "{\"level\": " + std::to_string(h.level) + ", \"lang_driver\": \"" +
                    h.lang_driver + "\", \"code_page\": " + std::to_string(code_page) +
                    ", \"memo_block_size\": " + std::to_string(t->Info().memo_block_size) +
                    ", \"fields\": [";
  for (std::size_t i = 0; i < h.fields.size(); ++i) {
    const DbfField& f = h.fields[i];
    out += std::string(i ? ", " : "") + "{\"name\": " +
           Text(nullptr, reinterpret_cast<const std::uint8_t*>(f.name.data()), f.name.size(), false) +
           ", \"type\": \"" + f.type + "\", \"length\": " + std::to_string(f.length) +
           ", \"decimals\": " + std::to_string(f.decimals) + "}";
  }
  out += "], \"records\": [";
  std::fputs(out.c_str(), stdout);
  std::string memo;
  bool first = true;
  s = t->ForEachRecord([&](std::uint32_t, const std::uint8_t* rec) -> Status {
    std::string line = std::string(first ? "\n" : ",\n") + "{\"_deleted\": " +
                       (rec[0] == DbfHeader::kDeleted ? "true" : "false");
    first = false;
    for (const DbfField& f : h.fields) {
      const std::uint8_t* p = rec + f.offset;
      std::string value;
      if (f.is_memo) {
        bool present = false;
        Status r = t->ReadMemoField(rec, f, &present, &memo);
        if (!r.ok()) return r;
        value = !present ? "null"
                : f.type == 'M'
                    ? Text(cp, reinterpret_cast<const std::uint8_t*>(memo.data()), memo.size(), false)
                    : Hex(memo);
      } else if (f.type == 'I' || f.type == '+') {
        value = Number(DecodeLongField(p));
      } else if (f.type == 'O') {
        value = Number(DecodeDoubleField(p));
      } else if (f.type == '@') {
        value = "\"" + DecodeTimestampField(p) + "\"";
      } else if (f.type == 'C') {
        value = Text(cp, p, f.length, true);
      } else {
        std::size_t b = 0, n = f.length;
        while (b < n && p[b] == ' ') ++b;
        value = Text(nullptr, p + b, n - b, true);
      }
      line += ", " + Text(nullptr, reinterpret_cast<const std::uint8_t*>(f.name.data()),
                          f.name.size(), false) +
              ": " + value;
    }
    line += "}";
    std::fputs(line.c_str(), stdout);
    return Status::OK();
  });
  std::fputs("\n]}\n", stdout);
  if (!s.ok()) {
    std::fprintf(stderr, "kxdump: 0x%04X %s\n", s.code(), s.message().c_str());
    return 1;
  }
  return 0;
}
