#include "tools/card/card_manifest.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "tools/card/sha256.h"

namespace initap::card {

namespace fs = std::filesystem;

bool WriteManifest(const fs::path& card, std::vector<ManifestEntry> entries, std::string& error) {
  std::sort(entries.begin(), entries.end(),
            [](const ManifestEntry& a, const ManifestEntry& b) { return a.path < b.path; });
  std::ostringstream text;
  for (const ManifestEntry& entry : entries) text << entry.digest << "  " << entry.path << '\n';
  std::ofstream out(card / kManifestName, std::ios::binary | std::ios::trunc);
  out << text.str();
  if (!out.flush()) {
    error = "cannot write " + (card / kManifestName).string();
    return false;
  }
  return true;
}

bool VerifyCard(const fs::path& card, std::vector<std::string>& problems, std::string& error) {
  std::ifstream in(card / kManifestName, std::ios::binary);
  if (!in) {
    error = "no manifest " + (card / kManifestName).string() + " (initap-card make writes it)";
    return false;
  }
  std::map<std::string, std::string> listed;
  for (std::string line; std::getline(in, line);) {
    // "DIGEST  PATH", as sha256sum writes it in text mode ("DIGEST *PATH" in binary mode).
    if (line.size() < 67 || line.find_first_not_of("0123456789abcdef") != 64 || line[64] != ' ' ||
        (line[65] != ' ' && line[65] != '*')) {
      error = "the manifest " + (card / kManifestName).string() + " holds a line that is no checksum: " + line;
      return false;
    }
    listed.emplace(line.substr(66), line.substr(0, 64));
  }
  std::error_code failure;
  std::vector<std::string> present;
  for (fs::recursive_directory_iterator it(card, failure), end; !failure && it != end; it.increment(failure)) {
    if (it->is_regular_file(failure)) present.push_back(fs::relative(it->path(), card).generic_string());
  }
  std::sort(present.begin(), present.end());
  for (const std::string& path : present) {
    if (path == kManifestName) continue;
    const auto entry = listed.find(path);
    if (entry == listed.end()) {
      problems.push_back("extra: " + path);
      continue;
    }
    const std::optional<std::string> digest = FileSha256(card / path);
    if (digest != entry->second) problems.push_back("changed: " + path);
    listed.erase(entry);
  }
  for (const auto& [path, digest] : listed) problems.push_back("missing: " + path);
  std::sort(problems.begin(), problems.end(),
            [](const std::string& a, const std::string& b) { return a.substr(a.find(' ')) < b.substr(b.find(' ')); });
  return true;
}

}  // namespace initap::card
