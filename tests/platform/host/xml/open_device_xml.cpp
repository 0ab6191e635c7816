// The shared XML scenarios run on the host backend.
#include "platform/host/xml/host_xml.h"
#include "tests/platform/xml/xml_device.h"

namespace initap::test {

std::unique_ptr<platform::Xml> OpenDeviceXml(platform::FileSystem& files) {
  return std::make_unique<platform::host::HostXml>(files);
}

}  // namespace initap::test
