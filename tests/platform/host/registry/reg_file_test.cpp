#include "platform/host/registry/reg_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/host/codepage/host_codepage.h"
#include "platform/host/registry/utf16le.h"
#include "tests/platform/host/registry/own_reg_files.h"
#include "tests/support/corpus.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace platform::host;
using initap::test::ReadHostFile;

// Every key and value of a tree, one line each, in order.
void Flatten(const RegistryNode& node, const std::wstring& path, std::vector<std::wstring>& out) {
  out.push_back(L"[" + path + L"]");
  for (const auto& value : node.Values()) {
    std::wstring line = L"\"" + value.name + L"\" " + std::to_wstring(value.type) + L":";
    for (unsigned char byte : value.data) line += L" " + std::to_wstring(byte);
    out.push_back(line);
  }
  for (const auto& child : node.Children()) Flatten(*child, path + L"\\" + child->Name(), out);
}

std::vector<std::wstring> Flatten(const RegistryNode& tree) {
  std::vector<std::wstring> out;
  for (const auto& root : tree.Children()) Flatten(*root, root->Name(), out);
  return out;
}

const RegistryNode* Find(const RegistryNode& tree, std::initializer_list<std::wstring_view> path) {
  const RegistryNode* node = &tree;
  for (auto name : path) {
    if (node == nullptr) return nullptr;
    node = node->FindChild(name);
  }
  return node;
}

std::wstring Text(const RegistryValue* value) { return value == nullptr ? L"<none>" : FromUtf16Le(value->data); }

class RegFileTest : public ::testing::Test {
 protected:
  bool Read(std::string_view bytes, RegistryNode& tree, RegFileFormat& format) {
    problem_.clear();
    return ReadRegFile(bytes, ansi_, tree, format, problem_);
  }
  // Reads into the test's own tree and format.
  bool Read(std::string_view bytes) { return Read(bytes, tree_, format_); }
  // Reads the outside file `name`, which is in `encoding` with lines that end as `crlf` says.
  void ReadCorpus(const std::string& name, RegFileEncoding encoding, bool crlf) {
    ASSERT_TRUE(Read(initap::test::ReadCorpusFile("reg/" + name)));
    EXPECT_EQ(format_.encoding, encoding);
    EXPECT_EQ(format_.crlf, crlf);
  }

  initap::test::TempFolder temp_;
  HostCodePage ansi_{DeviceFolder{temp_.path(), {}}};
  std::string problem_;
  RegistryNode tree_{L""};
  RegFileFormat format_;
};

struct RegCase {
  const char* name;
  std::string (*own)();  // the file, or null for the outside file below
  const char* corpusFile;
  RegFileHeader header;
  RegFileEncoding encoding;
};

void PrintTo(const RegCase& c, std::ostream* out) { *out << c.name; }

class RegFileWriteBackTest : public RegFileTest, public ::testing::WithParamInterface<RegCase> {};

TEST_P(RegFileWriteBackTest, FileSurvivesAWriteBackWhole) {
  const RegCase& c = GetParam();
  if (c.own == nullptr) INITAP_SKIP_WITHOUT_CORPUS();
  const std::string original = c.own ? c.own() : initap::test::ReadCorpusFile(std::string("reg/") + c.corpusFile);
  ASSERT_FALSE(original.empty());
  RegistryNode first(L"");
  RegFileFormat format;
  ASSERT_TRUE(Read(original, first, format));
  EXPECT_EQ(problem_, "");
  EXPECT_EQ(format.header, c.header);
  EXPECT_EQ(format.encoding, c.encoding);

  const auto written = WriteRegFile(first, format, ansi_);
  ASSERT_TRUE(written);
  RegistryNode second(L"");
  RegFileFormat again;
  ASSERT_TRUE(Read(*written, second, again));
  EXPECT_EQ(problem_, "");
  EXPECT_EQ(again.header, format.header);
  EXPECT_EQ(again.encoding, format.encoding);
  EXPECT_EQ(again.crlf, format.crlf);
  const auto keys = Flatten(first);
  EXPECT_GT(keys.size(), 10u);
  EXPECT_EQ(Flatten(second), keys);
}

INSTANTIATE_TEST_SUITE_P(EachFile, RegFileWriteBackTest,
                         ::testing::Values(RegCase{"Version5Utf16", initap::test::Version5File, nullptr,
                                                   RegFileHeader::Version5, RegFileEncoding::Utf16LeBom},
                                           RegCase{"Regedit4Ansi", initap::test::AnsiFile, nullptr,
                                                   RegFileHeader::Regedit4, RegFileEncoding::Ansi},
                                           RegCase{"CorpusRageEdit", nullptr, "rage-edit_test.reg",
                                                   RegFileHeader::Version5, RegFileEncoding::Utf16LeBom},
                                           RegCase{"CorpusVscodeRegistry", nullptr, "vscode_registry_test.reg",
                                                   RegFileHeader::Version5, RegFileEncoding::Utf8}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegFileTest, Version5FileReadsEveryHexType) {
  ASSERT_TRUE(Read(initap::test::Version5File()));
  EXPECT_EQ(problem_, "");
  EXPECT_TRUE(format_.crlf);
  const RegistryNode* values = Find(tree_, {L"hkey_local_machine", L"software", L"initap", L"tests", L"values"});
  ASSERT_TRUE(values);
  EXPECT_FALSE(Find(tree_, {L"HKEY_LOCAL_MACHINE", L"SOFTWARE", L"Initap", L"Tests", L"Gone"}));
  EXPECT_EQ(Text(values->FindValue(L"UnicodeValue")),
            std::wstring(L"\u041f\u0440\u0438\u0432\u0435\u0442 \u30c4") + L'\0');
  EXPECT_EQ(values->FindValue(L"")->data, std::string(2, '\0'));
  EXPECT_EQ(values->FindValue(L"bits")->data, std::string("\x40\0\0\0", 4));
  const struct {
    const wchar_t* name;
    std::uint32_t type;
    std::string data;
  } kinds[] = {
      {L"None", 0, ""},
      {L"Sz", 1, std::string("A\0\0\0", 4)},
      {L"Binary", 3, "\xc0\x01\xc0\xde"},
      {L"Dword", 4, "\x01\x02\x03\x04"},
      {L"DwordBigEndian", 5, "\x01\x02\x03\x04"},
      {L"Link", 6, std::string("A\0", 2)},
      {L"Multi", 7, std::string("a\0\0\0b\0\0\0\0\0", 10)},
      {L"ResourceList", 8, "\x01"},
      {L"FullResource", 9, "\x02\x03"},
      {L"Requirements", 0xa, "\x04"},
      {L"Qword", 0xb, std::string("\x01\0\0\0\0\0\0\0", 8)},
      {L"Odd", 0x0fffffff, "BC"},
  };
  for (const auto& kind : kinds) {
    const RegistryValue* value = values->FindValue(kind.name);
    ASSERT_TRUE(value) << kind.type;
    EXPECT_EQ(value->type, kind.type);
    EXPECT_EQ(value->data, kind.data) << kind.type;
  }
  const RegistryValue* expandable = values->FindChild(L"Types")->FindValue(L"ExpandableStringValue");
  ASSERT_TRUE(expandable);
  EXPECT_EQ(expandable->type, kRegExpandSz);
  EXPECT_EQ(Text(expandable), std::wstring(L"Expandable string content") + L'\0');
  EXPECT_FALSE(Find(tree_, {L"HKEY_CURRENT_USER", L"Software", L"Initap"})->FindValue(L"Dropped"));
}

TEST_F(RegFileTest, Utf16CorpusFileReadsEveryKindOfValue) {
  INITAP_SKIP_WITHOUT_CORPUS();
  ASSERT_NO_FATAL_FAILURE(ReadCorpus("rage-edit_test.reg", RegFileEncoding::Utf16LeBom, true));
  // Deleted at the top of the file, then made anew below it.
  const RegistryNode* has =
      Find(tree_, {L"hkey_local_machine", L"software", L"MikeKovarik", L"rage-edit", L".get() and .has()"});
  ASSERT_TRUE(has);
  EXPECT_EQ(Text(has->FindValue(L"UnicodeValue")),
            std::wstring(L"\u041a\u043e\u0432\u0430\u0440\u043d\u044b\u0435 "
                         L"\u0437\u0430\u043a\u043e\u0440\u044e\u0447\u043a\u0438 \u30c4") +
                L'\0');
  EXPECT_EQ(has->FindValue(L"bits")->data, std::string("\x40\0\0\0", 4));
  EXPECT_EQ(has->FindValue(L"EmptyValue")->data, std::string(2, '\0'));
  const RegistryNode* types = has->FindChild(L"Types");
  ASSERT_TRUE(types);
  const RegistryValue* expandable = types->FindValue(L"ExpandableStringValue");
  ASSERT_TRUE(expandable);
  EXPECT_EQ(expandable->type, kRegExpandSz);
  EXPECT_EQ(Text(expandable), std::wstring(L"Expandable string content") + L'\0');
  EXPECT_EQ(types->FindValue(L"MultiStringValue")->data.size(), 44u);
  EXPECT_EQ(types->FindValue(L"QwordValue")->type, 0xbu);
  EXPECT_EQ(types->FindValue(L"BinaryValue")->data, "\xc0\x01\xc0\xde");
  const RegistryNode* defaults = has->FindChild(L"SubkeyWithEmptyDefaultValue");
  ASSERT_TRUE(defaults && defaults->FindValue(L""));
  EXPECT_EQ(defaults->FindValue(L"")->data, std::string(2, '\0'));
  EXPECT_TRUE(
      Find(tree_, {L"HKEY_LOCAL_MACHINE", L"SOFTWARE", L"Wow6432Node", L"MikeKovarik", L"rage-edit", L".set()"}));
}

TEST_F(RegFileTest, Utf8CorpusFileKeepsEscapesAndOddTypes) {
  INITAP_SKIP_WITHOUT_CORPUS();
  ASSERT_NO_FATAL_FAILURE(ReadCorpus("vscode_registry_test.reg", RegFileEncoding::Utf8, false));
  const RegistryNode* key = Find(tree_, {L"HKEY_CURRENT_USER", L"testkey"});
  ASSERT_TRUE(key);
  EXPECT_EQ(Text(key->FindValue(L"a")), std::wstring(L"\"ddd\"") + L'\0');
  EXPECT_EQ(Text(key->FindValue(L"whatsit1")), std::wstring(L"\u4342\u4544") + L'\0');
  EXPECT_EQ(key->FindValue(L"whatsit12")->type, 0x0fffffffu);
  EXPECT_EQ(key->FindValue(L"whatsit12")->data, "BCDEFGHI");
  EXPECT_EQ(key->FindValue(L"whatsit4")->data, "BCDE");
  EXPECT_TRUE(Find(tree_, {L"HKEY_CURRENT_USER", L"testkey", L"test1"}));
}

TEST_F(RegFileTest, HandWrittenRegedit4FileReadsAndWritesInItsOwnForm) {
  const std::string file =
      "REGEDIT4\n\n"
      "; a comment \\\n"
      "[HKLM\\Software\\A\\Gone]\n\"x\"=\"1\"\n"
      "[-HKEY_LOCAL_MACHINE\\software\\a]\n\n"
      "[HKEY_CLASSES_ROOT\\CLSID\\{X}]\n"
      "@=\"back\\\\slash \\\"quoted\\\"\"\n"
      "\"Path\" = hex(2):25,53,79,73,\\\n"
      "    74,65,6d,25,00\n"
      "\"Dropped\"=\"soon\"\n"
      "\"Dropped\"=-\n"
      "\"Count\"=dword:0000002A\n";
  ASSERT_TRUE(Read(file));
  EXPECT_EQ(problem_, "");
  EXPECT_EQ(format_.header, RegFileHeader::Regedit4);
  EXPECT_FALSE(format_.crlf);
  EXPECT_FALSE(Find(tree_, {L"HKEY_LOCAL_MACHINE", L"Software", L"A"}));
  const RegistryNode* key = Find(tree_, {L"HKEY_CLASSES_ROOT", L"clsid", L"{x}"});
  ASSERT_TRUE(key);
  EXPECT_EQ(Text(key->FindValue(L"")), std::wstring(L"back\\slash \"quoted\"") + L'\0');
  // REGEDIT4 holds hex texts in single bytes; the registry in UTF-16.
  EXPECT_EQ(Text(key->FindValue(L"path")), std::wstring(L"%System%") + L'\0');
  EXPECT_FALSE(key->FindValue(L"Dropped"));
  EXPECT_EQ(key->FindValue(L"Count")->data, std::string("\x2a\0\0\0", 4));

  const auto written = WriteRegFile(tree_, format_, ansi_);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written,
            "REGEDIT4\n\n"
            "[HKEY_LOCAL_MACHINE\\Software]\n\n"
            "[HKEY_CLASSES_ROOT\\CLSID\\{X}]\n"
            "@=\"back\\\\slash \\\"quoted\\\"\"\n"
            "\"Path\"=hex(2):25,53,79,73,74,65,6d,25,00\n"
            "\"Count\"=dword:0000002a\n\n");
}

TEST_F(RegFileTest, AnsiFileStaysInTheCodePage) {
  const std::string file = "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Caf\xe9]\r\n\"Name\"=\"Bureau \xe9t\xe9\"\r\n";
  ASSERT_TRUE(Read(file));
  EXPECT_EQ(format_.encoding, RegFileEncoding::Ansi);
  const RegistryNode* key = Find(tree_, {L"HKEY_CLASSES_ROOT", L"CAF\u00c9"});
  ASSERT_TRUE(key);
  EXPECT_EQ(Text(key->FindValue(L"Name")), std::wstring(L"Bureau \u00e9t\u00e9") + L'\0');
  EXPECT_EQ(WriteRegFile(tree_, format_, ansi_), file + "\r\n");
  // A name the code page lacks cannot be written into this file.
  tree_.AddChild(L"HKEY_USERS").AddChild(L"\u684c");
  EXPECT_FALSE(WriteRegFile(tree_, format_, ansi_));
}

TEST_F(RegFileTest, LongHexValuesWrapAndReadBack) {
  RegistryValue blob{L"Blob", kRegBinary, std::string(100, '\x5a')};
  tree_.AddChild(L"HKEY_CURRENT_USER").AddChild(L"K").SetValue(blob);
  format_.crlf = false;
  const auto written = WriteRegFile(tree_, format_, ansi_);
  ASSERT_TRUE(written);
  std::istringstream lines(*written);
  std::string line;
  int continued = 0;
  while (std::getline(lines, line)) {
    EXPECT_LE(line.size(), 80u) << line;
    if (!line.empty() && line.back() == '\\') ++continued;
  }
  EXPECT_GE(continued, 3);
  RegistryNode back(L"");
  ASSERT_TRUE(Read(*written, back, format_));
  EXPECT_EQ(Flatten(back), Flatten(tree_));
}

TEST_F(RegFileTest, UnknownLinesAndFilesAreReported) {
  EXPECT_FALSE(Read("not a registry\n[HKEY_USERS\\x]\n"));
  EXPECT_FALSE(Read(""));
  EXPECT_FALSE(Read("\xfe\xff\0R"));

  ASSERT_TRUE(Read("REGEDIT4\n[HKEY_USERS\\x]\n\"a\"=\"1\"\ngarbage here\n\"b\"=dword:zz\n\"c\"=\"2\"\n"));
  EXPECT_EQ(problem_, "line 4: not a key, value or comment");
  EXPECT_TRUE(Find(tree_, {L"HKEY_USERS", L"x"})->FindValue(L"c"));
  for (const char* bad : {"REGEDIT4\n\"a\"=\"1\"\n", "REGEDIT4\n[HKEY_USERS\\x]\n\"a\"=\"open\n",
                          "REGEDIT4\n[HKEY_USERS\\x]\n\"a\"=hex:1,2,\\\n", "REGEDIT4\n[HKEY_USERS\\x]\n\"a\"=hex:123\n",
                          "REGEDIT4\n[HKEY_USERS\\\\x]\n"}) {
    RegistryNode other(L"");
    EXPECT_TRUE(Read(bad, other, format_));
    EXPECT_NE(problem_, "") << bad;
  }
}

}  // namespace
