#include "platform/host/files/device_path.h"

#include "platform/common/device_names.h"
#include "platform/host/utf8.h"

namespace platform::host {

FileStatus ParseDevicePath(std::wstring_view path, DevicePath& parsed) {
  parsed = {};
  DeviceNames names;
  const FileStatus status =
      ParseDeviceNames(path, names, [](std::wstring_view name) { return ToUtf8(name).size() > kMaxNameBytes; });
  if (status != FileStatus::Ok) return status;
  for (const std::wstring& name : names.names) parsed.names.push_back(ToUtf8(name));
  parsed.namesFolder = names.namesFolder;
  return FileStatus::Ok;
}

}  // namespace platform::host
