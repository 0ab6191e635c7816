#include "tests/e2e/truth/random_card.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>
#include <set>

#include "tests/e2e/device_boot.h"

namespace initap::test {

namespace {

const std::vector<std::string> kVolumes = {"sd card", "FlashHd", "System", "Windows"};
const std::vector<std::string> kFolderNames = {"A", "Maps", "d", "sub"};
const std::vector<std::string> kFileNames = {"x.txt", "noext", "a.bin", "NEW.BIN", "Maps"};
// Where links lead, relative to the link's folder or from the top of the device.
const std::vector<std::string> kLinkTargets = {"..",    ".",       "../sd card", "../FlashHd",    "../../FlashHd/A",
                                               "x.txt", "missing", "/System",    "/FlashHd/Maps", "../Maps"};

class Draw {
 public:
  explicit Draw(std::uint32_t seed) : random_(seed) {}
  // 0 to `count` - 1, the same on every standard library.
  std::size_t Below(std::size_t count) { return random_() % count; }
  bool Chance(unsigned percent) { return Below(100) < percent; }
  template <typename T>
  const T& Of(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

 private:
  std::mt19937 random_;
};

std::string DevicePath(const std::string& rootRelative) {
  std::string path = "\\" + rootRelative;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// The same name as a card maker might type it: some letters in the other case.
std::string OddCase(Draw& draw, std::string text) {
  for (char& c : text) {
    if (std::isalpha(static_cast<unsigned char>(c)) && draw.Chance(40)) {
      c = static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c));
    }
  }
  return text;
}

std::string OtherCase(std::string text) {
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    c = static_cast<char>(std::isupper(u) ? std::tolower(u) : std::toupper(u));
  }
  return text;
}

class CardMaker {
 public:
  CardMaker(std::uint32_t seed, const CardChoices& choices) : draw_(seed), choices_(choices) {}

  RandomCard Make() {
    RandomCard card;
    for (std::size_t i = 0, folders = 1 + draw_.Below(4); i < folders; ++i) AddFolder(card);
    for (std::size_t i = 0, files = 1 + draw_.Below(6); i < files; ++i) AddFile(card);
    for (std::size_t i = 0, links = draw_.Below(3); i < links; ++i) AddLink(card);
    KeepOneLoop(card);
    if (choices_.caseTwins && draw_.Chance(50)) AddTwin(card);
    const std::string volume = draw_.Chance(70) ? "sd card" : "FlashHd";
    card.descriptionPath = volume + "/update.xml";
    std::string steps;
    for (std::size_t i = 0, count = 1 + draw_.Below(4); i < count; ++i) steps += Step(volume);
    card.description = Description(Settings() + (draw_.Chance(3) ? "" : "<update>\n" + steps + "</update>"));
    return card;
  }

 private:
  void Add(RandomCard& card, CardEntry entry) {
    if (!taken_.insert(entry.path).second) return;
    if (entry.kind != CardEntry::Kind::Folder) files_.push_back(entry.path);
    if (entry.kind == CardEntry::Kind::Folder) folders_.push_back(entry.path);
    card.entries.push_back(std::move(entry));
  }
  // A volume, or a folder already made: what is added below it never finds a file in its way.
  std::string SomeFolder() { return draw_.Chance(40) || folders_.empty() ? draw_.Of(kVolumes) : draw_.Of(folders_); }
  void AddFolder(RandomCard& card) {
    Add(card, {CardEntry::Kind::Folder, SomeFolder() + "/" + draw_.Of(kFolderNames), {}});
  }
  void AddFile(RandomCard& card) {
    std::string content(draw_.Below(12), 'f');
    for (char& c : content) c = static_cast<char>('a' + draw_.Below(26));
    Add(card, {CardEntry::Kind::File, SomeFolder() + "/" + draw_.Of(kFileNames), content});
  }
  void AddLink(RandomCard& card) {
    const std::string name = draw_.Chance(50) ? "link" : "link to " + draw_.Of(kVolumes);
    const std::string folder = SomeFolder();
    Add(card, {CardEntry::Kind::Link, folder + "/" + name, draw_.Of(kLinkTargets)});
  }
  // Two links that lead to folders holding links make paths that double at
  // each step up to the path limit: a boot of minutes, which proves nothing
  // one loop does not. Any link after the first such leads nowhere.
  void KeepOneLoop(RandomCard& card) {
    std::vector<std::string> linkFolders;
    for (const CardEntry& entry : card.entries) {
      if (entry.kind == CardEntry::Kind::Link) linkFolders.push_back(Folder(entry.path));
    }
    bool looped = false;
    for (CardEntry& entry : card.entries) {
      if (entry.kind != CardEntry::Kind::Link) continue;
      const std::string target = LeadsTo(entry);
      const bool holdsLink = std::any_of(linkFolders.begin(), linkFolders.end(),
                                         [&](const std::string& folder) { return Holds(target, folder); });
      if (!holdsLink) continue;
      if (looped) entry.content = "missing";
      looped = true;
    }
  }
  static std::string Folder(const std::string& path) { return path.substr(0, path.rfind('/')); }
  // Below root/, as the device resolves it: from the top of the device or from
  // the link's folder, and ".." at the top stays at the top.
  static std::string LeadsTo(const CardEntry& link) {
    std::vector<std::string> parts;
    std::string rest = link.content.starts_with('/') ? link.content.substr(1) : Folder(link.path) + "/" + link.content;
    for (std::size_t start = 0; start <= rest.size();) {
      const std::size_t end = std::min(rest.find('/', start), rest.size());
      const std::string part = rest.substr(start, end - start);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      start = end + 1;
    }
    std::string path;
    for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
    return path;
  }
  // Whether `folder` is `top` or lies below it, names compared as the device does.
  static bool Holds(const std::string& top, const std::string& folder) {
    const auto same = [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    if (top.empty()) return true;
    return folder.size() >= top.size() && std::equal(top.begin(), top.end(), folder.begin(), same) &&
           (folder.size() == top.size() || folder[top.size()] == '/');
  }
  void AddTwin(RandomCard& card) {
    if (files_.empty()) return;
    const std::string& file = draw_.Of(files_);
    const std::size_t slash = file.rfind('/');
    const std::string twin = file.substr(0, slash + 1) + OtherCase(file.substr(slash + 1));
    if (twin != file) Add(card, {CardEntry::Kind::File, twin, "twin"});
  }

  std::string Settings() {
    switch (draw_.Below(12)) {
      case 0: return "";  // saved without a mark
      case 1: return "<update_already>1</update_already>\n";
      default: return "<update_already>0</update_already>\n";
    }
  }

  // A path for a step: something the device holds, or something it does not.
  std::string SomePath(const std::string& descriptionVolume, bool folder) {
    std::string path;
    switch (draw_.Below(6)) {
      case 0: path = draw_.Of(kVolumes) + "/nodir"; break;
      case 1:
        if (!files_.empty()) {
          path = draw_.Of(files_);
          break;
        }
        [[fallthrough]];
      case 2: path = SomeFolder() + "/" + draw_.Of(kFileNames); break;
      default: path = draw_.Chance(50) && !files_.empty() ? draw_.Of(files_) : SomeFolder(); break;
    }
    if (draw_.Chance(10)) {
      // Out of the last folder and back in.
      const std::size_t slash = path.rfind('/');
      if (slash != std::string::npos) path += "/../" + path.substr(slash + 1);
    }
    if (draw_.Chance(30)) path = OddCase(draw_, path);
    std::string text = DevicePath(path);
    const std::string top = DevicePath(descriptionVolume) + "\\";
    if (draw_.Chance(25) && text.size() > top.size() && text.compare(0, top.size(), top) == 0) {
      text = text.substr(top.size());  // relative to the description's folder
    }
    if (folder) text += "\\";
    return text;
  }

  std::string Step(const std::string& volume) {
    const bool folder = draw_.Chance(60);
    if (draw_.Chance(50)) return "<delete path=\"" + SomePath(volume, folder) + "\"/>\n";
    const std::string from = SomePath(volume, folder);
    const bool toFolder = folder || draw_.Chance(30);
    return "<copy from=\"" + from + "\" to=\"" + SomePath(volume, toFolder) + "\"/>\n";
  }

  Draw draw_;
  CardChoices choices_;
  std::set<std::string> taken_ = {kVolumes.begin(), kVolumes.end()};
  std::vector<std::string> files_;
  std::vector<std::string> folders_;
};

}  // namespace

void RandomCard::WriteInto(DeviceTree& device) const {
  for (const CardEntry& entry : entries) {
    switch (entry.kind) {
      case CardEntry::Kind::File: device.WriteFile(entry.path, entry.content); break;
      case CardEntry::Kind::Folder: device.MakeFolder(entry.path); break;
      case CardEntry::Kind::Link:
        std::filesystem::create_directories(device.Host(entry.path).parent_path());
        std::filesystem::create_symlink(entry.content, device.Host(entry.path));
        break;
    }
  }
  device.WriteFile(descriptionPath, description);
}

std::string RandomCard::Describe() const {
  std::string text;
  for (const CardEntry& entry : entries) {
    switch (entry.kind) {
      case CardEntry::Kind::File: text += "file   " + entry.path + " \"" + entry.content + "\"\n"; break;
      case CardEntry::Kind::Folder: text += "folder " + entry.path + "\n"; break;
      case CardEntry::Kind::Link: text += "link   " + entry.path + " -> " + entry.content + "\n"; break;
    }
  }
  return text + descriptionPath + ":\n" + description;
}

RandomCard MakeRandomCard(std::uint32_t seed, const CardChoices& choices) { return CardMaker(seed, choices).Make(); }

}  // namespace initap::test
