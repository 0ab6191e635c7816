#include "platform/win32/shell/win32_shell.h"

#include <string>
#include <vector>

#include "platform/common/launched_line.h"
#include "platform/common/path_limits.h"
#include "platform/common/program_candidates.h"
#include "platform/common/program_image.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

#include <shellapi.h>

namespace platform::win32 {

namespace {

// Anything else, a script for example, would start a program of the host under Wine.
bool IsProgramFile(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  return IsWindowsProgram([&](std::uint32_t offset, void* buffer, std::size_t size) {
    OVERLAPPED at{};
    at.Offset = offset;
    DWORD got = 0;
    return ReadFile(file.Get(), buffer, static_cast<DWORD>(size), &got, &at) && got == size;
  });
}

bool Start(const std::wstring& path) {
  SHELLEXECUTEINFOW request{};
  request.cbSize = sizeof request;
  // Started as a program whatever its name ends in, and no dialog on failure.
  request.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_CLASSNAME | SEE_MASK_NOASYNC;
  request.lpClass = L"exefile";
  request.lpVerb = L"open";
  request.lpFile = path.c_str();
  request.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&request) != 0;
}

}  // namespace

Win32Shell::Win32Shell(const DeviceFolder& device, Win32FileSystem& files, Kernel& kernel,
                       std::function<void(std::string_view line)> echo)
    : device_(device), files_(files), kernel_(kernel), echo_(std::move(echo)) {}

bool Win32Shell::Execute(std::wstring_view file) {
  bool started = false;
  if (!file.empty()) {
    for (const std::wstring& candidate : ProgramCandidates(file)) {
      if (candidate.size() > kLongestPath) break;
      std::wstring path;
      if (files_.WindowsPathOf(candidate, path) != FileStatus::Ok) continue;
      const DWORD attributes = GetFileAttributesW(path.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
      started = IsProgramFile(path) && Start(path);
      break;
    }
  }
  Note(started, file);
  return started;
}

void Win32Shell::Note(bool started, std::wstring_view file) {
  const std::string line = LaunchedLine(kernel_.GetLocalTime(), started, ToUtf8(file));
  {
    std::lock_guard lock(logLock_);
    UniqueHandle log(CreateFileW(device_.File(L"launched.log").c_str(), FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log) {
      const std::string entry = line + "\n";
      DWORD written = 0;
      WriteFile(log.Get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
    }
  }
  if (echo_) echo_(line);
}

}  // namespace platform::win32
