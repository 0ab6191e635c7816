// Test material from outside the project, present on some machines only; the
// tests on it are skipped, with the folder that was looked for, where it is missing.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace initap::test {

// The folder the build was configured with (INITAP_CORPORA_DIR).
std::filesystem::path CorpusFolder();
bool HaveCorpus();
// The bytes of a file of that folder, `relative` to it; empty when missing.
std::string ReadCorpusFile(const std::filesystem::path& relative);

}  // namespace initap::test

// Ends the test as skipped when the outside material is missing.
#define INITAP_SKIP_WITHOUT_CORPUS()                                                                    \
  do {                                                                                                  \
    if (!::initap::test::HaveCorpus())                                                                  \
      GTEST_SKIP() << "outside test material not found in " << ::initap::test::CorpusFolder().string(); \
  } while (false)
