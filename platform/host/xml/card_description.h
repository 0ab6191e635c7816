// The update description a card carries: the settings of a template and an
// update list made for the card.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform::host {

// One step of the update list: its element name and its attributes, UTF-8.
struct DescriptionStep {
  std::string element;
  std::vector<std::pair<std::string, std::string>> attributes;
};

// A description with `steps` as its update list, in UTF-8. The settings are
// those of `settings` (the bytes of a description, loaded as the device loads
// one; its update list is left out), or none when null. The list is marked as
// not yet applied, so that every device carries it out. False with a
// one-line `error` when `settings` does not load.
bool ComposeCardDescription(const std::string* settings, const std::vector<DescriptionStep>& steps, std::string& bytes,
                            std::string& error);

}  // namespace platform::host
