// The services of one device, handed to the system as a whole.
#pragma once

#include "platform/codepage.h"
#include "platform/filesystem.h"
#include "platform/gps.h"
#include "platform/graphics.h"
#include "platform/kernel.h"
#include "platform/rawdisk.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "platform/xml.h"

namespace platform {

struct Platform {
  Kernel& kernel;
  FileSystem& files;
  WindowSystem& windows;
  Graphics& graphics;
  Xml& xml;
  Shell& shell;
  Gps& gps;
  RawDiskService& disks;
  Registry& registry;
  CodePage& codePage;
};

}  // namespace platform
