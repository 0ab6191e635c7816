#include "platform/common/sized_volumes.h"

#include <algorithm>
#include <tuple>

#include "platform/common/device_names.h"
#include "platform/common/name_case.h"

namespace platform {

namespace {

// The bytes `text` takes in UTF-8, as an append stream writes it.
std::uint64_t Utf8Bytes(std::wstring_view text) {
  std::uint64_t bytes = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<std::uint32_t>(text[i]);
    if (c < 0x80) {
      bytes += 1;
    } else if (c < 0x800) {
      bytes += 2;
    } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      bytes += 4;  // a pair of 16-bit units
      ++i;
    } else {
      bytes += c < 0x10000 ? 3 : 4;
    }
  }
  return bytes;
}

// Buffers what is appended, so that a line that does not fit is refused whole at Close.
class SizedAppendStream final : public AppendStream {
 public:
  SizedAppendStream(SizedVolumes& volumes, int volume, std::wstring path, std::unique_ptr<AppendStream> below)
      : volumes_(volumes), volume_(volume), path_(std::move(path)), below_(std::move(below)) {}

  FileStatus Write(std::wstring_view text) override {
    pending_ += text;
    return FileStatus::Ok;
  }
  FileStatus Close() override {
    const std::wstring text = std::move(pending_);
    pending_.clear();
    const std::uint64_t bytes = Utf8Bytes(text);
    if (!volumes_.Take(volume_, path_, bytes, 0)) {
      std::ignore = below_->Close();
      return FileStatus::DiskFull;
    }
    const FileStatus written = text.empty() ? FileStatus::Ok : below_->Write(text);
    const FileStatus closed = below_->Close();
    if (written != FileStatus::Ok || closed != FileStatus::Ok) volumes_.GiveBack(volume_, bytes, 0);
    return written != FileStatus::Ok ? written : closed;
  }

 private:
  SizedVolumes& volumes_;
  int volume_;
  std::wstring path_;
  std::unique_ptr<AppendStream> below_;
  std::wstring pending_;
};

class SizedWriteStream final : public WriteStream {
 public:
  SizedWriteStream(SizedVolumes& volumes, int volume, std::wstring path, std::unique_ptr<WriteStream> below)
      : volumes_(volumes), volume_(volume), path_(std::move(path)), below_(std::move(below)) {}

  FileStatus Write(std::string_view bytes) override {
    if (!volumes_.Take(volume_, path_, bytes.size(), 0)) return FileStatus::DiskFull;
    const FileStatus written = below_->Write(bytes);
    if (written != FileStatus::Ok) volumes_.GiveBack(volume_, bytes.size(), 0);
    return written;
  }
  FileStatus Close() override { return below_->Close(); }

 private:
  SizedVolumes& volumes_;
  int volume_;
  std::wstring path_;
  std::unique_ptr<WriteStream> below_;
};

}  // namespace

SizedVolumes::SizedVolumes(FileSystem& below, const std::vector<VolumeSize>& sizes, Refusal refused)
    : ForwardingFileSystem(below), refused_(std::move(refused)) {
  for (const VolumeSize& size : sizes) {
    const std::uint64_t used = Count(L"\\" + size.volume);
    volumes_.push_back({size.volume, size.bytes, used, used, 0});
  }
}

std::uint64_t SizedVolumes::Count(const std::wstring& folder) {
  std::uint64_t bytes = 0;
  FindData entry;
  std::unique_ptr<FindHandle> listing;
  if (Below().FindFirst(folder + L"\\*.*", entry, listing) != FileStatus::Ok) return 0;
  do {
    bytes += (entry.attributes & kDirectoryAttribute) != 0 ? Count(folder + L"\\" + entry.name) : entry.size;
  } while (listing->Next(entry) == FileStatus::Ok);
  return bytes;
}

int SizedVolumes::VolumeOf(std::wstring_view path) const {
  DeviceNames names;
  if (ParseDeviceNames(path, names) != FileStatus::Ok || names.names.size() < 2) return -1;
  const std::wstring folded = FoldName(names.names.front());
  for (std::size_t i = 0; i < volumes_.size(); ++i) {
    if (FoldName(volumes_[i].volume) == folded) return static_cast<int>(i);
  }
  return -1;
}

std::uint64_t SizedVolumes::SizeOf(std::wstring_view path) {
  FindData found;
  std::unique_ptr<FindHandle> listing;
  if (Below().FindFirst(path, found, listing) != FileStatus::Ok) return 0;
  return (found.attributes & kDirectoryAttribute) != 0 ? 0 : found.size;
}

bool SizedVolumes::Take(int index, std::wstring_view path, std::uint64_t added, std::uint64_t removed) {
  if (index < 0) return true;
  std::uint64_t more = 0;
  {
    std::lock_guard guard(lock_);
    VolumeFill& volume = volumes_[static_cast<std::size_t>(index)];
    const std::uint64_t after = volume.used - std::min(removed, volume.used) + added;
    if (added <= removed || after <= volume.size) {
      volume.used = after;
      return true;
    }
    volume.refused += added - removed;
    more = volume.used + volume.refused - volume.size;
  }
  if (refused_) refused_(L"\\" + volumes_[static_cast<std::size_t>(index)].volume, path, more);
  return false;
}

void SizedVolumes::GiveBack(int index, std::uint64_t added, std::uint64_t removed) {
  if (index < 0) return;
  std::lock_guard guard(lock_);
  VolumeFill& volume = volumes_[static_cast<std::size_t>(index)];
  volume.used = volume.used - std::min(added, volume.used) + removed;
}

std::vector<VolumeFill> SizedVolumes::Fills() const {
  std::lock_guard guard(lock_);
  return volumes_;
}

FileStatus SizedVolumes::CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  const int volume = VolumeOf(destination);
  if (volume < 0) return Below().CopyFile(source, destination, failIfExists);
  // A copy that cannot be made for another reason says so, as without a size.
  if (Below().TestOpenForRead(source) != FileStatus::Ok) return Below().CopyFile(source, destination, failIfExists);
  const std::uint64_t added = SizeOf(source), removed = failIfExists ? 0 : SizeOf(destination);
  if (!Take(volume, destination, added, removed)) return FileStatus::DiskFull;
  const FileStatus status = Below().CopyFile(source, destination, failIfExists);
  if (status != FileStatus::Ok) GiveBack(volume, added, removed);
  return status;
}

FileStatus SizedVolumes::MoveFile(std::wstring_view source, std::wstring_view destination) {
  const int from = VolumeOf(source), to = VolumeOf(destination);
  if (from == to) return Below().MoveFile(source, destination);
  const std::uint64_t size = SizeOf(source);
  if (!Take(to, destination, size, 0)) return FileStatus::DiskFull;
  const FileStatus status = Below().MoveFile(source, destination);
  if (status != FileStatus::Ok) {
    GiveBack(to, size, 0);
  } else {
    GiveBack(from, size, 0);
  }
  return status;
}

FileStatus SizedVolumes::DeleteFile(std::wstring_view path) {
  const int volume = VolumeOf(path);
  const std::uint64_t size = volume < 0 ? 0 : SizeOf(path);
  const FileStatus status = Below().DeleteFile(path);
  if (status == FileStatus::Ok) GiveBack(volume, size, 0);
  return status;
}

FileStatus SizedVolumes::ReplaceFile(std::wstring_view path, std::string_view bytes) {
  const int volume = VolumeOf(path);
  const std::uint64_t removed = volume < 0 ? 0 : SizeOf(path);
  if (!Take(volume, path, bytes.size(), removed)) return FileStatus::DiskFull;
  const FileStatus status = Below().ReplaceFile(path, bytes);
  if (status != FileStatus::Ok) GiveBack(volume, bytes.size(), removed);
  return status;
}

FileStatus SizedVolumes::OpenAppend(std::wstring_view path, std::unique_ptr<AppendStream>& stream) {
  const int volume = VolumeOf(path);
  const FileStatus status = Below().OpenAppend(path, stream);
  if (status == FileStatus::Ok && volume >= 0) {
    stream = std::make_unique<SizedAppendStream>(*this, volume, std::wstring(path), std::move(stream));
  }
  return status;
}

FileStatus SizedVolumes::CreateForWrite(std::wstring_view path, std::unique_ptr<WriteStream>& stream) {
  const int volume = VolumeOf(path);
  const std::uint64_t removed = volume < 0 ? 0 : SizeOf(path);
  const FileStatus status = Below().CreateForWrite(path, stream);
  if (status != FileStatus::Ok || volume < 0) return status;
  // The file was truncated: what it held is free again.
  GiveBack(volume, removed, 0);
  stream = std::make_unique<SizedWriteStream>(*this, volume, std::wstring(path), std::move(stream));
  return FileStatus::Ok;
}

}  // namespace platform
