#include "tests/support/loop_volume.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/loop.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "platform/host/unique_fd.h"
#include "tests/support/initap_process.h"

namespace initap::test {

namespace {

// The ext4 shutdown request and its flag that skips the journal's last commit.
constexpr unsigned long kShutdown = _IOR('X', 125, std::uint32_t);
constexpr std::uint32_t kNoLogFlush = 2;

std::string Reason(const char* what) { return std::string(what) + ": " + strerror(errno); }

}  // namespace

LoopVolume::LoopVolume(const std::filesystem::path& image, int megabytes) : image_(image) {
  const platform::host::UniqueFd file(open(image.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (file.Get() < 0 || ftruncate(file.Get(), static_cast<off_t>(megabytes) << 20) != 0) {
    why_ = Reason("cannot make the image");
  } else if (InitapProcess(InitapProcess::Command{{"mkfs.ext4", "-q", "-F", image.string()}}).Finish() != 0) {
    why_ = "mkfs.ext4 is missing or failed";
  }
}

LoopVolume::~LoopVolume() {
  Unmount();
  std::error_code ignored;
  std::filesystem::remove(image_, ignored);
}

bool LoopVolume::Mount(const std::filesystem::path& folder) {
  if (!why_.empty()) return false;
  const platform::host::UniqueFd control(open("/dev/loop-control", O_RDWR | O_CLOEXEC));
  if (control.Get() < 0) {
    why_ = Reason("no loop devices (/dev/loop-control)");
    return false;
  }
  const platform::host::UniqueFd image(open(image_.c_str(), O_RDWR | O_CLOEXEC));
  // Another process may take the free device first: a few tries.
  for (int attempt = 0; attempt < 10; ++attempt) {
    const int number = ioctl(control.Get(), LOOP_CTL_GET_FREE);
    if (number < 0) {
      why_ = Reason("no free loop device");
      return false;
    }
    const std::string device = "/dev/loop" + std::to_string(number);
    const platform::host::UniqueFd loop(open(device.c_str(), O_RDWR | O_CLOEXEC));
    if (loop.Get() < 0) continue;
    loop_config config{};
    config.fd = static_cast<std::uint32_t>(image.Get());
    // The device detaches itself once the mount and this descriptor are gone.
    config.info.lo_flags = LO_FLAGS_AUTOCLEAR;
    if (ioctl(loop.Get(), LOOP_CONFIGURE, &config) != 0) {
      if (errno == EBUSY) continue;
      why_ = Reason("cannot attach a loop device");
      return false;
    }
    if (mount(device.c_str(), folder.c_str(), "ext4", 0, nullptr) != 0) {
      why_ = Reason("cannot mount ext4");
      return false;
    }
    mounted_ = folder;
    return true;
  }
  why_ = "every free loop device was taken first";
  return false;
}

void LoopVolume::Flush() {
  const platform::host::UniqueFd folder(open(mounted_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) syncfs(folder.Get());
}

bool LoopVolume::Cut() {
  const platform::host::UniqueFd folder(open(mounted_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::uint32_t flags = kNoLogFlush;
  if (folder.Get() >= 0 && ioctl(folder.Get(), kShutdown, &flags) == 0) return true;
  why_ = Reason("the ext4 shutdown request is unavailable");
  return false;
}

void LoopVolume::Unmount() {
  if (mounted_.empty()) return;
  if (umount2(mounted_.c_str(), 0) != 0) umount2(mounted_.c_str(), MNT_DETACH);
  mounted_.clear();
}

}  // namespace initap::test
