// Registry export files (.reg): "REGEDIT4" and "Windows Registry Editor
// Version 5.00" text, read into a registry tree and written back from it in
// the same header, encoding and line ends.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/host/registry/registry_tree.h"

namespace platform::host {

enum class RegFileHeader { Regedit4, Version5 };
// Ansi: the device's code page; a REGEDIT4 file without byte-order mark,
// or another that does not read as UTF-8.
enum class RegFileEncoding { Utf8, Utf8Bom, Utf16LeBom, Ansi };

struct RegFileFormat {
  RegFileHeader header = RegFileHeader::Regedit4;
  RegFileEncoding encoding = RegFileEncoding::Ansi;
  bool crlf = true;
};

// Applies the file's key deletions, keys and values to `tree` (its children
// are the root keys), in the file's order. False when the bytes are no
// registry file. `problem` names the first line that was not understood and
// skipped, empty when every line was.
bool ReadRegFile(std::string_view bytes, CodePage& ansi, RegistryNode& tree, RegFileFormat& format,
                 std::string& problem);

// The file that holds `tree`; none when a name or text cannot be written in
// the format's encoding.
std::optional<std::string> WriteRegFile(const RegistryNode& tree, const RegFileFormat& format, CodePage& ansi);

}  // namespace platform::host
