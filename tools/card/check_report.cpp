#include "tools/card/check_report.h"

#include <algorithm>

#include "platform/host/report/json_text.h"

namespace initap::card {

namespace {

using platform::host::JsonQuoted;

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string Tree(const DeviceVerdict& verdict) {
  if (!verdict.treeMatched) return "-";
  return *verdict.treeMatched ? "matched" : "differs";
}

// Text as XML character data or an attribute value. XML cannot hold control
// characters other than tab and line ends, so they are shown as U+FFFD.
std::string XmlText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t':
      case '\n':
      case '\r': out += c; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\xEF\xBF\xBD";
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

bool Fails(const DeviceVerdict& verdict) {
  return !verdict.errorLines.empty() || Outcome(verdict) == "not reached" || Outcome(verdict) == "errors";
}

}  // namespace

std::string CheckTable(const std::vector<DeviceVerdict>& verdicts) {
  std::size_t width = 6;
  for (const DeviceVerdict& verdict : verdicts) width = std::max(width, verdict.device.string().size());
  std::string out = Padded("device", width) + "  outcome      errors  warnings  changes  tree\n";
  for (const DeviceVerdict& verdict : verdicts) {
    out += Padded(verdict.device.string(), width) + "  " + Padded(Outcome(verdict), 11) + "  " +
           Padded(std::to_string(verdict.errors), 6) + "  " + Padded(std::to_string(verdict.warnings), 8) + "  " +
           Padded(std::to_string(verdict.changes), 7) + "  " + Tree(verdict) + "\n";
  }
  return out;
}

std::string CheckJunit(const std::filesystem::path& card, const std::vector<DeviceVerdict>& verdicts) {
  const auto failures = std::count_if(verdicts.begin(), verdicts.end(), Fails);
  const auto errors = std::count_if(verdicts.begin(), verdicts.end(),
                                    [](const DeviceVerdict& v) { return Outcome(v) == "did not run"; });
  const std::string counts = " tests=\"" + std::to_string(verdicts.size()) + "\" failures=\"" +
                             std::to_string(failures) + "\" errors=\"" + std::to_string(errors) + "\"";
  const std::string name = XmlText(card.string());
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"initap-card check\"" + counts +
                    ">\n  <testsuite name=\"" + name + "\"" + counts + " skipped=\"0\">\n";
  for (const DeviceVerdict& verdict : verdicts) {
    out += "    <testcase classname=\"" + name + "\" name=\"" + XmlText(verdict.device.string()) + "\">\n";
    const std::string outcome = Outcome(verdict);
    if (outcome == "did not run") {
      out += "      <error message=\"the dry run did not run to its end\">" + XmlText(verdict.output) + "</error>\n";
    }
    if (outcome == "not reached") {
      out += "      <failure type=\"not-reached\" message=\"the main application is not reached\"/>\n";
    }
    for (const std::string& line : verdict.errorLines) {
      out += "      <failure type=\"error\" message=\"" + XmlText(line) + "\"/>\n";
    }
    if (!verdict.warningLines.empty()) {
      out += "      <system-out>" + XmlText(Lines(verdict.warningLines)) + "</system-out>\n";
    }
    out += "    </testcase>\n";
  }
  return out + "  </testsuite>\n</testsuites>\n";
}

std::string CheckJson(const std::filesystem::path& card, const std::vector<DeviceVerdict>& verdicts) {
  std::string out = "{\n  \"card\": " + JsonQuoted(card.string()) + ",\n  \"devices\": [";
  for (std::size_t i = 0; i < verdicts.size(); ++i) {
    const DeviceVerdict& verdict = verdicts[i];
    const std::string tree = verdict.treeMatched ? (*verdict.treeMatched ? "true" : "false") : "null";
    out += std::string(i == 0 ? "\n" : ",\n") + "    {\"device\": " + JsonQuoted(verdict.device.string()) +
           ", \"outcome\": " + JsonQuoted(Outcome(verdict)) + ", \"exit_code\": " + std::to_string(verdict.exitCode) +
           ", \"errors\": " + std::to_string(verdict.errors) + ", \"warnings\": " + std::to_string(verdict.warnings) +
           ", \"changes\": " + std::to_string(verdict.changes) + ", \"tree_matched\": " + tree +
           ",\n     \"report\": " + (verdict.report.empty() ? "null" : verdict.report) + "}";
  }
  return out + "\n  ]\n}\n";
}

}  // namespace initap::card
