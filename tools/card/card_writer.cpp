#include "tools/card/card_writer.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

#include "platform/common/mass_production_marker.h"
#include "platform/common/update_descriptions.h"
#include "platform/host/utf8.h"
#include "platform/host/xml/card_description.h"
#include "tools/card/card_manifest.h"
#include "tools/card/sha256.h"

namespace initap::card {

namespace {

namespace fs = std::filesystem;
using platform::host::DescriptionStep;
using platform::host::ToUtf8;

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// The name a device path has on the SD card, for a file directly on it.
std::string OnCard(std::wstring_view devicePath) { return ToUtf8(devicePath.substr(devicePath.rfind(L'\\') + 1)); }

class Writer {
 public:
  Writer(const fs::path& card, std::string& error) : card_(card), error_(error) {}

  // Copies one file onto the card, hashing it on the way.
  bool CopyFile(const fs::path& from, const std::string& path) {
    const fs::path to = card_ / fs::path(path);
    std::error_code failure;
    fs::create_directories(to.parent_path(), failure);
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    Sha256 hash;
    std::array<char, 1 << 16> buffer;
    while (in && out) {
      in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      const std::string_view chunk(buffer.data(), static_cast<std::size_t>(in.gcount()));
      hash.Update(chunk);
      out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
    if (in.bad() || !out.flush()) return Failed("cannot copy " + from.string() + " to " + to.string());
    entries_.push_back({hash.HexDigest(), path});
    return true;
  }

  // Copies a folder onto the card whole, empty folders too.
  bool CopyFolder(const fs::path& from, const std::string& path) {
    std::error_code failure;
    fs::create_directories(card_ / fs::path(path), failure);
    if (failure) return Failed("cannot make " + (card_ / fs::path(path)).string());
    for (fs::directory_iterator it(from, failure), end; !failure && it != end; it.increment(failure)) {
      const std::string child = path + "/" + it->path().filename().string();
      if (!(it->is_directory() ? CopyFolder(it->path(), child) : CopyFile(it->path(), child))) return false;
    }
    return !failure || Failed("cannot read " + from.string());
  }

  // Writes a file of the card's own, hashed too.
  bool Write(const std::string& path, std::string_view bytes) {
    std::ofstream out(card_ / path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return Failed("cannot write " + (card_ / path).string());
    Sha256 hash;
    hash.Update(bytes);
    entries_.push_back({hash.HexDigest(), path});
    return true;
  }

  bool Finish() { return WriteManifest(card_, std::move(entries_), error_); }

 private:
  bool Failed(std::string why) {
    error_ = std::move(why);
    return false;
  }

  const fs::path& card_;
  std::string& error_;
  std::vector<ManifestEntry> entries_;
};

std::vector<DescriptionStep> UpdateList(const CardPlan& plan) {
  std::vector<DescriptionStep> steps;
  for (const CardStep& step : plan.deletes) {
    const bool folder = step.kind == CardStep::Kind::DeleteFolder;
    steps.push_back({"delete", {{"path", "\\" + Backslashed(step.path) + (folder ? "\\" : "")}}});
  }
  for (const CardStep& step : plan.copies) {
    const std::string end = step.kind == CardStep::Kind::CopyFolder ? "\\" : "";
    steps.push_back({"copy",
                     {{"from", std::string(kCardFiles) + "\\" + Backslashed(step.path) + end},
                      {"to", "\\" + Backslashed(step.path) + end}}});
  }
  return steps;
}

}  // namespace

bool WriteCard(const CardContent& content, const fs::path& card, std::string& error) {
  std::error_code failure;
  if (!fs::create_directory(card, failure)) {
    error = "cannot make the card's folder " + card.string();
    return false;
  }
  Writer writer(card, error);
  for (const CardStep& step : content.plan->copies) {
    const std::string path = std::string(kCardFiles) + "/" + step.path;
    const bool copied = step.kind == CardStep::Kind::CopyFolder ? writer.CopyFolder(step.source, path)
                                                                : writer.CopyFile(step.source, path);
    if (!copied) return false;
  }
  std::string description;
  if (!platform::host::ComposeCardDescription(content.settings, UpdateList(*content.plan), description, error) ||
      !writer.Write(ToUtf8(platform::kDescriptionName), description)) {
    return false;
  }
  if (content.massProduction && !writer.Write(OnCard(platform::kMassProductionMarker), "")) return false;
  return writer.Finish();
}

}  // namespace initap::card
