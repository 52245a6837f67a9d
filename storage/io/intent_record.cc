// IntentRecord encoding: see intent_record.h.
#include "storage/io/intent_record.h"

#include <cstring>

#include "storage/io/crc32.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

constexpr char kMagic[8] = {'K', 'X', 'P', 'K', 'I', 'N', 'T', '1'};

void PutLe(std::string* out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

class Reader {
 public:
  explicit Reader(const std::string& s) : s_(s) {}
  bool Le(int bytes, std::uint64_t* v) {
    if (pos_ + bytes > s_.size()) return false;
    *v = 0;
    for (int i = 0; i < bytes; ++i) {
      *v |= static_cast<std::uint64_t>(static_cast<unsigned char>(s_[pos_ + i])) << (8 * i);
    }
    pos_ += bytes;
    return true;
  }
  bool Name(std::string* out) {
    std::uint64_t n;
    if (!Le(2, &n) || pos_ + n > s_.size()) return false;
    *out = s_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  std::size_t pos() const { return pos_; }

 private:
  const std::string& s_;
  std::size_t pos_ = sizeof kMagic;
};

bool SafeName(const std::string& n) {
  return !n.empty() && n != "." && n != ".." && n.find('/') == std::string::npos &&
         n.find('\0') == std::string::npos;
}

// .ndx and .idx files may carry any name; every other member has the stem.
bool IsSeparateIndexName(const std::string& n) {
  const std::size_t dot = n.rfind('.');
  if (dot == std::string::npos || dot == 0) return false;
  const std::string ext = AsciiLower(n.substr(dot + 1));
  return ext == "ndx" || ext == "idx";
}

}  // namespace

std::string IntentRecord::Encode() const {
  std::string out(kMagic, sizeof kMagic);
  PutLe(&out, entries.size(), 4);
  for (const IntentEntry& e : entries) {
    PutLe(&out, e.temp_name.size(), 2);
    out += e.temp_name;
    PutLe(&out, e.final_name.size(), 2);
    out += e.final_name;
    PutLe(&out, e.size, 8);
    PutLe(&out, e.crc, 4);
  }
  PutLe(&out, Crc32Update(0, out.data(), out.size()), 4);
  return out;
}

bool IntentRecord::Decode(const std::string& bytes, const std::string& stem) {
  entries.clear();
  if (bytes.size() < sizeof kMagic + 8 || bytes.size() > kMaxBytes) return false;
  if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
  std::size_t body = bytes.size() - 4;
  std::uint64_t stored = 0;
  for (int i = 0; i < 4; ++i) {
    stored |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[body + i])) << (8 * i);
  }
  if (Crc32Update(0, bytes.data(), body) != stored) return false;
  Reader r(bytes);
  std::uint64_t count;
  if (!r.Le(4, &count) || count == 0 || count > kMaxEntries) return false;
  bool removals = false;
  for (std::uint64_t i = 0; i < count; ++i) {
    IntentEntry e;
    std::uint64_t crc;
    if (!r.Name(&e.temp_name) || !r.Name(&e.final_name) || !r.Le(8, &e.size) || !r.Le(4, &crc)) {
      return false;
    }
    e.crc = static_cast<std::uint32_t>(crc);
    if (!SafeName(e.final_name)) return false;
    if (e.removal()) {
      if (e.size != 0 || e.crc != 0) return false;
      removals = true;
    } else if (removals || !SafeName(e.temp_name)) {
      return false;
    } else if (e.temp_name != e.final_name + kTempSuffix) {
      // An index member named apart from the table (an NDX its .inf lists)
      // is staged under a scratch name of the table.
      if (!IsScratchOf(stem, e.temp_name) || !IsSeparateIndexName(e.final_name)) return false;
      entries.push_back(std::move(e));
      continue;
    }
    if (AsciiLower(e.final_name.substr(0, stem.size() + 1)) != AsciiLower(stem + ".")) return false;
    entries.push_back(std::move(e));
  }
  if (r.pos() != body) return false;
  return true;
}

}  // namespace kx::storage
