// A device and the tree its card maker wants it to hold, each a folder of the
// host, and the tables of cases that the card tests set up on them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/device_tree.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"
#include "tools/card/card_plan.h"

namespace initap::card {

struct CardTrees {
  // `deviceIni` becomes the device's device.ini when not empty.
  explicit CardTrees(std::string_view deviceIni = {}) : device(deviceIni) {}

  // Writes a file of the wanted tree.
  void Want(const std::string& path, const std::string& bytes = "x") {
    test::WriteHostFile(wanted.path() / path, bytes);
  }
  // Makes an empty folder of the wanted tree.
  void WantFolder(const std::string& path) { std::filesystem::create_directories(wanted.path() / path); }
  // Plans the card that makes the device hold the wanted tree; the one-line error where it cannot.
  [[nodiscard]] bool Plan(CardPlan& plan, std::string& error) const {
    return PlanCard(device.Folder() / "root", wanted.path(), plan, error);
  }

  test::DeviceTree device;
  test::TempFolder wanted;
};

// Paths below a tree, each with the bytes of its file.
using TreeFiles = std::vector<std::pair<std::string, std::string>>;

// Sets up a device that holds `held` below its root and a wanted tree that holds `wanted`.
inline std::function<void(CardTrees&)> Holding(TreeFiles held, TreeFiles wanted) {
  return [held = std::move(held), wanted = std::move(wanted)](CardTrees& trees) {
    for (const auto& [path, bytes] : held) trees.device.WriteFile(path, bytes);
    for (const auto& [path, bytes] : wanted) trees.Want(path, bytes);
  };
}

// Sets up a wanted tree that holds one file at `path`.
inline std::function<void(CardTrees&)> Wanting(std::string path) { return Holding({}, {{std::move(path), "x"}}); }

// A case of a table: the trees it sets up and what is to come of them.
template <typename Outcome, typename Trees = CardTrees>
struct CardCase {
  const char* name;
  std::function<void(Trees&)> make;
  Outcome outcome;
};
template <typename Outcome, typename Trees>
void PrintTo(const CardCase<Outcome, Trees>& c, std::ostream* out) {
  *out << c.name;
}

// Names each test of a table after its case.
inline constexpr auto kCaseName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace initap::card
