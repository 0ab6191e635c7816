// A card written from its plan: the files it carries, update.xml, the
// mass-production marker when asked for, and the manifest.
#pragma once

#include <filesystem>
#include <string>

#include "tools/card/card_plan.h"

namespace initap::card {

struct CardContent {
  const CardPlan* plan = nullptr;
  // The bytes of a description whose settings the card's description takes; null for none.
  const std::string* settings = nullptr;
  // The marker that keeps the card's description on it, so that every device runs the card.
  bool massProduction = false;
};

// Writes the card into `card`, a folder that does not exist yet. False with a
// one-line `error`; what was written then stays for the caller to remove.
bool WriteCard(const CardContent& content, const std::filesystem::path& card, std::string& error);

}  // namespace initap::card
