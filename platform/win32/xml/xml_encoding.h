// The declaration a document was loaded with, and its text written back in
// the encoding that declaration names.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

struct XmlDeclaration {
  bool present = false;
  std::string version = "1.0";
  // As declared; "UTF-16" for UTF-16 bytes declared without one; empty otherwise.
  std::string encoding;
  std::string standalone;
};

// The declaration at the start of a document's bytes, in any byte order.
XmlDeclaration ReadDeclaration(std::string_view bytes);

// `text`, a whole document whose own declaration (if any) is dropped, as the
// bytes of a file: the declaration as loaded, then the text in its encoding,
// characters the code page lacks as character references. A document loaded
// without a declaration is UTF-8 without one; an encoding whose markup is not
// ASCII, or one Windows does not know, is written as UTF-8 and declared so.
bool EncodeDocument(const XmlDeclaration& declaration, std::wstring_view text, std::string& bytes);

}  // namespace platform::win32
