// Transliteration maps (transliteration.h).
#include "storage/core/lang/transliteration.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "storage/api/codes.h"

namespace kx::storage {
namespace {

std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

std::string CodePageName(std::uint16_t number) {
  std::string name = "code page " + std::to_string(number);
  if (const CodePage* page = CodePage::Find(number)) {
    name += " (" + std::string(page->title()) + ")";
  }
  return name;
}

}  // namespace

Transliteration::Transliteration(std::uint16_t from_code_page, std::uint16_t to_code_page)
    : from_(from_code_page), to_(to_code_page) {
  const CodePage* source = CodePage::Find(from_);
  const CodePage* target = CodePage::Find(to_);
  for (int b = 0; b < 256; ++b) {
    auto byte = static_cast<std::uint8_t>(b);
    map_[b] = byte;
    converts_[b] = b < 0x80 || identity();
    if (converts_[b] || source == nullptr || target == nullptr) continue;
    char32_t c = source->ToUnicode(byte);
    converts_[b] = c != kNoChar && target->FromUnicode(c, &map_[b]);
  }
  for (bool ok : converts_) total_ = total_ && ok;
}

const Transliteration& Transliteration::Between(std::uint16_t from_code_page,
                                                std::uint16_t to_code_page) {
  static std::mutex mutex;
  static std::map<std::uint32_t, std::unique_ptr<Transliteration>> cache;
  std::uint32_t key = (std::uint32_t{from_code_page} << 16) | to_code_page;
  std::lock_guard<std::mutex> lock(mutex);
  std::unique_ptr<Transliteration>& slot = cache[key];
  if (!slot) slot = std::make_unique<Transliteration>(from_code_page, to_code_page);
  return *slot;
}

bool Transliteration::Apply(std::span<std::uint8_t> bytes, TranscodeFailure* failure) const {
  return Apply(std::span<const std::uint8_t>(bytes), bytes.data(), failure);
}

bool Transliteration::Apply(std::span<const std::uint8_t> in, std::uint8_t* out,
                            TranscodeFailure* failure) const {
  if (identity()) {
    if (out != in.data() && !in.empty()) std::memmove(out, in.data(), in.size());
    return true;
  }
  const std::size_t n = in.size();
  const std::uint8_t* src = in.data();
  for (std::size_t i = 0; i < n;) {
    // Bytes below 0x80 are themselves in every code page here (see the
    // constructor), so eight of them at a time go across unchanged.
    if (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, src + i, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        std::memcpy(out + i, &word, 8);
        i += 8;
        continue;
      }
    }
    std::uint8_t b = src[i];
    if (!converts_[b]) [[unlikely]] {
      if (failure != nullptr) {
        const CodePage* source = CodePage::Find(from_);
        *failure = {i, b, source != nullptr ? source->ToUnicode(b) : kNoChar};
      }
      return false;
    }
    out[i] = map_[b];
    ++i;
  }
  return true;
}

Status Transliteration::FailureStatus(const TranscodeFailure& failure) const {
  char text[16];
  std::string what;
  if (failure.character != kNoChar) {
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(failure.character));
    what = std::string(text) + " '" + Utf8(failure.character) + "'";
  } else {
    std::snprintf(text, sizeof text, "0x%02X", failure.byte);
    what = "byte " + std::string(text);
  }
  what += " at offset " + std::to_string(failure.offset);
  const CodePage* source = CodePage::Find(from_);
  const CodePage* target = CodePage::Find(to_);
  std::string message;
  if (source != nullptr && failure.character == kNoChar) {
    message = "cannot convert " + what + ": it is no character of " + CodePageName(from_);
  } else {
    message = "cannot convert " + what + " from " + CodePageName(from_) + " to " +
              CodePageName(to_) + ": ";
    if (source != nullptr && target != nullptr) {
      message += "the target has no such character";
    } else {
      std::uint16_t missing = source == nullptr ? from_ : to_;
      message += (CodePage::IsMultiByte(missing) ? "code page " + std::to_string(missing) +
                                                       " is multi-byte"
                                                 : "no character table for code page " +
                                                       std::to_string(missing));
    }
  }
  return Status::Error(DBIERR_CANNOTCONVERT, message);
}

Status Transcode(std::uint16_t from_code_page, std::uint16_t to_code_page,
                 std::span<std::uint8_t> bytes, TranscodeFailure* failure) {
  const Transliteration& map = Transliteration::Between(from_code_page, to_code_page);
  TranscodeFailure local;
  if (map.Apply(bytes, &local)) return Status::OK();
  if (failure != nullptr) *failure = local;
  return map.FailureStatus(local);
}

bool CanTransliterate(std::uint16_t from_code_page, std::uint16_t to_code_page) {
  return from_code_page == to_code_page ||
         (CodePage::Find(from_code_page) != nullptr && CodePage::Find(to_code_page) != nullptr);
}

}  // namespace kx::storage
