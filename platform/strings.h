// TStrings and TStringList: ordered lists of texts.
//
// TStrings is the interface (the combo box's Items is one); TStringList keeps
// the texts in a vector. IndexOf ignores the case of ASCII letters. CommaText
// joins with commas and quotes an entry that holds a blank, comma or quote;
// assigning it replaces every entry. OnChange runs after each change, and
// OnChanging before it (a combo box creates its window there).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/property.h"
#include "platform/sys_utils.h"

namespace kx {

class TStrings : public TPersistent {
 public:
  TStrings();
  const char* ClassName() const override { return "TStrings"; }

  virtual int Count() const = 0;
  virtual AnsiString Get(int index) const = 0;
  virtual void Insert(int index, const AnsiString& text) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  AnsiString operator[](int index) const { return Get(index); }
  int Add(const AnsiString& text);
  int IndexOf(const AnsiString& text) const;
  AnsiString CommaText() const;
  void SetCommaText(const AnsiString& text);
  AnsiString Text() const;  // each entry followed by CR LF
  void Assign(const TStrings& other);
  std::vector<AnsiString> ToVector() const;

  std::function<void()> OnChanging;
  std::function<void()> OnChange;

 protected:
  void Changing();
  void Changed();

 private:
  TProp<std::vector<AnsiString>> StringsProp_;
};

class TStringList : public TStrings {
 public:
  const char* ClassName() const override { return "TStringList"; }
  int Count() const override { return static_cast<int>(items_.size()); }
  AnsiString Get(int index) const override;
  void Insert(int index, const AnsiString& text) override;
  void Delete(int index) override;
  void Clear() override;

 private:
  std::vector<AnsiString> items_;
};

}  // namespace kx
