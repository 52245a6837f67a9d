// TObject and TPersistent.
#include "platform/persistent.h"

#include "platform/property.h"
#include "platform/sys_utils.h"

namespace kx {

bool TObject::ClassNameIs(std::string_view name) const { return SameText(ClassName(), name); }

PropertyBase* TPersistent::FindProperty(std::string_view name) const {
  for (PropertyBase* p : properties_) {
    if (SameText(p->Name(), name)) return p;
  }
  return nullptr;
}

PropertyBase::PropertyBase(TPersistent* owner, const char* name) : name_(name) {
  owner->properties_.push_back(this);
}

}  // namespace kx
