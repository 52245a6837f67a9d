// Form reader and writer of form_stream.h.
#include "platform/form_stream.h"

#include <map>

#include "platform/component.h"
#include "platform/controls.h"
#include "platform/db_tables.h"
#include "platform/form_text.h"
#include "platform/progress_bar.h"
#include "platform/std_ctrls.h"
#include "platform/timer.h"

namespace kx {
namespace {

std::map<std::string, ComponentFactory, std::less<>>& Registry() {
  static std::map<std::string, ComponentFactory, std::less<>> registry = {
      {"TLabel", [](TComponent* o) -> TComponent* { return new TLabel(o); }},
      {"TComboBox", [](TComponent* o) -> TComponent* { return new TComboBox(o); }},
      {"TProgressBar", [](TComponent* o) -> TComponent* { return new TProgressBar(o); }},
      {"TTimer", [](TComponent* o) -> TComponent* { return new TTimer(o); }},
      {"TTable", [](TComponent* o) -> TComponent* { return new TTable(o); }},
  };
  return registry;
}

void SetProperty(TPersistent& object, std::string_view path, const FormValue& value, ReadContext& context) {
  std::size_t dot = path.find('.');
  PropertyBase* prop = object.FindProperty(path.substr(0, dot));
  if (!prop) throw EReadError("Property " + std::string(path) + " does not exist in " + object.ClassName());
  if (dot == std::string_view::npos) {
    prop->ReadValue(value, context);
  } else if (TPersistent* sub = prop->SubObject()) {
    SetProperty(*sub, path.substr(dot + 1), value, context);
  } else {
    throw EReadError("Property " + std::string(path) + " has no sub-properties");
  }
}

void ReadProperties(TPersistent& object, const FormNode& node, ReadContext& context) {
  for (const auto& [name, value] : node.properties) SetProperty(object, name, value, context);
}

void ReadChildren(TComponent& root, TComponent& parent, const FormNode& node, ReadContext& context) {
  for (const FormNode& child : node.children) {
    TComponent* c = CreateComponentByClassName(child.class_name, &root);
    if (!c) throw EReadError("Class " + child.class_name + " not found");
    c->FName = child.name;
    c->FLoading = true;
    c->SetParentComponent(&parent);
    ReadProperties(*c, child, context);
    if (!root.SetPublishedField(child.name, c))
      throw EReadError("Field " + child.name + " of class " + child.class_name + " not found in " +
                       root.ClassName());
    ReadChildren(root, *c, child, context);
  }
}

void WriteProperties(const TPersistent& object, const std::string& prefix, const std::string& indent,
                     std::string& out) {
  for (const PropertyBase* prop : object.Properties()) {
    if (!prop->Stored()) continue;
    std::string name = prefix + prop->Name();
    if (TPersistent* sub = prop->SubObject()) {
      WriteProperties(*sub, name + ".", indent, out);
      continue;
    }
    std::string value = prop->ValueText();
    std::string indented;
    for (char c : value) indented += c == '\n' ? "\n" + indent + "  " : std::string(1, c);
    out += indent + name + " = " + indented + "\n";
  }
}

void WriteComponent(const TComponent& c, int depth, std::string& out) {
  std::string indent(depth * 2, ' ');
  out += indent + "object " + c.FName + ": " + c.ClassName() + "\n";
  WriteProperties(c, "", indent + "  ", out);
  for (int i = 0; i < c.ComponentCount(); ++i) WriteComponent(*c.Components(i), depth + 1, out);
  out += indent + "end\n";
}

}  // namespace

void RegisterComponentClass(const char* class_name, ComponentFactory factory) {
  Registry()[class_name] = std::move(factory);
}

TComponent* CreateComponentByClassName(std::string_view class_name, TComponent* owner) {
  auto& registry = Registry();
  auto it = registry.find(class_name);
  return it == registry.end() ? nullptr : it->second(owner);
}

void ReadComponentResource(TComponent& root, std::string_view text) {
  FormNode node = ParseFormText(text);
  if (!root.ClassNameIs(node.class_name))
    throw EReadError("Form description of class " + node.class_name + " given to " + root.ClassName());
  ReadContext context;
  context.root = &root;
  root.FName = node.name;
  root.FLoading = true;
  struct LoadingDone {
    TComponent& root;
    ~LoadingDone() {
      root.FLoading = false;
      for (int i = 0; i < root.ComponentCount(); ++i) root.Components(i)->FLoading = false;
    }
  } done{root};
  ReadProperties(root, node, context);
  ReadChildren(root, root, node, context);
  for (auto& fixup : context.fixups) fixup();
  root.FLoading = false;
  for (int i = 0; i < root.ComponentCount(); ++i) root.Components(i)->FLoading = false;
  root.Loaded();
  for (int i = 0; i < root.ComponentCount(); ++i) root.Components(i)->Loaded();
}

std::string WriteComponentText(const TComponent& component) {
  std::string out;
  WriteComponent(component, 0, out);
  return out;
}

}  // namespace kx
