// The manifest of a card, update.sha256: the SHA-256 of every file on it, in
// the form `sha256sum -c` reads, so that a card copied onto a memory card
// can be checked before it goes into a device.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace initap::card {

inline constexpr std::string_view kManifestName = "update.sha256";

struct ManifestEntry {
  std::string digest;  // 64 hexadecimal digits
  std::string path;    // below the card, names joined with "/"
};

// Writes the manifest of `entries`, in path order, into `card`; false with a one-line `error`.
bool WriteManifest(const std::filesystem::path& card, std::vector<ManifestEntry> entries, std::string& error);

// Holds `card` against its manifest: one line in `problems` for each file
// that is missing, changed or extra ("missing: PATH", "changed: PATH",
// "extra: PATH"). False with a one-line `error` when the manifest cannot be read.
bool VerifyCard(const std::filesystem::path& card, std::vector<std::string>& problems, std::string& error);

}  // namespace initap::card
