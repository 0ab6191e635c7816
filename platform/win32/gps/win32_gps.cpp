#include "platform/win32/gps/win32_gps.h"

#include "platform/win32/windows_api.h"

#include <memory>
#include <streambuf>
#include <string>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

// Reads a file a block at a time, no further than asked.
class HandleReadBuffer final : public std::streambuf {
 public:
  explicit HandleReadBuffer(UniqueHandle file) : file_(std::move(file)) {}

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    DWORD read = 0;
    if (::ReadFile(file_.Get(), block_, sizeof block_, &read, nullptr) == 0 || read == 0) {
      return traits_type::eof();
    }
    setg(block_, block_, block_ + read);
    return traits_type::to_int_type(*gptr());
  }

 private:
  UniqueHandle file_;
  char block_[4096];
};

// The log when it is a file on a disk; a folder, a pipe or a device is none.
UniqueHandle OpenLog(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || GetFileType(file.Get()) != FILE_TYPE_DISK) return UniqueHandle();
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileInformationByHandle(file.Get(), &information) == 0 ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return UniqueHandle();
  }
  return file;
}

}  // namespace

Win32Gps::Win32Gps(const DeviceFolder& device, Kernel& kernel)
    : LogReceiver(
          [log = device.File(L"gps.nmea")]() -> std::unique_ptr<std::streambuf> {
            UniqueHandle file = OpenLog(log);
            if (!file) return nullptr;
            return std::make_unique<HandleReadBuffer>(std::move(file));
          },
          kernel) {}

}  // namespace platform::win32
