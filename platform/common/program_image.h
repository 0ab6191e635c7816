// Whether a file is a Windows program: the device's shell starts nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

// Reads `size` bytes at `offset` of the file; false when fewer are there.
using ReadAt = std::function<bool(std::uint32_t offset, void* buffer, std::size_t size)>;

// "MZ" at the start, and "PE\0\0" where its header points.
bool IsWindowsProgram(const ReadAt& read);

}  // namespace platform
