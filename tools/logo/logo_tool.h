// initap-logo: puts a picture into a raw disk image's logo sectors and takes it out again.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace initap::logo {

// Runs the tool on its arguments (without the program name). Returns 0 on
// success, 1 when the work failed, 2 for a usage error.
int RunLogoTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace initap::logo
