#include "update/path_resolution.h"

#include "app/init_ap.h"
#include "platform/common/update_descriptions.h"
#include "platform/common/wide_units.h"

namespace initap {

bool ResolvePath(const Init_AP& app, std::wstring_view configured, std::wstring& output, std::size_t capacity) {
  output.clear();
  if (!configured.empty() && configured.front() == L'\\') {
    if (platform::WideUnits(configured) >= capacity) return false;
    output.assign(configured);
    return true;
  }
  const platform::UpdateDescription* description = platform::DescriptionOf(app.updateSource);
  if (description == nullptr || !description->relativeBase) return false;

  std::wstring resolved(description->path.substr(0, description->path.rfind(L'\\')));
  std::wstring_view rest = configured;
  // Each "../" anywhere in the rest takes one folder off the base, never above the root.
  while (rest.find(L"../") != std::wstring_view::npos) {
    rest.remove_prefix(3);
    if (const auto last = resolved.rfind(L'\\'); last != std::wstring::npos) resolved.resize(last);
  }
  resolved += L'/';
  resolved += rest;
  for (wchar_t& c : resolved) {
    if (c == L'/') c = L'\\';
  }
  if (platform::WideUnits(resolved) >= capacity) return false;
  output = std::move(resolved);
  return true;
}

}  // namespace initap
