#include "tests/platform/host/graphics/x_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace initap::test {

namespace {

// Pointers into `arguments`, which must outlive them.
std::vector<char*> Argv(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3]));
}

// One colour channel of a pixel, given by its mask, scaled to 8 bits.
std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = __builtin_ctz(mask);
  const std::uint32_t max = mask >> shift;
  return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / max);
}

// A connection to the X server in its own protocol: enough to intern atoms
// and send one client message.
class XConnection {
 public:
  ~XConnection() {
    if (fd_ >= 0) close(fd_);
  }

  bool Open(int display, std::string& error) {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.X11-unix/X%d", display);
    if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      error = "cannot connect to the X server";
      return false;
    }
    // Little-endian client, protocol 11.0, no authorisation.
    std::string setup = {'l', 0};
    Put16(setup, 11);
    Put16(setup, 0);
    Put16(setup, 0);
    Put16(setup, 0);
    Put16(setup, 0);
    std::string reply;
    if (!Send(setup) || !Receive(8, reply) || reply[0] != 1) {
      error = "the X server refused the connection";
      return false;
    }
    const unsigned more = static_cast<std::uint8_t>(reply[6]) | static_cast<std::uint8_t>(reply[7]) << 8;
    return Receive(more * 4, reply);
  }

  bool InternAtom(const std::string& name, std::uint32_t& atom) {
    std::string request = {16, 0};
    const std::size_t padded = (name.size() + 3) / 4 * 4;
    Put16(request, static_cast<unsigned>(2 + padded / 4));
    Put16(request, static_cast<unsigned>(name.size()));
    Put16(request, 0);
    request += name;
    request.append(padded - name.size(), '\0');
    std::string reply;
    if (!Send(request) || !Reply(reply)) return false;
    atom = Get32(reply, 8);
    return atom != 0;
  }

  bool SendClientMessage(std::uint32_t window, std::uint32_t type, std::uint32_t data0) {
    std::string request = {25, 0};
    Put16(request, 11);
    Put32(request, window);
    Put32(request, 0);  // no event mask: to the window's owner
    std::string event = {33, 32};
    Put16(event, 0);
    Put32(event, window);
    Put32(event, type);
    Put32(event, data0);
    Put32(event, 0);  // CurrentTime
    event.append(12, '\0');
    // A round trip afterwards: an error about the message arrives before its reply.
    std::string sync = {43, 0};
    Put16(sync, 1);
    std::string reply;
    return Send(request + event + sync) && Reply(reply);
  }

 private:
  static void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
  }
  static void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
  }
  static std::uint32_t Get32(const std::string& in, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(in[at + i]);
    return value;
  }

  bool Send(const std::string& bytes) {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  bool Receive(std::size_t count, std::string& bytes) {
    bytes.assign(count, '\0');
    for (std::size_t done = 0; done < count;) {
      const ssize_t got = read(fd_, bytes.data() + done, count - done);
      if (got <= 0) return false;
      done += static_cast<std::size_t>(got);
    }
    return true;
  }
  // The next reply (events are skipped); false for an error.
  bool Reply(std::string& reply) {
    while (Receive(32, reply)) {
      if (reply[0] == 0) return false;
      if (reply[0] == 1) {
        std::string rest;
        return Receive(Get32(reply, 4) * 4, rest);
      }
    }
    return false;
  }

  int fd_ = -1;
};

}  // namespace

int RunProgram(const std::vector<std::string>& arguments, std::string* output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  char name[] = "/tmp/initap-run-XXXXXX";
  const int out = output ? mkstemp(name) : -1;
  if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  std::vector<char*> argv = Argv(arguments);
  pid_t process = -1;
  const int spawned = posix_spawnp(&process, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  const bool ran = spawned == 0 && waitpid(process, &status, 0) == process && WIFEXITED(status);
  if (out >= 0) {
    close(out);
    std::ifstream in(name);
    std::ostringstream text;
    text << in.rdbuf();
    *output = text.str();
    unlink(name);
  }
  return ran ? WEXITSTATUS(status) : -1;
}

pid_t StartProgram(const std::vector<std::string>& arguments) {
  std::vector<char*> argv = Argv(arguments);
  pid_t process = -1;
  if (posix_spawnp(&process, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return process;
}

std::optional<int> WaitProgram(pid_t process, int seconds) {
  int status = 0;
  for (int i = 0; i < seconds * 20; ++i) {
    if (waitpid(process, &status, WNOHANG) == process) {
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(process, SIGKILL);
  waitpid(process, &status, 0);
  return std::nullopt;
}

bool HasProgram(const std::string& name) {
  std::string output;
  return RunProgram({"sh", "-c", "command -v " + name}, &output) == 0 && !output.empty();
}

bool ParseXwd(const std::string& file, platform::host::ScreenImage& image, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  const std::string bytes = content.str();
  if (bytes.size() < 100) {
    error = "no XWD header in " + file;
    return false;
  }
  // The header: 25 big-endian 32-bit fields, then the window name.
  std::uint32_t field[25];
  for (int i = 0; i < 25; ++i) field[i] = BigEndian32(bytes, i * 4);
  const std::uint32_t headerSize = field[0], version = field[1], format = field[2], width = field[4], height = field[5],
                      byteOrder = field[7], bitsPerPixel = field[11], bytesPerLine = field[12], redMask = field[14],
                      greenMask = field[15], blueMask = field[16], colours = field[19];
  if (version != 7 || format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24)) {
    error = "unsupported XWD picture (version " + std::to_string(version) + ", " + std::to_string(bitsPerPixel) +
            " bits a pixel)";
    return false;
  }
  const std::size_t data = std::size_t{headerSize} + std::size_t{colours} * 12;
  if (bytes.size() < data + std::size_t{bytesPerLine} * height) {
    error = "XWD picture cut short";
    return false;
  }
  const std::size_t step = bitsPerPixel / 8;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.assign(std::size_t{width} * height * 3, 0);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t at = data + std::size_t{y} * bytesPerLine + x * step;
      std::uint32_t pixel = 0;
      for (std::size_t b = 0; b < step; ++b) {
        const std::uint32_t byte = static_cast<std::uint8_t>(bytes[at + b]);
        pixel |= byteOrder == 0 ? byte << (8 * b) : byte << (8 * (step - 1 - b));
      }
      std::uint8_t* out = &image.pixels[(std::size_t{y} * width + x) * 3];
      out[0] = Channel(pixel, blueMask);
      out[1] = Channel(pixel, greenMask);
      out[2] = Channel(pixel, redMask);
    }
  }
  return true;
}

XServer::~XServer() {
  if (process_ > 0) {
    kill(process_, SIGTERM);
    int status = 0;
    waitpid(process_, &status, 0);
  }
  if (!scratch_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
  }
}

bool XServer::Start(std::string& error) {
  char folder[] = "/tmp/initap-xvfb-XXXXXX";
  if (!mkdtemp(folder)) {
    error = "no scratch folder";
    return false;
  }
  scratch_ = folder;
  // Xvfb picks a free display and writes its number into the pipe once it is ready.
  int ready[2];
  if (pipe(ready) != 0) {
    error = "no pipe";
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, ready[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (scratch_ / "xvfb.log").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::vector<std::string> arguments = {
      "Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", "480x640x24", "-nolisten", "tcp", "-noreset"};
  std::vector<char*> argv = Argv(arguments);
  const int spawned = posix_spawnp(&process_, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  if (spawned != 0) {
    process_ = -1;
    close(ready[0]);
    error = "Xvfb does not start";
    return false;
  }
  std::string number;
  char c = 0;
  while (read(ready[0], &c, 1) == 1 && c != '\n') number += c;
  close(ready[0]);
  if (number.empty()) {
    error = "Xvfb did not come up";
    return false;
  }
  number_ = std::atoi(number.c_str());
  return true;
}

unsigned long XServer::FindWindow(const std::string& title, int seconds) const {
  std::string output;
  RunProgram({"env", "DISPLAY=" + Display(), "timeout", std::to_string(seconds), "xdotool", "search", "--sync",
              "--onlyvisible", "--name", "^" + title + "$"},
             &output);
  return std::strtoul(output.c_str(), nullptr, 10);
}

bool XServer::Capture(unsigned long window, platform::host::ScreenImage& image, std::string& error) const {
  const std::string file = (scratch_ / "capture.xwd").string();
  if (RunProgram({"xwd", "-display", Display(), "-silent", "-id", std::to_string(window), "-out", file}) != 0) {
    error = "xwd failed";
    return false;
  }
  return ParseXwd(file, image, error);
}

bool XServer::RequestClose(unsigned long window, std::string& error) const {
  XConnection connection;
  if (!connection.Open(number_, error)) return false;
  std::uint32_t protocols = 0, deleteWindow = 0;
  if (!connection.InternAtom("WM_PROTOCOLS", protocols) || !connection.InternAtom("WM_DELETE_WINDOW", deleteWindow)) {
    error = "cannot intern the window manager's atoms";
    return false;
  }
  if (!connection.SendClientMessage(static_cast<std::uint32_t>(window), protocols, deleteWindow)) {
    error = "the X server refused the close request";
    return false;
  }
  return true;
}

}  // namespace initap::test
