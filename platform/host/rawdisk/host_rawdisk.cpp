#include "platform/host/rawdisk/host_rawdisk.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cwctype>
#include <mutex>
#include <set>
#include <utility>

#include "platform/common/boot_disk.h"
#include "platform/host/regular_file.h"

namespace platform::host {

namespace {

bool IsBootDisk(std::wstring_view device) {
  if (device.size() != kBootDisk.size()) return false;
  for (std::size_t i = 0; i < kBootDisk.size(); ++i) {
    if (std::towupper(static_cast<wint_t>(device[i])) != static_cast<wint_t>(kBootDisk[i])) return false;
  }
  return true;
}

// flock keeps other processes out; this keeps the process itself out even on
// file systems where flock is emulated by per-process record locks.
class OpenDisks {
 public:
  bool Claim(std::pair<dev_t, ino_t> id) {
    std::lock_guard lock(mutex_);
    return held_.insert(id).second;
  }
  void Release(std::pair<dev_t, ino_t> id) {
    std::lock_guard lock(mutex_);
    held_.erase(id);
  }

 private:
  std::mutex mutex_;
  std::set<std::pair<dev_t, ino_t>> held_;
};

OpenDisks& Held() {
  static OpenDisks disks;
  return disks;
}

class HostRawDisk final : public RawDisk {
 public:
  HostRawDisk(int fd, std::pair<dev_t, ino_t> id) : fd_(fd), id_(id) {}
  ~HostRawDisk() override {
    Held().Release(id_);
    close(fd_);  // drops the flock too
  }
  HostRawDisk(const HostRawDisk&) = delete;
  HostRawDisk& operator=(const HostRawDisk&) = delete;

  bool ReadSectors(std::uint32_t first, std::uint32_t count, std::span<std::uint8_t> buffer) override {
    const std::uint64_t length = std::uint64_t{count} * kSectorSize;
    if (buffer.size() < length) return false;
    std::uint64_t done = 0;
    while (done < length) {
      const ssize_t got = pread(fd_, buffer.data() + done, length - done,
                                static_cast<off_t>(std::uint64_t{first} * kSectorSize + done));
      if (got < 0 && errno == EINTR) continue;
      // A sector beyond the end of the disk is a rejected request, as on the device.
      if (got <= 0) return false;
      done += static_cast<std::uint64_t>(got);
    }
    return true;
  }

 private:
  int fd_;
  std::pair<dev_t, ino_t> id_;
};

}  // namespace

HostRawDiskService::HostRawDiskService(const DeviceFolder& device) : device_(device) {}

std::unique_ptr<RawDisk> HostRawDiskService::Open(std::wstring_view device) {
  if (!IsBootDisk(device)) return nullptr;
  const int fd = OpenRegularFile(device_.File("disk.img"), device_.dryRun ? O_RDONLY : O_RDWR).Release();
  if (fd < 0) return nullptr;
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    close(fd);
    return nullptr;
  }
  const std::pair<dev_t, ino_t> id{info.st_dev, info.st_ino};
  if (!Held().Claim(id)) {
    close(fd);
    return nullptr;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    Held().Release(id);
    close(fd);
    return nullptr;
  }
  return std::make_unique<HostRawDisk>(fd, id);
}

}  // namespace platform::host
