// Registry files of the tests' own, in the forms the device meets.
#pragma once

#include <cstdio>
#include <string>

#include "platform/host/registry/utf16le.h"

namespace initap::test {

// The UTF-16 bytes of `text` and its terminator as a hex(N) list.
inline std::wstring HexOfText(const std::wstring& text) {
  const std::string bytes = platform::host::ToUtf16Le(text + L'\0');
  std::wstring hex;
  for (unsigned char byte : bytes) {
    wchar_t pair[4];
    std::swprintf(pair, 4, L"%02x", byte);
    hex += (hex.empty() ? L"" : L",") + std::wstring(pair);
  }
  return hex;
}

// Version 5.00 in UTF-16LE with byte-order mark and CR LF: key deletions,
// comments, a key made anew after its deletion, and every hex(N) type.
inline std::string Version5File() {
  const std::wstring text =
      L"Windows Registry Editor Version 5.00\r\n\r\n"
      L"; deleted first, then made anew below\r\n"
      L"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Initap\\Tests]\r\n\r\n"
      L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Initap\\Tests\\Gone]\r\n\"Old\"=\"x\"\r\n\r\n"
      L"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Initap\\Tests\\Gone]\r\n\r\n"
      L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Initap\\Tests\\Values]\r\n"
      L"@=\"\"\r\n"
      L"\"SomeValue\"=\"Some content\"\r\n"
      L"\"UnicodeValue\"=\"\u041f\u0440\u0438\u0432\u0435\u0442 \u30c4\"\r\n"
      L"; a comment between values\r\n"
      L"\"bits\"=dword:00000040\r\n"
      L"\"None\"=hex(0):\r\n"
      L"\"Sz\"=hex(1):" +
      HexOfText(L"A") +
      L"\r\n"
      L"\"Binary\"=hex:c0,01,c0,de\r\n"
      L"\"Dword\"=hex(4):01,02,03,04\r\n"
      L"\"DwordBigEndian\"=hex(5):01,02,03,04\r\n"
      L"\"Link\"=hex(6):41,00\r\n"
      L"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      L"\"ResourceList\"=hex(8):01\r\n"
      L"\"FullResource\"=hex(9):02,\\\r\n  03\r\n"
      L"\"Requirements\"=hex(a):04\r\n"
      L"\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      L"\"Odd\"=hex(fffffff):42,43\r\n\r\n"
      L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Initap\\Tests\\Values\\Types]\r\n"
      L"\"ExpandableStringValue\"=hex(2):" +
      HexOfText(L"Expandable string content") +
      L"\r\n\r\n"
      L"[HKEY_CURRENT_USER\\Software\\Initap]\r\n\"Dropped\"=\"soon\"\r\n\"Dropped\"=-\r\n\r\n";
  return "\xff\xfe" + platform::host::ToUtf16Le(text);
}

// REGEDIT4 in the device's code page, CR LF.
inline std::string AnsiFile() {
  return "REGEDIT4\r\n\r\n"
         "; caf\xe9 in the code page\r\n"
         "[HKEY_CURRENT_USER\\Software\\Caf\xe9]\r\n"
         "\"Name\"=\"Bureau \xe9t\xe9\"\r\n"
         "\"Count\"=dword:0000002a\r\n"
         "\"Path\"=hex(2):25,41,25,00\r\n"
         "\"Blob\"=hex:01,02,03\r\n"
         "\"Empty\"=\"\"\r\n"
         "\"Names\"=hex(7):61,00,62,00,00\r\n\r\n"
         "[-HKEY_CURRENT_USER\\Software\\Caf\xe9\\Old]\r\n\r\n"
         "[HKEY_CURRENT_USER\\Software\\Caf\xe9\\Sub]\r\n@=\"d\xe9\"\r\n\r\n";
}

}  // namespace initap::test
