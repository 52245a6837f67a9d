// Reading a component from its form description and writing it back.
//
// ReadComponentResource builds a form (or any root component) from text: the
// root object's properties are set on the root, and every child object is
// created by class name (RegisterComponentClass; the platform's own controls
// and TTable are known from the start), owned by the root, placed on its
// parent, named, given its properties and stored in the root's published
// field of the same name. Event handlers are looked up among the root's
// published methods; references to components are resolved once everything
// exists. A property or class that is not known is an error (EReadError).
//
// WriteComponentText writes a component and the components it owns in the
// same form, leaving out every property that holds its default.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kx {

class TComponent;

using ComponentFactory = std::function<TComponent*(TComponent* owner)>;
void RegisterComponentClass(const char* class_name, ComponentFactory factory);
// Null when the class is not registered.
TComponent* CreateComponentByClassName(std::string_view class_name, TComponent* owner);

void ReadComponentResource(TComponent& root, std::string_view text);
std::string WriteComponentText(const TComponent& component);

}  // namespace kx
