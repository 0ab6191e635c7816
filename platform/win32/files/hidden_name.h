// The hidden name beside a file, under which it is written before it is put in place.
#pragma once

#include <string>

namespace platform::win32 {

// The Windows path of the hidden name beside `target`. It is the same every
// time, so a file that a crash left there is taken over by the next copy to
// the same destination.
std::wstring HiddenBeside(const std::wstring& target);

// True when both Windows paths name one and the same file or folder.
bool SameEntry(const std::wstring& first, const std::wstring& second);

}  // namespace platform::win32
