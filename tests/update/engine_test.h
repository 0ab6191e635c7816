// The fixture of the update engine's tests: a device of their own, on which
// elements run as the worker hands them over, and the matchers they read it with.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/update/engine_device.h"

namespace initap::test {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class EngineTest : public ::testing::Test {
 protected:
  // Runs `element`, written as the only child of a list, through the worker's operation for it.
  bool Execute(bool (*operation)(Init_AP&, const platform::XmlNode*), const std::string& element) {
    return operation(dev.app, dev.Step("<r>" + element + "</r>").get());
  }

  EngineDevice dev;
};

}  // namespace initap::test
