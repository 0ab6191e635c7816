#include "platform/host/registry/host_registry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/host/codepage/host_codepage.h"
#include "platform/host/registry/reg_file.h"
#include "platform/host/registry/utf16le.h"
#include "platform/host/regular_file.h"

namespace platform::host {

namespace {

// The longest name of one key, in characters.
constexpr std::size_t kKeyNameLimit = 255;

std::wstring_view RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return L"HKEY_CLASSES_ROOT";
    case RegistryRoot::CurrentUser: return L"HKEY_CURRENT_USER";
    case RegistryRoot::LocalMachine: return L"HKEY_LOCAL_MACHINE";
    case RegistryRoot::Users: return L"HKEY_USERS";
  }
  return {};
}

// Writes `bytes` beside `file`, flushed, and renames it into place.
bool ReplaceWhole(const std::filesystem::path& file, const std::string& bytes, std::string& error) {
  auto temporary = file;
  temporary += ".new";
  const int fd = OpenRegularFile(temporary, O_WRONLY | O_CREAT | O_TRUNC, 0644).Release();
  if (fd < 0) {
    error = temporary.string() + ": " + std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  const bool ok = done == bytes.size() && fsync(fd) == 0;
  if (!ok) error = temporary.string() + ": " + std::strerror(errno);
  close(fd);
  if (ok && rename(temporary.c_str(), file.c_str()) == 0) return true;
  if (ok) error = file.string() + ": " + std::strerror(errno);
  unlink(temporary.c_str());
  return false;
}

}  // namespace

struct HostRegistry::State {
  std::mutex lock;
  std::filesystem::path file;
  HostCodePage codePage;
  RegistryNode tree{L""};
  RegFileFormat format;
  std::string problem;  // non-empty: the file is not written back
  bool dryRun;          // the tree is kept in memory only

  explicit State(const DeviceFolder& device)
      : file(device.File("registry.reg")), codePage(device), dryRun(device.dryRun) {}
};

namespace {

class HostRegistryKey final : public RegistryKey {
 public:
  HostRegistryKey(std::shared_ptr<HostRegistry::State> state, const RegistryNode* node)
      : state_(std::move(state)), node_(node) {}

  bool QueryString(std::wstring_view name, std::wstring& value, std::size_t capacityBytes) override {
    std::lock_guard lock(state_->lock);
    const RegistryValue* found = node_->FindValue(name);
    if (found == nullptr || (found->type != kRegSz && found->type != kRegExpandSz)) return false;
    std::string_view data = found->data;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
      if (data[i] == 0 && data[i + 1] == 0) {
        data = data.substr(0, i);
        break;
      }
    }
    // Two bytes a character on the device, and the terminator.
    if ((data.size() / 2 + 1) * 2 > capacityBytes) return false;
    value = FromUtf16Le(data.substr(0, data.size() / 2 * 2));
    return true;
  }

 private:
  std::shared_ptr<HostRegistry::State> state_;  // keeps the node alive: nodes are never removed
  const RegistryNode* node_;
};

}  // namespace

HostRegistry::HostRegistry(const DeviceFolder& device) : state_(std::make_shared<State>(device)) {
  const auto content = ReadRegularFile(state_->file);
  if (!content) {
    // Missing, the registry starts empty; unreadable, it is never overwritten.
    if (errno != ENOENT) state_->problem = state_->file.string() + ": " + std::strerror(errno);
    return;
  }
  if (content->empty()) return;
  std::string problem;
  if (!ReadRegFile(*content, state_->codePage, state_->tree, state_->format, problem)) {
    state_->problem = state_->file.string() + ": not a registry file";
  } else if (!problem.empty()) {
    state_->problem = state_->file.string() + " " + problem;
  }
}

HostRegistry::~HostRegistry() = default;

std::string HostRegistry::Problem() const {
  std::lock_guard lock(state_->lock);
  return state_->problem;
}

std::unique_ptr<RegistryKey> HostRegistry::CreateKey(RegistryRoot root, std::wstring_view subKey) {
  std::vector<std::wstring_view> names{RootName(root)};
  if (names.front().empty()) return nullptr;
  for (std::size_t start = 0; !subKey.empty();) {
    const std::size_t end = subKey.find(L'\\', start);
    const auto name = subKey.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    if (name.empty() || name.size() > kKeyNameLimit) return nullptr;
    names.push_back(name);
    if (end == std::wstring_view::npos) break;
    start = end + 1;
  }

  std::lock_guard lock(state_->lock);
  RegistryNode* node = &state_->tree;
  std::size_t depth = 0;
  for (; depth < names.size(); ++depth) {
    RegistryNode* child = node->FindChild(names[depth]);
    if (child == nullptr) break;
    node = child;
  }
  if (depth == names.size()) return std::make_unique<HostRegistryKey>(state_, node);
  if (!state_->problem.empty()) return nullptr;

  RegistryNode* parent = node;
  for (std::size_t i = depth; i < names.size(); ++i) node = &node->AddChild(names[i]);
  if (state_->dryRun) return std::make_unique<HostRegistryKey>(state_, node);
  const auto bytes = WriteRegFile(state_->tree, state_->format, state_->codePage);
  std::string error;
  if (!bytes || !ReplaceWhole(state_->file, *bytes, error)) {
    // Not kept: the key would be gone at the next boot.
    parent->RemoveChild(names[depth]);
    return nullptr;
  }
  return std::make_unique<HostRegistryKey>(state_, node);
}

}  // namespace platform::host
