// The copy and delete elements timed against cp -r and rm -r on the same
// trees, side by side in one run: a copy durable on the volume (the element
// and the flush the completion makes before the mark, against cp -r followed
// by sync), a delete as it is; the synchronous repaint that each file costs;
// and the peak resident memory of an element over a small and a large tree.
//
//   copy_bench compare WORKDIR [ROUNDS]   small and large trees, median ratios
//   copy_bench memory WORKDIR FILES       one copy and one delete of FILES files of 4 KiB
//
// The elements run in-process on the host platform: the worker is a kernel
// thread and every repaint is a real paint of the window, on the headless
// display, served by the message loop of this program's first thread.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/init_ap.h"
#include "display/oem_logo.h"
#include "display/screen_painting.h"
#include "platform/host/host_platform.h"
#include "tests/support/drawn_logo.h"
#include "tests/support/file_tree.h"
#include "update/copy_operation.h"
#include "update/delete_operation.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using initap::test::FileTree;

constexpr FileTree kSmallTree{.folders = 100, .filesPerFolder = 100, .fileSize = 4 * 1024};
constexpr FileTree kLargeTree{.folders = 1, .filesPerFolder = 4, .fileSize = std::size_t{256} * 1024 * 1024};
constexpr int kRepaints = 10000;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Quoted(const fs::path& path) {
  // Appended piece by piece: the optimiser warns falsely of an overlap in "'" + ...
  std::string quoted = "'";
  quoted += path.string();
  quoted += '\'';
  return quoted;
}

// Runs a shell command and gives its wall time; exits on failure.
double TimeCommand(const std::string& command) {
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "copy_bench: '%s' failed\n", command.c_str());
    std::exit(1);
  }
  return Seconds(Clock::now() - start);
}

// The graphics of a window whose paint composes nothing: what is left is the hand-over.
class NoGraphics final : public platform::Graphics {
 public:
  int ScreenWidth() override { return platform::kScreenWidth; }
  int ScreenHeight() override { return platform::kScreenHeight; }
  std::unique_ptr<platform::BackBuffer> CreateBackBuffer(int, int) override { return nullptr; }
  void Present(const platform::BackBuffer&) override {}
  std::unique_ptr<platform::Bitmap> LoadBitmapFile(std::wstring_view) override { return nullptr; }
};

// A device on the host with the record's window open and painting. The
// device holds an image update, so that the start-up in the create message
// hands off at once and starts nothing; the record is then set up as the
// start-up's normal path leaves it.
class BenchDevice {
 public:
  explicit BenchDevice(const fs::path& folder) : folder_(folder) {
    for (const char* volume : {"sd card", "FlashHd", "FlashHd/temp", "System", "Windows"}) {
      fs::create_directories(folder / "root" / volume);
    }
    std::ofstream(folder / "root" / "FlashHd" / "temp" / "Eboot.xml") << "<image/>";
    // The raw disk's logo sectors, so that each paint composes the real picture.
    initap::test::WriteDrawnLogoDisk(folder / "disk.img");

    platform::host::CommandLine line;
    line.device.folder = folder;
    std::string error;
    host_ = platform::host::HostPlatform::Create(line, {}, error);
    if (!host_) {
      std::fprintf(stderr, "copy_bench: %s\n", error.c_str());
      std::exit(1);
    }
    platform::Platform& s = host_->Services();
    bare_.reset(new platform::Platform{s.kernel, s.files, s.windows, noGraphics_, s.xml, s.shell, s.gps, s.disks,
                                       s.registry, s.codePage});
    app_ = Open(s);
    bareApp_ = Open(*bare_);
  }

  initap::Init_AP& App() { return *app_; }
  initap::Init_AP& BareApp() { return *bareApp_; }
  fs::path Root() const { return folder_ / "root"; }

  // Runs `work` on a kernel thread while this thread serves the window, until the work is done.
  void Serve(std::function<void()> work) {
    platform::Platform& s = host_->Services();
    initap::Init_AP& app = *app_;
    auto thread = s.kernel.StartThread([&] {
      work();
      s.windows.PostMessage(app.Handle(), platform::WM_CLOSE, 0, 0);
      return 0u;
    });
    platform::Message message;
    while (s.windows.GetMessage(message)) s.windows.DispatchMessage(message);
    thread->Wait(60000);
  }

  // The first child of a document's root element, loaded through the device's XML service.
  std::unique_ptr<platform::XmlNode> Step(const std::string& element) {
    const fs::path file = Root() / "System" / ("step" + std::to_string(++steps_) + ".xml");
    std::ofstream(file) << "<r>" << element << "</r>";
    const auto document = host_->Services().xml.Load(L"\\System\\" + file.filename().wstring());
    return std::move(document->DocumentElement()->ChildNodes().front());
  }

 private:
  std::unique_ptr<initap::Init_AP> Open(platform::Platform& services) {
    auto app = std::make_unique<initap::Init_AP>(services);
    if (app->Create() == 0) {
      std::fprintf(stderr, "copy_bench: the window was not created\n");
      std::exit(1);
    }
    services.windows.ShowWindow(app->Handle(), 1);
    app->SetDefaults();
    app->updateSource = platform::kSourceSdCard;
    app->oemLogoRaw.reset(new std::uint8_t[platform::kOemLogoRawBytes]());
    app->oemLogoRgb.reset(new std::uint8_t[initap::kOemLogoRgbBytes]());
    return app;
  }

  fs::path folder_;
  NoGraphics noGraphics_;
  std::unique_ptr<platform::host::HostPlatform> host_;
  std::unique_ptr<platform::Platform> bare_;
  std::unique_ptr<initap::Init_AP> app_;
  std::unique_ptr<initap::Init_AP> bareApp_;
  int steps_ = 0;
};

// Times one element on the record; the counting pass is part of it.
double TimeElement(bool (*execute)(initap::Init_AP&, const platform::XmlNode*), initap::Init_AP& app,
                   const platform::XmlNode* element) {
  const auto start = Clock::now();
  execute(app, element);
  return Seconds(Clock::now() - start);
}

// Times a copy element until its files survive a power cut: with the flush
// of the destination's volume that the completion makes before the mark.
double TimeDurableCopy(initap::Init_AP& app, const platform::XmlNode* element) {
  const auto start = Clock::now();
  std::ignore = initap::ExecuteCopy(app, element);
  app.platform.files.FlushVolume(L"\\FlashHd");
  return Seconds(Clock::now() - start);
}

// The times of one contender, and its ratios to the tool's time of the same round.
struct Series {
  std::vector<double> seconds;
  std::vector<double> ratios;
};

void PrintRow(const char* what, const Series& series, double target) {
  const double ratio = Median(series.ratios);
  std::printf("  %-28s %8.3f s  %6.2fx", what, Median(series.seconds), ratio);
  if (target > 0) std::printf("  (target %.2fx: %s)", target, ratio <= target ? "met" : "MISSED");
  std::printf("\n");
}

// Lets the volume write back what a run left, so that no run pays for the one before.
void Settle() { TimeCommand("sync"); }

// One tree copied and deleted by the element with the real paint, by the
// element with an empty paint, and by cp -r and rm -r; the order of the
// three turns round from round to round.
struct TreeResult {
  Series copy[3];
  Series remove[3];
};
enum Contender { kRealPaint, kEmptyPaint, kTool };

TreeResult CompareTree(BenchDevice& device, const std::string& name, int rounds, bool timeDelete) {
  const fs::path destination = device.Root() / "FlashHd" / name;
  const auto copyStep = device.Step("<copy from=\"\\sd card\\" + name + "\\\" to=\"\\FlashHd\\" + name + "\\\"/>");
  const auto deleteStep = device.Step("<delete path=\"\\FlashHd\\" + name + "\\\"/>");
  const std::string cp = "cp -r " + Quoted(device.Root() / "sd card" / name) + " " + Quoted(destination) + " && sync";
  const std::string rm = "rm -r " + Quoted(destination);
  TreeResult result;
  for (int round = 0; round < rounds; ++round) {
    double copyTime[3] = {};
    double deleteTime[3] = {};
    for (int turn = 0; turn < 3; ++turn) {
      const int who = (round + turn) % 3;
      if (who == kTool) {
        copyTime[who] = TimeCommand(cp);
        Settle();
        if (timeDelete) deleteTime[who] = TimeCommand(rm);
      } else {
        initap::Init_AP& app = who == kRealPaint ? device.App() : device.BareApp();
        copyTime[who] = TimeDurableCopy(app, copyStep.get());
        Settle();
        if (timeDelete) deleteTime[who] = TimeElement(initap::ExecuteDelete, app, deleteStep.get());
      }
      if (!timeDelete) fs::remove_all(destination);
      if (fs::exists(destination)) {
        std::fprintf(stderr, "copy_bench: %s was not deleted\n", destination.c_str());
        std::exit(1);
      }
      Settle();
    }
    for (int who = 0; who < 3; ++who) {
      result.copy[who].seconds.push_back(copyTime[who]);
      result.copy[who].ratios.push_back(copyTime[who] / copyTime[kTool]);
      if (!timeDelete) continue;
      result.remove[who].seconds.push_back(deleteTime[who]);
      result.remove[who].ratios.push_back(deleteTime[who] / deleteTime[kTool]);
    }
  }
  return result;
}

// Microseconds a status line costs the worker, from the call to the painted window.
double RepaintMicroseconds(initap::Init_AP& app) {
  app.progressDone = 0;
  app.progressTotal = kRepaints;
  const auto start = Clock::now();
  for (int i = 0; i < kRepaints; ++i) {
    app.progressDone += 1;
    initap::SetStatusText(app, L"copy %s", L"file" + std::to_wstring(i) + L".bin");
  }
  return Seconds(Clock::now() - start) * 1e6 / kRepaints;
}

long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

int Compare(const fs::path& work, int rounds) {
  const fs::path folder = work / "device";
  kSmallTree.Write(folder / "root" / "sd card" / "small");
  Settle();
  BenchDevice device(folder);

  TreeResult small;
  TreeResult large;
  double paint = 0;
  double handOver = 0;
  device.Serve([&] {
    paint = RepaintMicroseconds(device.App());
    handOver = RepaintMicroseconds(device.BareApp());
    small = CompareTree(device, "small", rounds, true);
    kLargeTree.Write(folder / "root" / "sd card" / "large");
    Settle();
    // As many rounds as the small tree: a stall of the volume's write-back
    // can triple one large round, and the median has to outvote it.
    large = CompareTree(device, "large", rounds, false);
    fs::remove_all(folder / "root" / "sd card" / "large");
  });

  std::printf("median of %d rounds; ratios to the tool's time in the same round\n", rounds);
  std::printf("durable copy of 10,000 files of 4 KiB in 100 folders (cp -r and sync %.3f s)\n",
              Median(small.copy[kTool].seconds));
  PrintRow("element, real paint", small.copy[kRealPaint], 1.15);
  PrintRow("element, empty paint", small.copy[kEmptyPaint], 0);
  std::printf("delete the same tree (rm -r %.3f s)\n", Median(small.remove[kTool].seconds));
  PrintRow("element, real paint", small.remove[kRealPaint], 3.0);
  PrintRow("element, empty paint", small.remove[kEmptyPaint], 0);
  std::printf("durable copy of 4 files of 256 MiB (cp -r and sync %.3f s)\n", Median(large.copy[kTool].seconds));
  PrintRow("element, real paint", large.copy[kRealPaint], 1.15);
  PrintRow("element, empty paint", large.copy[kEmptyPaint], 0);
  std::printf("status line a file, worker's wait from the call to the painted window\n");
  std::printf("  %-28s %8.1f us  (target 30 us: %s)\n", "real paint", paint, paint < 30 ? "met" : "MISSED");
  std::printf("  %-28s %8.1f us\n", "empty paint (hand-over)", handOver);
  return 0;
}

int Memory(const fs::path& work, int files) {
  const fs::path folder = work / "device";
  const int folders = std::max(1, files / kSmallTree.filesPerFolder);
  const FileTree tree{.folders = folders, .filesPerFolder = files / folders, .fileSize = kSmallTree.fileSize};
  tree.Write(folder / "root" / "sd card" / "tree");
  BenchDevice device(folder);
  const auto copyStep = device.Step("<copy from=\"\\sd card\\tree\\\" to=\"\\FlashHd\\tree\\\"/>");
  const auto deleteStep = device.Step("<delete path=\"\\FlashHd\\tree\\\"/>");
  device.Serve([&] {
    std::ignore = initap::ExecuteCopy(device.App(), copyStep.get());
    std::ignore = initap::ExecuteDelete(device.App(), deleteStep.get());
  });
  std::printf("peak resident memory, %6d files: %ld KiB\n", files, PeakResidentKiB());
  return 0;
}

}  // namespace

// The status line's cost alone, on a device without trees.
int Repaint(const fs::path& work) {
  BenchDevice device(work / "device");
  double paint = 0;
  double handOver = 0;
  device.Serve([&] {
    paint = RepaintMicroseconds(device.App());
    handOver = RepaintMicroseconds(device.BareApp());
  });
  std::printf("status line a file, worker's wait from the call to the painted window\n");
  std::printf("  %-28s %8.1f us  (target 30 us: %s)\n", "real paint", paint, paint < 30 ? "met" : "MISSED");
  std::printf("  %-28s %8.1f us\n", "empty paint (hand-over)", handOver);
  return 0;
}

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "compare") return Compare(argv[2], argc > 3 ? std::atoi(argv[3]) : 5);
  if (mode == "memory" && argc > 3) return Memory(argv[2], std::atoi(argv[3]));
  if (mode == "repaint") return Repaint(argv[2]);
  std::fprintf(stderr,
               "usage: copy_bench compare WORKDIR [ROUNDS] | copy_bench memory WORKDIR FILES | "
               "copy_bench repaint WORKDIR\n");
  return 2;
}
