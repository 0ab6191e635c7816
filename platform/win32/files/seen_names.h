// Which entries of a folder the device sees. Wine shows a host folder as it
// is: names that differ only in letter case side by side, names the device's
// volumes cannot hold (some of them under a made-up short name), files of
// 4 GiB and more. The device sees none of those but the first of each set of
// case twins in code point order, as the PC's backend does.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace platform::win32 {

class SeenNames {
 public:
  // The spelling in the Windows folder `folder` of the entry the device sees
  // for `name`; `name` itself when there is none.
  std::wstring Spelled(const std::wstring& folder, const std::wstring& name);

  // Leaves out of a listing of the Windows folder `folder` (the device's
  // `deviceFolder`, "\" for the root) every entry the device does not see.
  void KeepSeen(const std::wstring& folder, std::wstring_view deviceFolder, std::vector<FindData>& entries);

 private:
  // A twin stays hidden for the rest of the boot, as on the PC.
  bool Hidden(const std::wstring& path);
  void Hide(const std::wstring& path);

  std::mutex lock_;
  std::set<std::wstring> hiddenTwins_;  // Windows paths
};

}  // namespace platform::win32
