// The thin layer over the XML service that every reader of the system's XML
// files uses: the open sequence and three node operations.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/xml.h"

namespace initap {

class Init_AP;

// Buffer capacity, terminator included, for numbers, rectangles and names.
inline constexpr std::size_t kValueCapacity = 100;

// A document and its root element, released together.
struct OpenedXml {
  std::unique_ptr<platform::XmlDocument> document;
  std::unique_ptr<platform::XmlNode> root;
};

// Tests that the file exists, loads it whole and takes its root element.
// False, with `opened` empty, when any step fails.
[[nodiscard]] bool OpenXmlDocument(Init_AP& app, std::wstring_view path, OpenedXml& opened);

// Copies the text of the first child element that `path` ("./name" or "name")
// selects into `buffer` (when given) and returns its length. An absent element
// leaves the buffer untouched and gives 0; an empty one clears it and gives 0.
// A text longer than capacity - 1 characters is refused: buffer untouched, 0.
// Without a buffer the length alone is given, whatever the capacity.
[[nodiscard]] std::size_t ReadNodeText(const platform::XmlNode* context, std::wstring_view path, std::wstring* buffer,
                                       std::size_t capacity);

// Replaces the content of the first child element that `path` selects by
// `text`: 1 when it was replaced, 0 when the element is absent or refused it.
[[nodiscard]] int WriteNodeText(platform::XmlNode* context, std::wstring_view path, std::wstring_view text);

// Copies the value of the attribute of exactly this name, as ReadNodeText
// copies a text: absent leaves the buffer untouched, empty clears it, both
// give 0; a value longer than capacity - 1 characters is refused.
[[nodiscard]] std::size_t ReadAttribute(const platform::XmlNode* element, std::wstring_view name, std::wstring* buffer,
                                        std::size_t capacity);

}  // namespace initap
