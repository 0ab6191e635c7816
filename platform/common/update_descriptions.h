// The update descriptions the device looks for, and what each of them is for.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace platform {

// Which update.xml the start-up found and read.
inline constexpr std::int32_t kSourceNone = -1;
inline constexpr std::int32_t kSourceSdCard = 0;
inline constexpr std::int32_t kSourceFlash = 1;
inline constexpr std::int32_t kSourceSystem = 2;
inline constexpr std::int32_t kSourceStorageCard = 3;

// The file name of every description, directly in its volume.
inline constexpr std::wstring_view kDescriptionName = L"update.xml";

// What the worker makes of a description whose settings the start-up read.
enum class DescriptionUse {
  kCarriedOut,         // its update list is carried out
  kConfigurationOnly,  // it only configures the boot, as the worker's log line says
  kOverlooked,         // it configures the boot too, yet the worker logs that none was found
};

// One description: where it lies, the source value that names it, and what the
// worker, path resolution and the completion each do with it.
struct UpdateDescription {
  std::wstring_view path;
  std::int32_t source = kSourceNone;
  DescriptionUse use = DescriptionUse::kOverlooked;
  // Relative paths in it start from its folder; without one they do not resolve.
  bool relativeBase = false;
  // At completion it is copied to the system folder's description, which configures later
  // boots, and marked applied once its update list ran.
  bool copiedToSystem = false;
  // At completion it is deleted in this turn among the others, 1 first; 0: it stays.
  int deletionTurn = 0;
  // It stays after an update list was carried out; only a boot that carried out none deletes it.
  bool keptAfterUpdate = false;
  // It stays while the mass-production marker exists, so that one card updates device after device.
  bool keptForMassProduction = false;
};

// In the order the start-up looks for them; it reads the first one found and no other.
inline constexpr std::array<UpdateDescription, 4> kUpdateDescriptions = {{
    {.path = L"\\sd card\\update.xml",
     .source = kSourceSdCard,
     .use = DescriptionUse::kCarriedOut,
     .relativeBase = true,
     .copiedToSystem = true,
     .deletionTurn = 2,
     .keptForMassProduction = true},
    {.path = L"\\FlashHd\\update.xml",
     .source = kSourceFlash,
     .use = DescriptionUse::kCarriedOut,
     .relativeBase = true,
     .copiedToSystem = true,
     .deletionTurn = 1},
    // The storage card's gives settings only: its update list is never carried out and relative
    // paths in it do not resolve. Its settings still serve later boots, so it is copied to the
    // system folder and deleted as the others are.
    {.path = L"\\Storage Card\\update.xml",
     .source = kSourceStorageCard,
     .copiedToSystem = true,
     .deletionTurn = 3,
     .keptAfterUpdate = true},
    // The system folder's is the copy the others leave: relative paths in it start from its
    // folder as in theirs, but it is never copied onto itself nor deleted, as it configures the
    // boots that find no other.
    {.path = L"\\System\\update.xml",
     .source = kSourceSystem,
     .use = DescriptionUse::kConfigurationOnly,
     .relativeBase = true},
}};

// The description read from `source`; null for kSourceNone and any other value.
constexpr const UpdateDescription* DescriptionOf(std::int32_t source) {
  const auto found = std::find_if(kUpdateDescriptions.begin(), kUpdateDescriptions.end(),
                                  [source](const UpdateDescription& d) { return d.source == source; });
  return found != kUpdateDescriptions.end() ? &*found : nullptr;
}

// Where the completion keeps the description in use.
inline constexpr std::wstring_view kSystemDescription = DescriptionOf(kSourceSystem)->path;

}  // namespace platform
