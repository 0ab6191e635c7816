#include "tools/card/card_tool.h"

#include <optional>
#include <span>
#include <sstream>
#include <thread>

#include "platform/common/option_reader.h"
#include "platform/host/child_process.h"
#include "platform/host/regular_file.h"
#include "platform/host/report/report_file.h"
#include "tools/card/card_check.h"
#include "tools/card/card_manifest.h"
#include "tools/card/card_plan.h"
#include "tools/card/card_writer.h"
#include "tools/card/check_report.h"

namespace initap::card {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: initap-card make [--settings FILE.xml] [--mass-production] DEVICE WANTED CARD\n"
    "         write CARD, a card that makes each volume of DEVICE present in WANTED (a folder laid\n"
    "         out like root/) equal to it, with update.xml, its files and the manifest update.sha256;\n"
    "         the card is proven by a dry run of DEVICE before it is put in place\n"
    "       initap-card verify CARD\n"
    "         hold CARD against its manifest: exit 0 when it is intact, 1 otherwise\n"
    "       initap-card check [-j N] [--expect TREE] [--junit FILE.xml] [--json FILE.json] CARD DEVICE...\n"
    "         boot each DEVICE dry with CARD as its SD card, N at a time (default: the cores), and\n"
    "         print one row a device; exit with the worst verdict: 4 a device does not reach its\n"
    "         main application, 5 errors, 3 warnings only, 0 clean, 1 a dry run did not run\n"
    "The guide, docs/guide.md, says how to make, verify, copy and check a card.\n";

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

// The arguments of one command: its options, then the folders it names.
struct Arguments {
  std::vector<std::string> folders;
  bool help = false;
};

bool Read(std::string_view command, std::span<const platform::Option> options, std::span<const std::string> given,
          Arguments& read, std::string& error) {
  const auto positional = [&](std::string_view text, std::string&) {
    read.folders.emplace_back(text);
    return true;
  };
  return platform::ReadOptions("initap-card " + std::string(command), options, given, positional, read.help, error);
}

bool IsFolder(const fs::path& path) {
  std::error_code ignored;
  return fs::is_directory(path, ignored);
}

class Tool {
 public:
  Tool(const CardToolSetting& setting, std::ostream& out, std::ostream& err)
      : setting_(setting), out_(out), err_(err) {}

  int Make(std::span<const std::string> given) {
    std::optional<std::string> settingsFile;
    bool massProduction = false;
    const platform::Option options[] = {
        {"--settings", true,
         [&](std::string_view file, std::string&) {
           settingsFile = std::string(file);
           return true;
         }},
        {"--mass-production", false,
         [&](std::string_view, std::string&) {
           massProduction = true;
           return true;
         }},
    };
    Arguments read;
    std::string error;
    if (!Read("make", options, given, read, error)) return Usage(error);
    if (read.help) return Help();
    if (read.folders.size() != 3) return Usage("make takes DEVICE, WANTED and CARD");
    const fs::path device = read.folders[0], wanted = read.folders[1], card = read.folders[2];
    if (!IsFolder(device / "root")) return Usage("DEVICE folder '" + device.string() + "' has no root/");
    if (!IsFolder(wanted)) return Usage("WANTED folder '" + wanted.string() + "' does not exist");
    std::error_code ignored;
    if (fs::exists(card, ignored)) return Usage("CARD '" + card.string() + "' exists already; make writes a new card");
    const fs::path parent = card.parent_path().empty() ? fs::path(".") : card.parent_path();
    if (!IsFolder(parent)) return Usage("CARD '" + card.string() + "' is in no existing folder");

    std::optional<std::string> settings;
    if (settingsFile) {
      settings = platform::host::ReadRegularFile(*settingsFile);
      if (!settings) return Usage("--settings file '" + *settingsFile + "' cannot be read");
    }
    CardPlan plan;
    if (!PlanCard(device / "root", wanted, plan, error)) return Failed(error);

    // Written beside its final name, and put there only once it is proven.
    const fs::path making = parent / ("." + card.filename().string() + ".making");
    fs::remove_all(making, ignored);
    const CardContent content{&plan, settings ? &*settings : nullptr, massProduction};
    if (!WriteCard(content, making, error) || !Prove(device, wanted, making, error)) {
      fs::remove_all(making, ignored);
      return Failed(error);
    }
    fs::rename(making, card, ignored);
    if (ignored) {
      fs::remove_all(making, ignored);
      return Failed("cannot put the card in place as " + card.string());
    }
    out_ << "initap-card: made " << card.string() << ": " << plan.deletes.size() << " delete steps, "
         << plan.copies.size() << " copy steps; proven on " << device.string() << "\n";
    return 0;
  }

  int Verify(std::span<const std::string> given) {
    Arguments read;
    std::string error;
    if (!Read("verify", {}, given, read, error)) return Usage(error);
    if (read.help) return Help();
    if (read.folders.size() != 1) return Usage("verify takes one CARD");
    std::vector<std::string> problems;
    if (!VerifyCard(read.folders[0], problems, error)) return Failed(error);
    for (const std::string& problem : problems) out_ << problem << "\n";
    if (problems.empty()) out_ << "initap-card: " << read.folders[0] << " is intact\n";
    return problems.empty() ? 0 : kFailed;
  }

  int Check(std::span<const std::string> given) {
    CheckSetting check;
    check.initap = setting_.initap;
    check.jobs = std::max(1u, std::thread::hardware_concurrency());
    std::optional<fs::path> junit, json;
    const auto file = [](std::optional<fs::path>& into) {
      return [&into](std::string_view text, std::string&) {
        into = fs::path(text);
        return true;
      };
    };
    const platform::Option options[] = {
        {"-j", true,
         [&](std::string_view text, std::string& error) {
           const int jobs = std::atoi(std::string(text).c_str());
           if (jobs < 1 || std::to_string(jobs) != text) {
             error = "-j takes a number of dry runs at once, 1 or more, not '" + std::string(text) + "'";
             return false;
           }
           check.jobs = static_cast<unsigned>(jobs);
           return true;
         }},
        {"--expect", true, file(check.expect)},
        {"--junit", true, file(junit)},
        {"--json", true, file(json)},
    };
    Arguments read;
    std::string error;
    if (!Read("check", options, given, read, error)) return Usage(error);
    if (read.help) return Help();
    if (read.folders.size() < 2) return Usage("check takes a CARD and one DEVICE or more");
    check.card = read.folders[0];
    if (!IsFolder(check.card)) return Usage("CARD folder '" + check.card.string() + "' does not exist");
    if (check.expect && !IsFolder(*check.expect)) {
      return Usage("--expect folder '" + check.expect->string() + "' does not exist");
    }
    for (std::size_t i = 1; i < read.folders.size(); ++i) {
      if (!IsFolder(fs::path(read.folders[i]) / "root")) {
        return Usage("DEVICE folder '" + read.folders[i] + "' has no root/");
      }
      check.devices.emplace_back(read.folders[i]);
    }
    if (junit && !platform::host::CanWriteReport(*junit, error, "--junit")) return Usage(error);
    if (json && !platform::host::CanWriteReport(*json, error, "--json")) return Usage(error);

    const std::vector<DeviceVerdict> verdicts = CheckCard(check);
    out_ << CheckTable(verdicts);
    if (junit && !platform::host::WriteReport(*junit, CheckJunit(check.card, verdicts), error)) return Failed(error);
    if (json && !platform::host::WriteReport(*json, CheckJson(check.card, verdicts), error)) return Failed(error);
    return WorstVerdict(verdicts);
  }

 private:
  // The card's dry run on the device, held against the wanted tree, must end clean.
  bool Prove(const fs::path& device, const fs::path& wanted, const fs::path& card, std::string& error) {
    platform::host::ChildProcess run({setting_.initap.string(), "--dry-run", "--mount", "\\sd card=" + card.string(),
                                      "--expect", wanted.string(), device.string()});
    const int code = run.Finish();
    if (code == 0) return true;
    std::istringstream output(run.Output());
    for (std::string line; std::getline(output, line);) {
      if (line.starts_with("error:") || line.starts_with("warning:") || line.starts_with("initap: ")) {
        err_ << line << "\n";
      }
    }
    error = code < 0 ? "the dry run that proves the card did not run (" + setting_.initap.string() + ")"
                     : "the card does not prove on " + device.string() + " (its dry run exits with " +
                           std::to_string(code) + "), so no card was made";
    return false;
  }

  int Usage(const std::string& error) {
    err_ << "initap-card: " << error << "\n" << kUsage;
    return kUsageError;
  }
  int Help() {
    out_ << kUsage;
    return 0;
  }
  int Failed(const std::string& error) {
    err_ << "initap-card: " << error << "\n";
    return kFailed;
  }

  const CardToolSetting& setting_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace

int RunCardTool(const std::vector<std::string>& arguments, const CardToolSetting& setting, std::ostream& out,
                std::ostream& err) {
  Tool tool(setting, out, err);
  const std::span<const std::string> rest = arguments.empty() ? arguments : std::span(arguments).subspan(1);
  if (arguments.empty()) {
    err << "initap-card: no command given\n" << kUsage;
    return kUsageError;
  }
  const std::string& command = arguments[0];
  if (command == "-h" || command == "--help") {
    out << kUsage;
    return 0;
  }
  if (command == "make") return tool.Make(rest);
  if (command == "verify") return tool.Verify(rest);
  if (command == "check") return tool.Check(rest);
  err << "initap-card: unknown command \"" << command << "\"\n" << kUsage;
  return kUsageError;
}

}  // namespace initap::card
