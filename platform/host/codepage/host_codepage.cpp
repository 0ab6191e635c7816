#include "platform/host/codepage/host_codepage.h"

#include <charconv>
#include <vector>

namespace platform::host {

namespace {

// Wide text as the host keeps it: one wchar_t per character.
constexpr const char* kWide = "WCHAR_T";
const std::string kWideReplacement = [] {
  const wchar_t replacement = L'\uFFFD';
  return std::string(reinterpret_cast<const char*>(&replacement), sizeof replacement);
}();

// The iconv names a Windows code page number goes by, in the order they are tried.
std::vector<std::string> CharsetNames(int number) {
  std::vector<std::string> names{"CP" + std::to_string(number), "WINDOWS-" + std::to_string(number)};
  switch (number) {
    case 932: names.push_back("SHIFT_JIS"); break;
    case 936: names.push_back("GBK"); break;
    case 949: names.push_back("UHC"); break;
    case 950: names.push_back("BIG5"); break;
    case 65001: names.push_back("UTF-8"); break;
    default: break;
  }
  return names;
}

}  // namespace

HostCodePage::HostCodePage(int number, std::string charset, IconvConverter toAnsi, IconvConverter fromAnsi)
    : number_(number), charset_(std::move(charset)), toAnsi_(std::move(toAnsi)), fromAnsi_(std::move(fromAnsi)) {}

HostCodePage::HostCodePage(const DeviceFolder& device)
    : HostCodePage(kDefaultCodePage, "CP1252", IconvConverter("CP1252", kWide), IconvConverter(kWide, "CP1252")) {
  std::string error;
  if (auto chosen = Open(device, error)) {
    number_ = chosen->number_;
    charset_ = std::move(chosen->charset_);
    toAnsi_ = std::move(chosen->toAnsi_);
    fromAnsi_ = std::move(chosen->fromAnsi_);
  }
}

std::unique_ptr<HostCodePage> HostCodePage::Open(const DeviceFolder& device, std::string& error) {
  const std::string setting = ReadDeviceSetting(device, "codepage").value_or(std::to_string(kDefaultCodePage));
  int number = 0;
  const auto [end, status] = std::from_chars(setting.data(), setting.data() + setting.size(), number);
  if (setting.empty() || status != std::errc() || end != setting.data() + setting.size() || number <= 0 ||
      number > 65535) {
    error = "device.ini: codepage \"" + setting + "\" is not a code page number";
    return nullptr;
  }
  for (const std::string& name : CharsetNames(number)) {
    IconvConverter toAnsi(name.c_str(), kWide);
    IconvConverter fromAnsi(kWide, name.c_str());
    if (toAnsi.Valid() && fromAnsi.Valid()) {
      return std::unique_ptr<HostCodePage>(new HostCodePage(number, name, std::move(toAnsi), std::move(fromAnsi)));
    }
  }
  error = "device.ini: codepage " + setting + " is not known to iconv";
  return nullptr;
}

std::string HostCodePage::ToAnsi(std::wstring_view text) {
  const std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  std::lock_guard lock(lock_);
  return toAnsi_.Convert(bytes, sizeof(wchar_t), "?");
}

std::wstring HostCodePage::FromAnsi(std::string_view text) {
  std::string bytes;
  {
    std::lock_guard lock(lock_);
    bytes = fromAnsi_.Convert(text, 1, kWideReplacement);
  }
  std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
  bytes.copy(reinterpret_cast<char*>(wide.data()), wide.size() * sizeof(wchar_t));
  return wide;
}

}  // namespace platform::host
