// The device's volumes are of a fixed size: a write that would pass it fails
// as disk full, where the device's would, before any of its data is written.
// Stands over either backend's file system and keeps the count of what each
// sized volume holds: the bytes of its files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/forwarding_file_system.h"
#include "platform/common/volume_sizes.h"

namespace platform {

// How full a sized volume was when the boot began and is now.
struct VolumeFill {
  std::wstring volume;  // as the device names it
  std::uint64_t size = 0;
  std::uint64_t usedBefore = 0;
  std::uint64_t used = 0;
  std::uint64_t refused = 0;  // the bytes of the writes refused for want of room
};

class SizedVolumes final : public ForwardingFileSystem {
 public:
  // Told of a write to `path` refused on `volume`, and how much more room
  // the volume would need for everything refused so far.
  using Refusal = std::function<void(std::wstring_view volume, std::wstring_view path, std::uint64_t moreNeeded)>;

  // Counts what each volume of `sizes` holds now, through `below`.
  SizedVolumes(FileSystem& below, const std::vector<VolumeSize>& sizes, Refusal refused = {});

  FileStatus CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) override;
  FileStatus MoveFile(std::wstring_view source, std::wstring_view destination) override;
  FileStatus DeleteFile(std::wstring_view path) override;
  FileStatus OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) override;
  FileStatus CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) override;
  FileStatus ReplaceFile(std::wstring_view path, std::string_view bytes) override;

  std::vector<VolumeFill> Fills() const;

  // Takes room for `added` bytes in place of `removed` on the volume at
  // `index`: false, with the refusal told, when they do not fit.
  bool Take(int index, std::wstring_view path, std::uint64_t added, std::uint64_t removed);
  // Gives back what Take took, for a write that failed after all.
  void GiveBack(int index, std::uint64_t added, std::uint64_t removed);

 private:
  // The sized volume `path` lies on; -1 for none.
  int VolumeOf(std::wstring_view path) const;
  // The size of the file at `path`; 0 when there is none.
  std::uint64_t SizeOf(std::wstring_view path);
  std::uint64_t Count(const std::wstring& folder);

  mutable std::mutex lock_;
  std::vector<VolumeFill> volumes_;
  Refusal refused_;
};

}  // namespace platform
