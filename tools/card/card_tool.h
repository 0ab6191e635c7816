// initap-card: makes a card from the wanted tree, verifies a card against its
// manifest, and checks a card on many device folders at once.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace initap::card {

// Where the tool finds the initap it proves and checks cards with.
struct CardToolSetting {
  std::filesystem::path initap;
};

// Runs the tool on its arguments (without the program name). Returns 0 on
// success, 1 when the work failed (or, for verify and check, the verdict
// says so), 2 for a usage error.
int RunCardTool(const std::vector<std::string>& arguments, const CardToolSetting& setting, std::ostream& out,
                std::ostream& err);

}  // namespace initap::card
