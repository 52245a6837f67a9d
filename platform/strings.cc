// TStrings and TStringList.
#include "platform/strings.h"

namespace kx {

TStrings::TStrings()
    : StringsProp_(this, "Strings", [this] { return ToVector(); },
                   [this](const std::vector<AnsiString>& v) {
                     Clear();
                     for (const AnsiString& s : v) Add(s);
                   },
                   std::vector<AnsiString>{}) {}

int TStrings::Add(const AnsiString& text) {
  int index = Count();
  Insert(index, text);
  return index;
}

int TStrings::IndexOf(const AnsiString& text) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameText(Get(i), text)) return i;
  }
  return -1;
}

AnsiString TStrings::CommaText() const {
  AnsiString out;
  for (int i = 0; i < Count(); ++i) {
    AnsiString s = Get(i);
    if (i) out += ',';
    bool quote = s.empty() || s.find_first_of(" ,\"") != AnsiString::npos;
    if (!quote) {
      out += s;
      continue;
    }
    out += '"';
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    out += '"';
  }
  return out;
}

void TStrings::SetCommaText(const AnsiString& text) {
  std::vector<AnsiString> entries;
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < text.size() && text[i] == ' ') ++i;
  };
  skip_blanks();
  while (i < text.size()) {
    AnsiString entry;
    if (text[i] == '"') {
      for (++i; i < text.size(); ++i) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            entry += '"';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        entry += text[i];
      }
    } else {
      while (i < text.size() && text[i] != ',' && text[i] != ' ') entry += text[i++];
    }
    entries.push_back(entry);
    skip_blanks();
    if (i < text.size() && text[i] == ',') {
      ++i;
      skip_blanks();
      if (i == text.size()) entries.emplace_back();
    }
  }
  Clear();
  for (const AnsiString& e : entries) Add(e);
}

AnsiString TStrings::Text() const {
  AnsiString out;
  for (int i = 0; i < Count(); ++i) out += Get(i) + "\r\n";
  return out;
}

void TStrings::Assign(const TStrings& other) {
  std::vector<AnsiString> copy = other.ToVector();
  Clear();
  for (const AnsiString& s : copy) Add(s);
}

std::vector<AnsiString> TStrings::ToVector() const {
  std::vector<AnsiString> v;
  for (int i = 0; i < Count(); ++i) v.push_back(Get(i));
  return v;
}

void TStrings::Changing() {
  if (OnChanging) OnChanging();
}

void TStrings::Changed() {
  if (OnChange) OnChange();
}

AnsiString TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[index];
}

void TStringList::Insert(int index, const AnsiString& text) {
  if (index < 0 || index > Count()) throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
  Changing();
  items_.insert(items_.begin() + index, text);
  Changed();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  Changing();
  items_.clear();
  Changed();
}

}  // namespace kx
