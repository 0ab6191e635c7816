// The shared XML scenarios run on the Windows API backend.
#include "platform/win32/xml/win32_xml.h"
#include "tests/platform/xml/xml_device.h"

namespace initap::test {

std::unique_ptr<platform::Xml> OpenDeviceXml(platform::FileSystem& files) {
  return std::make_unique<platform::win32::Win32Xml>(files);
}

}  // namespace initap::test
