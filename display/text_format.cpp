#include "display/text_format.h"

#include "platform/common/wide_units.h"

namespace initap {

namespace {

std::wstring Digits(std::uint64_t value, unsigned base, bool upper) {
  const wchar_t* digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
  std::wstring out;
  do {
    out.insert(out.begin(), digits[value % base]);
    value /= base;
  } while (value != 0);
  return out;
}

void Pad(std::wstring& out, std::wstring body, std::size_t width, bool left, bool zero) {
  const std::size_t units = platform::WideUnits(body);
  if (units < width) {
    const std::size_t fill = width - units;
    if (left) {
      body.append(fill, L' ');
    } else if (zero) {
      const std::size_t at = !body.empty() && body[0] == L'-' ? 1 : 0;
      body.insert(at, fill, L'0');
    } else {
      body.insert(0, fill, L' ');
    }
  }
  out += body;
}

}  // namespace

std::wstring FormatTextArgs(std::wstring_view format, const FormatArg* args, std::size_t count) {
  std::wstring out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%') {
      out += format[i];
      continue;
    }
    std::size_t j = i + 1;
    bool left = false;
    bool zero = false;
    for (; j < format.size() && (format[j] == L'-' || format[j] == L'0'); ++j) {
      (format[j] == L'-' ? left : zero) = true;
    }
    std::size_t width = 0;
    for (; j < format.size() && format[j] >= L'0' && format[j] <= L'9'; ++j) width = width * 10 + (format[j] - L'0');
    std::size_t precision = std::wstring::npos;
    if (j < format.size() && format[j] == L'.') {
      precision = 0;
      for (++j; j < format.size() && format[j] >= L'0' && format[j] <= L'9'; ++j) {
        precision = precision * 10 + (format[j] - L'0');
      }
    }
    if (j >= format.size()) break;
    const wchar_t conversion = format[j];
    i = j;
    if (conversion == L'%') {
      out += L'%';
      continue;
    }
    if (next >= count) continue;
    const FormatArg& arg = args[next++];
    switch (conversion) {
      case L's':
        if (arg.IsText()) {
          Pad(out, std::wstring(platform::WideUnitsPrefix(arg.Text(), precision)), width, left, false);
        } else {
          Pad(out, std::to_wstring(arg.Number()), width, left, false);
        }
        break;
      case L'd':
      case L'i': {
        const auto value = static_cast<std::int32_t>(arg.Number());
        std::wstring body = value < 0 ? L"-" : L"";
        body += Digits(value < 0 ? -static_cast<std::int64_t>(value) : value, 10, false);
        Pad(out, body, width, left, zero);
        break;
      }
      case L'u': Pad(out, Digits(static_cast<std::uint32_t>(arg.Number()), 10, false), width, left, zero); break;
      case L'x':
      case L'X': {
        std::wstring body = Digits(static_cast<std::uint32_t>(arg.Number()), 16, conversion == L'X');
        if (precision != std::wstring::npos && body.size() < precision) body.insert(0, precision - body.size(), L'0');
        Pad(out, body, width, left, zero);
        break;
      }
      case L'c': Pad(out, std::wstring(1, static_cast<wchar_t>(arg.Number())), width, left, false); break;
      default: break;
    }
  }
  return out;
}

}  // namespace initap
