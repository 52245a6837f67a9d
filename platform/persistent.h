// TObject and TPersistent: the roots of the class-library stand-in.
//
// TObject gives every class its class name (ClassName, ClassNameIs); a class
// of the stand-in, or one derived from it, overrides ClassName with its own
// name, so ClassNameIs tells a class from its descendants. TPersistent keeps
// the list of published properties (property.h), in the order in which the
// class declares them; the form reader and writer work only through that list.
#pragma once

#include <string_view>
#include <vector>

namespace kx {

class PropertyBase;

class TObject {
 public:
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }
  // True when this object's own class name is `name` (letter case aside).
  bool ClassNameIs(std::string_view name) const;
};

class TPersistent : public TObject {
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  const char* ClassName() const override { return "TPersistent"; }

  const std::vector<PropertyBase*>& Properties() const { return properties_; }
  PropertyBase* FindProperty(std::string_view name) const;

 private:
  friend class PropertyBase;
  std::vector<PropertyBase*> properties_;
};

}  // namespace kx
