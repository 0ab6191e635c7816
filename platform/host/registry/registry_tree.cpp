#include "platform/host/registry/registry_tree.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>

namespace platform::host {

namespace {

// Upper case by Unicode's rules, whatever the process's locale.
wchar_t Upper(wchar_t c) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (unicode != static_cast<locale_t>(nullptr))
    return static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), unicode));
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

}  // namespace

bool SameRegistryName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return x == y || Upper(x) == Upper(y); });
}

RegistryNode* RegistryNode::FindChild(std::wstring_view name) const {
  for (const auto& child : children_) {
    if (SameRegistryName(child->name_, name)) return child.get();
  }
  return nullptr;
}

RegistryNode& RegistryNode::AddChild(std::wstring_view name) {
  if (RegistryNode* existing = FindChild(name)) return *existing;
  children_.push_back(std::make_unique<RegistryNode>(std::wstring(name)));
  return *children_.back();
}

bool RegistryNode::RemoveChild(std::wstring_view name) {
  const auto it = std::find_if(children_.begin(), children_.end(),
                               [&](const auto& child) { return SameRegistryName(child->name_, name); });
  if (it == children_.end()) return false;
  children_.erase(it);
  return true;
}

const RegistryValue* RegistryNode::FindValue(std::wstring_view name) const {
  for (const auto& value : values_) {
    if (SameRegistryName(value.name, name)) return &value;
  }
  return nullptr;
}

void RegistryNode::SetValue(RegistryValue value) {
  for (auto& existing : values_) {
    if (SameRegistryName(existing.name, value.name)) {
      existing = std::move(value);
      return;
    }
  }
  values_.push_back(std::move(value));
}

bool RegistryNode::RemoveValue(std::wstring_view name) {
  const auto it = std::find_if(values_.begin(), values_.end(),
                               [&](const auto& value) { return SameRegistryName(value.name, name); });
  if (it == values_.end()) return false;
  values_.erase(it);
  return true;
}

}  // namespace platform::host
