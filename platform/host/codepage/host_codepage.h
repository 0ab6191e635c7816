// The device's ANSI code page (device.ini "codepage", 1252 by default),
// converted with the host's iconv.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/host/codepage/iconv_converter.h"
#include "platform/host/device_folder.h"

namespace platform::host {

inline constexpr int kDefaultCodePage = 1252;

class HostCodePage final : public CodePage {
 public:
  // The device's code page; one iconv does not know falls back to 1252 (Open reports it).
  explicit HostCodePage(const DeviceFolder& device);
  // The device's code page; null with a one-line `error` when it is not a code page iconv knows.
  static std::unique_ptr<HostCodePage> Open(const DeviceFolder& device, std::string& error);

  std::string ToAnsi(std::wstring_view text) override;
  // Bytes that are no character of the code page become U+FFFD.
  std::wstring FromAnsi(std::string_view text) override;

  // The code page number in use, 1252 for example.
  int Number() const { return number_; }
  // The iconv name it was opened by ("CP1252").
  const std::string& CharsetName() const { return charset_; }

 private:
  HostCodePage(int number, std::string charset, IconvConverter toAnsi, IconvConverter fromAnsi);

  int number_;
  std::string charset_;
  std::mutex lock_;  // one conversion at a time: an iconv_t keeps state
  IconvConverter toAnsi_;
  IconvConverter fromAnsi_;
};

}  // namespace platform::host
