#include "platform/win32/win32_paths.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

bool EndsInSeparator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

// With a separator at the end, so that a drive ("G:") means its root.
bool IsWideFolder(std::wstring path) {
  if (path.empty()) return false;
  if (!EndsInSeparator(path)) path += L'\\';
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::string Win32Paths::Place(Kind, std::string_view given) {
  if (places_.empty()) return std::string(given);
  return placed_ < places_.size() ? places_[placed_++] : std::string();
}

bool Win32Paths::IsFolder(const std::string& placed) const { return IsWideFolder(FromUtf8(placed)); }

CommandLinePaths::OutputFile Win32Paths::CheckOutputFile(const std::string& placed) const {
  const std::wstring file = FromUtf8(placed);
  if (file.empty() || EndsInSeparator(file) || IsWideFolder(file)) return OutputFile::kFolder;
  const std::size_t separator = file.find_last_of(L"\\/");
  if (!IsWideFolder(separator == std::wstring::npos ? L"." : file.substr(0, separator + 1))) {
    return OutputFile::kNoFolder;
  }
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return OutputFile::kNotWritable;
  }
  return OutputFile::kWritable;
}

}  // namespace platform::win32
