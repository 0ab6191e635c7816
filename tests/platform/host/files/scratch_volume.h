// A small tmpfs mounted for one test: a volume that fills up, or that is
// read-only even for root (tests here run as root, whom permissions do not stop).
#pragma once

#include <sys/mount.h>

#include <filesystem>
#include <string>

namespace initap::test {

class ScratchVolume {
 public:
  ScratchVolume(const std::filesystem::path& folder, std::size_t bytes) : folder_(folder) {
    std::filesystem::create_directories(folder);
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ = mount("initap-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  ~ScratchVolume() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
  }
  ScratchVolume(const ScratchVolume&) = delete;
  ScratchVolume& operator=(const ScratchVolume&) = delete;

  // False where mounting is not allowed: the test is then skipped.
  bool Mounted() const { return mounted_; }
  bool MakeReadOnly() {
    return mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
  }

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
};

}  // namespace initap::test
