// The worker thread: decides whether the found update.xml is an update to
// carry out, walks its update list and posts the outcome to the window.
#pragma once

#include <cstdint>

namespace initap {

class Init_AP;

// The thread procedure. Posts exactly one of UM_NO_UPDATE,
// UM_ALREADY_UPDATED, UM_UPDATE_DONE or UM_UPDATE_ERROR; always returns 0.
std::uint32_t UpdateThreadProc(Init_AP& app);

}  // namespace initap
