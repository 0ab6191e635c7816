// A real file system for power-cut tests: an ext4 image of the test's own,
// attached to a free loop device and mounted on a folder, and cut off the way
// a power cut does it. Unmounted and detached when destroyed, on failure too.
#pragma once

#include <filesystem>
#include <string>

namespace initap::test {

class LoopVolume {
 public:
  // Makes an empty ext4 file system of `megabytes` in the file `image`; Ready() tells whether that worked.
  LoopVolume(const std::filesystem::path& image, int megabytes);
  ~LoopVolume();
  LoopVolume(const LoopVolume&) = delete;
  LoopVolume& operator=(const LoopVolume&) = delete;

  // Empty when the volume can be used; otherwise one line saying why not.
  const std::string& Unusable() const { return why_; }
  // Attaches the image to a free loop device and mounts it on `folder`; false, with Unusable() set, when that fails.
  bool Mount(const std::filesystem::path& folder);
  // Makes what was written so far durable, as on a device that has settled.
  void Flush();
  // The power cut: the file system takes no more writes and never writes
  // what it still held, its journal included. False, with Unusable() set, when it cannot.
  bool Cut();
  // Unmounts; the loop device detaches itself then.
  void Unmount();

 private:
  std::filesystem::path image_;
  std::filesystem::path mounted_;
  std::string why_;
};

}  // namespace initap::test
