#include "platform/win32/gps/win32_gps.h"

#include "platform/win32/windows_api.h"

#include <istream>
#include <streambuf>
#include <string>

#include "platform/common/nmea_reports.h"
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
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || GetFileType(file.Get()) != FILE_TYPE_DISK) return UniqueHandle();
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileInformationByHandle(file.Get(), &information) == 0 ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return UniqueHandle();
  }
  return file;
}

}  // namespace

struct Win32Gps::Replay {
  explicit Replay(UniqueHandle file) : buffer(std::move(file)) {}

  HandleReadBuffer buffer;
  std::istream stream{&buffer};
  NmeaReportReader reports{stream};
};

Win32Gps::Win32Gps(const DeviceFolder& device, Kernel& kernel) : device_(device), kernel_(kernel) {}

Win32Gps::~Win32Gps() = default;

GpsHandle Win32Gps::OpenDevice(Event* newLocation, Event* /*deviceState*/) {
  std::lock_guard lock(lock_);
  if (!loaded_) {
    loaded_ = true;
    if (UniqueHandle log = OpenLog(device_.File(L"gps.nmea"))) {
      replay_ = std::make_unique<Replay>(std::move(log));
      offered_ = replay_->reports.Next();
    }
  }
  newLocation_ = newLocation;
  Offer();
  return ++opened_;
}

void Win32Gps::Offer() {
  if (newLocation_ != nullptr && (!replay_ || offered_)) newLocation_->Set();
}

std::uint32_t Win32Gps::GetPosition(GpsHandle device, GpsPosition& position, std::uint32_t /*maxAgeMs*/,
                                    std::uint32_t /*flags*/) {
  std::lock_guard lock(lock_);
  if (device == 0 || device > opened_ || position.size != sizeof(GpsPosition)) return kGpsInvalidParameter;
  position.utc = SystemTime{};
  if (!replay_) {
    Offer();
    return kGpsNotReady;
  }
  if (!offered_) return kGpsNotReady;
  position.utc = *offered_;
  offered_ = replay_->reports.Next();
  Offer();
  return 0;
}

std::uint32_t Win32Gps::SendDeviceCmd(std::uint32_t command) {
  {
    std::lock_guard lock(lock_);
    commands_.push_back(command);
  }
  kernel_.DebugOutput(L"GPS device command " + std::to_wstring(command));
  return 0;
}

std::vector<std::uint32_t> Win32Gps::SentCommands() const {
  std::lock_guard lock(lock_);
  return commands_;
}

}  // namespace platform::win32
