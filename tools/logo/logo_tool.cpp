#include "tools/logo/logo_tool.h"

#include "platform/host/graphics/png_file.h"
#include "tools/logo/logo_disk.h"

namespace initap::logo {

namespace {

constexpr const char* kUsage =
    "usage: initap-logo write DISK.img LOGO.png   put a 240x400 picture into the raw disk's logo sectors\n"
    "       initap-logo read  DISK.img OUT.png    take the logo out of a raw disk as a picture\n";

}  // namespace

int RunLogoTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    out << kUsage;
    return 0;
  }
  if (arguments.size() != 3 || (arguments[0] != "write" && arguments[0] != "read")) {
    if (arguments.empty()) {
      err << "initap-logo: no command given\n";
    } else if (arguments[0] != "write" && arguments[0] != "read") {
      err << "initap-logo: unknown command \"" << arguments[0] << "\"\n";
    } else {
      err << "initap-logo: " << arguments[0] << " takes a disk image and a PNG file\n";
    }
    err << kUsage;
    return 2;
  }
  const std::string& disk = arguments[1];
  const std::string& png = arguments[2];
  std::string error;
  platform::host::ScreenImage picture;
  if (arguments[0] == "write") {
    if (!platform::host::ReadPng(png, picture, error) || !WriteLogo(disk, picture, error)) {
      err << "initap-logo: " << error << '\n';
      return 1;
    }
    return 0;
  }
  if (!ReadLogo(disk, picture, error) || !platform::host::WritePng(png, picture, error)) {
    err << "initap-logo: " << error << '\n';
    return 1;
  }
  return 0;
}

}  // namespace initap::logo
