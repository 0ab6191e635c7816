#include "update/path_resolution.h"

#include "app/init_ap.h"
#include "platform/common/wide_units.h"

namespace initap {

namespace {

// The description file whose folder relative paths start from; empty when the source has none.
std::wstring_view DescriptionFile(std::int32_t updateSource) {
  switch (updateSource) {
    case kSourceSdCard:
      return L"\\sd card\\update.xml";
    case kSourceFlash:
      return L"\\FlashHd\\update.xml";
    case kSourceSystem:
      return L"\\System\\update.xml";
    default:
      return {};
  }
}

}  // namespace

bool ResolvePath(const Init_AP& app, std::wstring_view configured, std::wstring& output, std::size_t capacity) {
  output.clear();
  if (!configured.empty() && configured.front() == L'\\') {
    if (platform::WideUnits(configured) >= capacity) return false;
    output.assign(configured);
    return true;
  }
  const std::wstring_view description = DescriptionFile(app.updateSource);
  if (description.empty()) return false;

  std::wstring resolved(description.substr(0, description.rfind(L'\\')));
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
