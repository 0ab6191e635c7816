#include "platform/host/report/report_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/host/unique_fd.h"

namespace platform::host {

namespace {

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

}  // namespace

bool CanWriteReport(const std::filesystem::path& file, std::string& error, std::string_view option) {
  std::error_code ignored;
  if (std::filesystem::is_directory(file, ignored)) {
    error = std::string(option) + " '" + file.string() + "' is a folder, not a file";
    return false;
  }
  const std::filesystem::path folder = FolderOf(file);
  if (!std::filesystem::is_directory(folder, ignored)) {
    error = std::string(option) + " folder '" + folder.string() + "' does not exist";
    return false;
  }
  if (access(folder.c_str(), W_OK) != 0) {
    error = std::string(option) + " folder '" + folder.string() + "' cannot be written: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WriteReport(const std::filesystem::path& file, std::string_view json, std::string& error) {
  std::filesystem::path temporary = file;
  temporary += ".new";
  bool written = false;
  {
    const UniqueFd out(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    std::size_t done = 0;
    while (out && done < json.size()) {
      const ssize_t n = write(out.Get(), json.data() + done, json.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    written = out && done == json.size();
  }
  if (written && rename(temporary.c_str(), file.c_str()) == 0) return true;
  error = "cannot write the report " + file.string() + ": " + std::strerror(errno);
  unlink(temporary.c_str());
  return false;
}

}  // namespace platform::host
