// Stops a run at a chosen file access on a mounted file system: every open
// and read there waits for the gate's answer, so the run stands exactly at
// the chosen one while the test acts, with no timing involved.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

namespace initap::test {

// The `occurrence`th open (from 1) of a name below the mount that begins
// with `prefix` ("sd card/maps/m05.map"; "System/#" for an unnamed file being
// written there); with `atRead`, the first read after that open instead.
struct Access {
  std::string prefix;
  int occurrence = 1;
  bool atRead = false;
};

class OpenGate {
 public:
  // Watches the mount at `mountPoint`; Unusable() says why not when it cannot.
  explicit OpenGate(const std::filesystem::path& mountPoint);
  // Lets everything that waits go on.
  ~OpenGate();
  OpenGate(const OpenGate&) = delete;
  OpenGate& operator=(const OpenGate&) = delete;

  const std::string& Unusable() const { return why_; }
  // Lets accesses through until `access` comes, and holds that one; false
  // when it did not come within `patience`.
  bool HoldAt(const Access& access, std::chrono::milliseconds patience);
  // Lets the held access, and every later one, go on.
  void Open();

 private:
  void Answer(int eventFd);

  std::filesystem::path mount_;
  int group_ = -1;
  int held_ = -1;
  std::map<std::string, int> opens_;
  std::string why_;
};

}  // namespace initap::test
