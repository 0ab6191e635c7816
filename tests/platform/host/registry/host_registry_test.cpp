#include "platform/host/registry/host_registry.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "tests/platform/host/registry/own_reg_files.h"
#include "tests/support/corpus.h"
#include "tests/support/desktop_values.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"

namespace {

using platform::RegistryRoot;
using platform::host::DeviceFolder;
using platform::host::HostRegistry;

constexpr std::wstring_view kDesktopKey = L"CLSID\\{00021400-0000-0000-C000-000000000046}";

class HostRegistryTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return temp_.path() / "registry.reg"; }
  void Write(const std::string& bytes) { initap::test::WriteHostFile(File(), bytes); }
  std::string Content() const { return initap::test::ReadHostFile(File()); }
  DeviceFolder Device() const { return DeviceFolder{temp_.path(), {}}; }

  initap::test::TempFolder temp_;
};

TEST_F(HostRegistryTest, DesktopNameIsReadWithoutRegardToCase) {
  Write(
      "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\CLSID\\{00021400-0000-0000-C000-000000000046}]\r\n"
      "\"DisplayName\"=\"Desktop\"\r\n\"Size\"=dword:00000007\r\n"
      "\"Expand\"=hex(2):25,41,25,00\r\n");
  HostRegistry registry(Device());
  EXPECT_EQ(registry.Problem(), "");
  initap::test::ExpectDesktopValuesRead(registry);
}

TEST_F(HostRegistryTest, MissingKeyIsCreatedInANewRegedit4File) {
  {
    HostRegistry registry(Device());
    auto key = registry.CreateKey(RegistryRoot::ClassesRoot, kDesktopKey);
    ASSERT_TRUE(key);
    std::wstring name;
    EXPECT_FALSE(key->QueryString(L"DisplayName", name, 520));
  }
  const std::string expected =
      "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\CLSID\\{00021400-0000-0000-C000-000000000046}]\r\n\r\n";
  EXPECT_EQ(Content(), expected);
  EXPECT_FALSE(std::filesystem::exists(temp_.path() / "registry.reg.new"));

  // Kept across boots, and an existing key is opened without a write.
  HostRegistry again(Device());
  std::filesystem::create_directory(temp_.path() / "registry.reg.new");
  EXPECT_TRUE(again.CreateKey(RegistryRoot::ClassesRoot, L"CLSID"));
  EXPECT_TRUE(again.CreateKey(RegistryRoot::ClassesRoot, L"clsid\\{00021400-0000-0000-c000-000000000046}"));
  EXPECT_EQ(Content(), expected);
}

// A UTF-16 file of version 5.00, and the key that holds its values.
struct Version5Case {
  const char* name;
  bool corpus;
  const wchar_t* key;
};

void PrintTo(const Version5Case& c, std::ostream* out) { *out << c.name; }

class HostRegistryFileTest : public HostRegistryTest, public ::testing::WithParamInterface<Version5Case> {};

TEST_P(HostRegistryFileTest, CreatingAKeyKeepsEveryOtherKeyValueAndTheFileFormat) {
  if (GetParam().corpus) INITAP_SKIP_WITHOUT_CORPUS();
  const std::string original =
      GetParam().corpus ? initap::test::ReadCorpusFile("reg/rage-edit_test.reg") : initap::test::Version5File();
  Write(original);
  const std::wstring sub = GetParam().key;
  {
    HostRegistry registry(Device());
    ASSERT_EQ(registry.Problem(), "");
    ASSERT_TRUE(registry.CreateKey(RegistryRoot::ClassesRoot, kDesktopKey));
  }
  const std::string rewritten = Content();
  EXPECT_EQ(rewritten.substr(0, 2), "\xff\xfe");
  EXPECT_NE(rewritten, original);

  HostRegistry registry(Device());
  EXPECT_EQ(registry.Problem(), "");
  auto key = registry.CreateKey(RegistryRoot::LocalMachine, sub);
  ASSERT_TRUE(key);
  std::wstring value;
  EXPECT_TRUE(key->QueryString(L"SomeValue", value, 520));
  EXPECT_EQ(value, L"Some content");
  EXPECT_TRUE(key->QueryString(L"UnicodeValue", value, 520));
  EXPECT_EQ(value.back(), L'\u30c4');
  auto types = registry.CreateKey(RegistryRoot::LocalMachine, sub + L"\\Types");
  ASSERT_TRUE(types);
  EXPECT_TRUE(types->QueryString(L"ExpandableStringValue", value, 520));
  EXPECT_EQ(value, L"Expandable string content");
  EXPECT_EQ(Content(), rewritten);  // nothing new was created
}

INSTANTIATE_TEST_SUITE_P(EachFile, HostRegistryFileTest,
                         ::testing::Values(Version5Case{"Own", false, L"SOFTWARE\\Initap\\Tests\\Values"},
                                           Version5Case{"CorpusRageEdit", true,
                                                        L"SOFTWARE\\MikeKovarik\\rage-edit\\.get() and .has()"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostRegistryTest, FileNotUnderstoodIsNeverOverwritten) {
  const std::string file = "REGEDIT4\n[HKEY_CLASSES_ROOT\\CLSID]\n\"a\"=\"1\"\nwhat is this\n";
  Write(file);
  HostRegistry registry(Device());
  EXPECT_NE(registry.Problem().find("line 4"), std::string::npos) << registry.Problem();
  EXPECT_TRUE(registry.CreateKey(RegistryRoot::ClassesRoot, L"CLSID"));
  EXPECT_FALSE(registry.CreateKey(RegistryRoot::ClassesRoot, kDesktopKey));
  EXPECT_EQ(Content(), file);

  Write("[HKEY_CLASSES_ROOT\\CLSID]\n");
  HostRegistry foreign(Device());
  EXPECT_NE(foreign.Problem().find("not a registry file"), std::string::npos);
  EXPECT_FALSE(foreign.CreateKey(RegistryRoot::ClassesRoot, kDesktopKey));
}

TEST_F(HostRegistryTest, KeyThatCannotBeWrittenBackIsNotKept) {
  HostRegistry registry(Device());
  std::filesystem::create_directory(temp_.path() / "registry.reg.new");
  EXPECT_FALSE(registry.CreateKey(RegistryRoot::CurrentUser, L"Software\\New"));
  EXPECT_FALSE(std::filesystem::exists(File()));
  std::filesystem::remove(temp_.path() / "registry.reg.new");
  // Still missing, so the next open creates and writes it.
  EXPECT_TRUE(registry.CreateKey(RegistryRoot::CurrentUser, L"Software\\New"));
  EXPECT_EQ(Content(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\New]\r\n\r\n");
}

// The bytes of value `name` in hex in a written file, continuation lines joined.
std::string HexBytesOf(const std::string& file, const std::string& name) {
  std::size_t at = file.find("\"" + name + "\"=hex");
  if (at == std::string::npos) return "<none>";
  at = file.find(':', at) + 1;
  std::string bytes;
  std::string digits;
  for (; at < file.size() && file[at] != '\r' && file[at] != '\n'; ++at) {
    if (file[at] == '\\') at = file.find('\n', at);
    if (std::isxdigit(static_cast<unsigned char>(file[at])) != 0) digits += file[at];
    if (digits.size() == 2) {
      bytes += static_cast<char>(std::stoi(digits, nullptr, 16));
      digits.clear();
    }
  }
  return bytes;
}

// Every value given in hex comes back byte for byte when the device rewrites
// an all-ASCII REGEDIT4 file, whatever its type and the code page.
TEST_F(HostRegistryTest, HexValuesSurviveARewriteByteForByte) {
  std::string high;
  std::string list;
  for (int byte = 0x80; byte <= 0xff; ++byte) {
    high += static_cast<char>(byte);
    list += (list.empty() ? "" : ",") + std::string(1, "0123456789abcdef"[byte / 16]) + "0123456789abcdef"[byte % 16];
  }
  const std::string types[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "b", "1f"};
  for (const char* codePage : {"1252", "936"}) {
    SCOPED_TRACE(codePage);
    initap::test::WriteHostFile(temp_.path() / "device.ini", std::string("[device]\ncodepage = ") + codePage + "\n");
    std::string file = "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Kept]\r\n\"Path\"=hex(2):43,3a,5c,4a,6f,73,e9,5c,00\r\n";
    for (const auto& type : types) file += "\"v" + type + "\"=hex(" + type + "):" + list + "\r\n";
    Write(file);
    HostRegistry registry(Device());
    EXPECT_EQ(registry.Problem(), "");
    ASSERT_TRUE(registry.CreateKey(RegistryRoot::ClassesRoot, kDesktopKey));
    const std::string rewritten = Content();
    EXPECT_NE(rewritten, file);
    EXPECT_EQ(HexBytesOf(rewritten, "Path"), "C:\\Jos\xe9\\" + std::string(1, '\0'));
    for (const auto& type : types) EXPECT_EQ(HexBytesOf(rewritten, "v" + type), high) << type;
  }
  // Read in the code page: é is one byte of code page 1252.
  initap::test::WriteHostFile(temp_.path() / "device.ini", "[device]\ncodepage = 1252\n");
  HostRegistry registry(Device());
  std::wstring path;
  EXPECT_TRUE(registry.CreateKey(RegistryRoot::ClassesRoot, L"Kept")->QueryString(L"Path", path, 520));
  EXPECT_EQ(path, L"C:\\Jos\u00e9\\");
}

TEST_F(HostRegistryTest, MalformedKeyNamesAreRefused) {
  HostRegistry registry(Device());
  EXPECT_FALSE(registry.CreateKey(RegistryRoot::Users, L"a\\\\b"));
  EXPECT_FALSE(registry.CreateKey(RegistryRoot::Users, L"\\a"));
  EXPECT_FALSE(registry.CreateKey(RegistryRoot::Users, std::wstring(256, L'k')));
  EXPECT_FALSE(std::filesystem::exists(File()));
  EXPECT_TRUE(registry.CreateKey(RegistryRoot::Users, std::wstring(255, L'k')));
  EXPECT_TRUE(registry.CreateKey(RegistryRoot::Users, L""));
}

}  // namespace
