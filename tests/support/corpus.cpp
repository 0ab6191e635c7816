#include "tests/support/corpus.h"

#include "tests/support/host_files.h"

namespace initap::test {

std::filesystem::path CorpusFolder() { return INITAP_CORPORA_DIR; }

bool HaveCorpus() { return std::filesystem::is_directory(CorpusFolder()); }

std::string ReadCorpusFile(const std::filesystem::path& relative) { return ReadHostFile(CorpusFolder() / relative); }

}  // namespace initap::test
