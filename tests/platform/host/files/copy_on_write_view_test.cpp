// A dry run's file system answers every call as a boot's does, over a device
// that stays untouched, and the change report of both is the same.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <tuple>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/common/sized_volumes.h"
#include "platform/host/files/host_files.h"
#include "platform/host/report/change_recorder.h"
#include "platform/host/utf8.h"
#include "tests/support/device_tree.h"
#include "tests/support/host_files.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tree_snapshot.h"

namespace initap::test {
namespace {

using platform::FileStatus;
using platform::FileSystem;

// Tells which host entries were hidden from the device, by id and path.
struct HiddenSeen final : platform::host::HiddenEntryListener {
  void Hidden(const platform::host::HiddenEntry& entry) override {
    seen.insert(entry.id + " " + platform::host::ToUtf8(entry.path));
  }
  std::set<std::string> seen;
};

// One device with a card mounted from a folder of its own.
struct Device {
  explicit Device(bool dryRun) {
    device.WriteFile("FlashHd/keep.txt", "kept");
    device.WriteFile("FlashHd/updatelog.txt", "earlier\n");
    device.WriteFile("FlashHd/Old/a.txt", "a");
    device.WriteFile("FlashHd/Old/b.txt", "b");
    device.MakeFolder("Windows/Desktop");
    // Links inside the device: to a folder beside them, to nothing, and to themselves.
    std::filesystem::create_symlink("Old", device.Host("FlashHd/link to Old"));
    std::filesystem::create_symlink("missing", device.Host("FlashHd/nowhere"));
    std::filesystem::create_symlink("loop", device.Host("FlashHd/loop"));
    WriteHostFile(card.path() / "Maps/a.map", std::string(3000, 'm'));
    WriteHostFile(card.path() / "update.xml", "<config/>");
    // What a host folder holds and the device's volumes cannot.
    for (const char* name : {"q?.txt", "a:b.bin", "trail.", "sp ", "back\\slash"}) {
      WriteHostFile(card.path() / "Maps" / name, "bad");
    }
    WriteHostFile(card.path() / "Maps" / std::string(250, 'n') / "deep.map", "too deep");
    device.WriteFile("FlashHd/Twin/seen.txt", "seen");
    device.WriteFile("FlashHd/twin/hidden.txt", "hidden");
    device.MakeFolder("Storage Card");
    WriteHostFile(card.path() / "bin/app.exe", "#!/bin/sh\n");
    std::filesystem::permissions(card.path() / "bin/app.exe", std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    std::string error;
    files = platform::host::OpenHostFiles({device.Folder(), {{L"sd card", card.path()}}, dryRun}, error);
    recorded = std::make_unique<platform::ObservedFileSystem>(*files);
    recorder = std::make_unique<platform::host::ChangeRecorder>(*files, changes, [] { return platform::SystemTime{}; });
    recorded->AddListener(*recorder);
    files->TellHidden(hidden);
  }

  HiddenSeen hidden;
  DeviceTree device;
  TempFolder card;
  std::unique_ptr<platform::host::HostFiles> files;
  platform::host::ChangeReport changes;
  std::unique_ptr<platform::host::ChangeRecorder> recorder;
  std::unique_ptr<platform::ObservedFileSystem> recorded;
};

FileStatus Append(FileSystem& files, const wchar_t* path, const wchar_t* text) {
  std::unique_ptr<platform::AppendStream> stream;
  const FileStatus opened = files.OpenAppend(path, stream);
  if (opened != FileStatus::Ok) return opened;
  std::ignore = stream->Write(text);
  return stream->Close();
}

FileStatus Write(FileSystem& files, const wchar_t* path, std::string_view bytes) {
  std::unique_ptr<platform::WriteStream> stream;
  const FileStatus opened = files.CreateForWrite(path, stream);
  if (opened != FileStatus::Ok) return opened;
  std::ignore = stream->Write(bytes);
  return stream->Close();
}

struct Step {
  const char* what;
  std::function<FileStatus(FileSystem&)> run;
  FileStatus expected;
};

const Step kSteps[] = {
    {"new folder", [](FileSystem& f) { return f.CreateDirectory(L"\\FlashHd\\New"); }, FileStatus::Ok},
    {"folder again", [](FileSystem& f) { return f.CreateDirectory(L"\\flashhd\\NEW"); }, FileStatus::AlreadyExists},
    {"copy into it",
     [](FileSystem& f) { return f.CopyFile(L"\\sd card\\Maps\\a.map", L"\\FlashHd\\New\\A.map", false); },
     FileStatus::Ok},
    {"copy refused",
     [](FileSystem& f) { return f.CopyFile(L"\\sd card\\Maps\\a.map", L"\\FlashHd\\new\\a.MAP", true); },
     FileStatus::FileExists},
    {"copy of the copy", [](FileSystem& f) { return f.CopyFile(L"\\FlashHd\\New\\a.map", L"\\System\\b.map", false); },
     FileStatus::Ok},
    {"program", [](FileSystem& f) { return f.CopyFile(L"\\sd card\\bin\\app.exe", L"\\System\\App.exe", false); },
     FileStatus::Ok},
    {"folder as source", [](FileSystem& f) { return f.CopyFile(L"\\FlashHd\\New", L"\\System\\x", false); },
     FileStatus::AccessDenied},
    {"replace", [](FileSystem& f) { return f.ReplaceFile(L"\\FLASHHD\\KEEP.TXT", "replaced"); }, FileStatus::Ok},
    {"append", [](FileSystem& f) { return Append(f, L"\\FlashHd\\updatelog.txt", L"line\n"); }, FileStatus::Ok},
    {"append new", [](FileSystem& f) { return Append(f, L"\\FlashHd\\New\\log.txt", L"first\n"); }, FileStatus::Ok},
    {"shortcut", [](FileSystem& f) { return Write(f, L"\\Windows\\Nav.lnk", "lnk"); }, FileStatus::Ok},
    {"into desktop", [](FileSystem& f) { return f.MoveFile(L"\\Windows\\Nav.lnk", L"\\Windows\\Desktop\\Nav.lnk"); },
     FileStatus::Ok},
    {"move onto file", [](FileSystem& f) { return f.MoveFile(L"\\FlashHd\\keep.txt", L"\\System\\b.map"); },
     FileStatus::AlreadyExists},
    {"moved away", [](FileSystem& f) { return f.TestOpenForRead(L"\\Windows\\Nav.lnk"); }, FileStatus::FileNotFound},
    {"through a link", [](FileSystem& f) { return f.TestOpenForRead(L"\\FlashHd\\LINK TO OLD\\a.txt"); },
     FileStatus::Ok},
    {"onto itself through a link",
     [](FileSystem& f) { return f.CopyFile(L"\\FlashHd\\Old\\a.txt", L"\\FlashHd\\link to Old\\a.txt", false); },
     FileStatus::AccessDenied},
    {"link removed as a folder", [](FileSystem& f) { return f.RemoveDirectory(L"\\FlashHd\\link to Old\\"); },
     FileStatus::PathNotFound},
    {"link to nothing", [](FileSystem& f) { return f.TestOpenForRead(L"\\FlashHd\\nowhere"); },
     FileStatus::FileNotFound},
    {"link to nothing deleted", [](FileSystem& f) { return f.DeleteFile(L"\\FlashHd\\nowhere"); }, FileStatus::Ok},
    {"link to itself", [](FileSystem& f) { return f.TestOpenForRead(L"\\FlashHd\\loop"); }, FileStatus::PathNotFound},
    {"folder where a file is", [](FileSystem& f) { return f.CreateDirectory(L"\\FlashHd\\keep.txt\\"); },
     FileStatus::AlreadyExists},
    {"not empty", [](FileSystem& f) { return f.RemoveDirectory(L"\\FlashHd\\Old"); }, FileStatus::DirectoryNotEmpty},
    {"delete a", [](FileSystem& f) { return f.DeleteFile(L"\\FlashHd\\Old\\a.txt"); }, FileStatus::Ok},
    {"delete b", [](FileSystem& f) { return f.DeleteFile(L"\\FlashHd\\old\\B.TXT"); }, FileStatus::Ok},
    {"delete again", [](FileSystem& f) { return f.DeleteFile(L"\\FlashHd\\Old\\b.txt"); }, FileStatus::FileNotFound},
    {"remove", [](FileSystem& f) { return f.RemoveDirectory(L"\\FlashHd\\Old"); }, FileStatus::Ok},
    {"below removed", [](FileSystem& f) { return f.CreateDirectory(L"\\FlashHd\\Old\\Sub"); },
     FileStatus::PathNotFound},
    {"made anew", [](FileSystem& f) { return f.CreateDirectory(L"\\FlashHd\\OLD"); }, FileStatus::Ok},
    {"old file gone", [](FileSystem& f) { return f.TestOpenForRead(L"\\FlashHd\\Old\\a.txt"); },
     FileStatus::FileNotFound},
    {"card description", [](FileSystem& f) { return f.DeleteFile(L"\\sd card\\update.xml"); }, FileStatus::Ok},
    {"folder deleted as file", [](FileSystem& f) { return f.DeleteFile(L"\\FlashHd\\New"); }, FileStatus::AccessDenied},
    {"mounted volume", [](FileSystem& f) { return f.RemoveDirectory(L"\\sd card"); }, FileStatus::AccessDenied},
    {"file removed as folder", [](FileSystem& f) { return f.RemoveDirectory(L"\\FlashHd\\keep.txt"); },
     FileStatus::PathNotFound},
    {"missing folder", [](FileSystem& f) { return f.TestOpenForRead(L"\\FlashHd\\Missing\\x"); },
     FileStatus::PathNotFound},
    {"in new folder", [](FileSystem& f) { return f.TestOpenForRead(L"\\FlashHd\\Old\\x"); }, FileStatus::FileNotFound},
    {"flush", [](FileSystem& f) { return f.FlushVolume(L"\\FlashHd"); }, FileStatus::Ok},
    {"hidden source", [](FileSystem& f) { return f.CopyFile(L"\\sd card\\Maps\\a", L"\\FlashHd\\a", false); },
     FileStatus::FileNotFound},
    {"trailing dot", [](FileSystem& f) { return f.CreateDirectory(L"\\FlashHd\\trail."); }, FileStatus::InvalidName},
    {"trailing space", [](FileSystem& f) { return f.CopyFile(L"\\FlashHd\\keep.txt", L"\\FlashHd\\sp ", false); },
     FileStatus::InvalidName},
    {"twin seen", [](FileSystem& f) { return f.TestOpenForRead(L"\\FlashHd\\twin\\seen.txt"); }, FileStatus::Ok},
    {"twin hidden", [](FileSystem& f) { return f.TestOpenForRead(L"\\FlashHd\\twin\\hidden.txt"); },
     FileStatus::FileNotFound},
    {"twin emptied", [](FileSystem& f) { return f.DeleteFile(L"\\FlashHd\\twin\\seen.txt"); }, FileStatus::Ok},
    {"twin removed", [](FileSystem& f) { return f.RemoveDirectory(L"\\FlashHd\\twin\\"); }, FileStatus::Ok},
    {"empty volume", [](FileSystem& f) { return f.RemoveDirectory(L"\\Storage Card\\"); }, FileStatus::AccessDenied},
    {"volume in use", [](FileSystem& f) { return f.RemoveDirectory(L"\\flashhd"); }, FileStatus::AccessDenied},
    {"volume moved", [](FileSystem& f) { return f.MoveFile(L"\\Storage Card", L"\\FlashHd\\card"); },
     FileStatus::AccessDenied},
};

// The whole device as the file system shows it: each path with its kind, size and bytes.
void Walk(FileSystem& files, const std::wstring& folder, std::map<std::string, std::string>& seen) {
  platform::FindData entry;
  std::unique_ptr<platform::FindHandle> listing;
  if (files.FindFirst(folder + L"\\*.*", entry, listing) != FileStatus::Ok) return;
  do {
    const std::wstring path = folder + L"\\" + entry.name;
    std::string& shown = seen[platform::host::ToUtf8(path)];
    shown = std::to_string(entry.attributes) + ":" + std::to_string(entry.size) + ":";
    std::string bytes;
    if ((entry.attributes & platform::kDirectoryAttribute) != 0) {
      Walk(files, path, seen);
    } else if (files.ReadFile(path, bytes) == FileStatus::Ok) {
      shown += bytes;
    }
  } while (listing->Next(entry) == FileStatus::Ok);
}

TEST(CopyOnWriteView, AnswersAsTheDeviceDoesAndLeavesItUntouched) {
  Device boot(false), dry(true);
  const auto deviceBefore = TreeSnapshot(dry.device.Folder());
  const auto cardBefore = TreeSnapshot(dry.card.path());

  for (const Step& step : kSteps) {
    EXPECT_EQ(step.run(*boot.recorded), step.expected) << step.what;
    EXPECT_EQ(step.run(*dry.recorded), step.expected) << step.what;
  }
  std::map<std::string, std::string> booted, viewed;
  Walk(*boot.files, L"", booted);
  Walk(*dry.files, L"", viewed);
  EXPECT_EQ(viewed, booted);
  EXPECT_EQ(viewed.at("\\FlashHd\\updatelog.txt"), "128:13:earlier\nline\n");

  // A program copied in a dry run starts from the file it was copied from.
  EXPECT_TRUE(dry.files->OpenFd(L"\\System\\app.exe", O_PATH));
  EXPECT_FALSE(dry.files->OpenFd(L"\\Windows\\Nav.lnk", O_PATH));

  EXPECT_EQ(dry.hidden.seen, boot.hidden.seen);
  EXPECT_EQ(boot.hidden.seen,
            (std::set<std::string>{
                "case-twin \\FlashHd\\twin", "name-not-on-device \\sd card\\Maps\\a:b.bin",
                "name-not-on-device \\sd card\\Maps\\back\\slash", "name-not-on-device \\sd card\\Maps\\q?.txt",
                "name-not-on-device \\sd card\\Maps\\sp ", "name-not-on-device \\sd card\\Maps\\trail.",
                "path-too-long \\sd card\\Maps\\" + std::string(250, 'n')}));

  EXPECT_EQ(TreeSnapshot(dry.device.Folder()), deviceBefore);
  EXPECT_EQ(TreeSnapshot(dry.card.path()), cardBefore);
  EXPECT_EQ(dry.changes.Json({}), boot.changes.Json({}));
  const std::string summary = boot.changes.Summary(false, {});
  EXPECT_NE(summary.find("5 files added, 1 replaced, 1 appended, 5 deleted, 6032 bytes written; "
                         "1 folder created, 1 removed"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("description deleted: \\sd card\\update.xml"), std::string::npos) << summary;
  EXPECT_NE(summary.find("shortcuts written: \\Windows\\Desktop\\Nav.lnk"), std::string::npos) << summary;
}

// A write past a volume's size fails as disk full before any of its data is
// written, alike for a boot and a dry run; what the volume holds is counted
// through every kind of write. The flash volume holds 18 bytes at first.
TEST(SizedVolumes, AWritePastTheSizeFailsAsDiskFullAndLeavesNothing) {
  const Step steps[] = {
      {"fits", [](FileSystem& f) { return f.CopyFile(L"\\sd card\\Maps\\a.map", L"\\FlashHd\\a.map", false); },
       FileStatus::Ok},
      {"copy past the size",
       [](FileSystem& f) { return f.CopyFile(L"\\sd card\\update.xml", L"\\FlashHd\\u.xml", false); },
       FileStatus::DiskFull},
      {"nothing left of it", [](FileSystem& f) { return f.TestOpenForRead(L"\\FlashHd\\u.xml"); },
       FileStatus::FileNotFound},
      {"unsized volume", [](FileSystem& f) { return f.CopyFile(L"\\sd card\\update.xml", L"\\System\\u.xml", false); },
       FileStatus::Ok},
      {"line fits", [](FileSystem& f) { return Append(f, L"\\FlashHd\\updatelog.txt", L"1234\n"); }, FileStatus::Ok},
      {"line past the size", [](FileSystem& f) { return Append(f, L"\\FlashHd\\updatelog.txt", L"1\n"); },
       FileStatus::DiskFull},
      {"smaller content", [](FileSystem& f) { return f.ReplaceFile(L"\\FlashHd\\keep.txt", "k"); }, FileStatus::Ok},
      {"stream",
       [](FileSystem& f) {
         std::unique_ptr<platform::WriteStream> stream;
         if (const FileStatus opened = f.CreateForWrite(L"\\FlashHd\\w.bin", stream); opened != FileStatus::Ok) {
           return opened;
         }
         if (const FileStatus fits = stream->Write("123"); fits != FileStatus::Ok) return fits;
         const FileStatus past = stream->Write("45");
         std::ignore = stream->Close();
         return past;
       },
       FileStatus::DiskFull},
      {"smaller copy in place",
       [](FileSystem& f) { return f.CopyFile(L"\\sd card\\bin\\app.exe", L"\\FlashHd\\a.map", false); },
       FileStatus::Ok},
      {"moved off", [](FileSystem& f) { return f.MoveFile(L"\\FlashHd\\keep.txt", L"\\System\\keep.txt"); },
       FileStatus::Ok},
      {"deleted", [](FileSystem& f) { return f.DeleteFile(L"\\FlashHd\\Old\\a.txt"); }, FileStatus::Ok},
  };
  Device boot(false), dry(true);
  // The device sees a linked folder's files twice; this count is of files held once.
  for (Device* device : {&boot, &dry}) std::filesystem::remove(device->device.Host("FlashHd/link to Old"));
  std::vector<std::string> refusals[2];
  std::map<std::string, std::string> trees[2];
  std::vector<platform::VolumeFill> fills[2];
  for (int i = 0; i < 2; ++i) {
    platform::SizedVolumes sized(
        *(i == 0 ? boot : dry).files, {{L"FlashHd", 3024}},
        [&refusals, i](std::wstring_view volume, std::wstring_view path, std::uint64_t more) {
          refusals[i].push_back(platform::host::ToUtf8(std::wstring(volume) + L" " + std::wstring(path)) + " " +
                                std::to_string(more));
        });
    for (const Step& step : steps) EXPECT_EQ(step.run(sized), step.expected) << step.what << (i == 0 ? "" : ", dry");
    Walk(sized, L"", trees[i]);
    fills[i] = sized.Fills();
  }
  EXPECT_EQ(trees[1], trees[0]);
  EXPECT_EQ(refusals[0],
            (std::vector<std::string>{"\\FlashHd \\FlashHd\\u.xml 3", "\\FlashHd \\FlashHd\\updatelog.txt 10",
                                      "\\FlashHd \\FlashHd\\w.bin 12"}));
  EXPECT_EQ(refusals[1], refusals[0]);
  for (const auto& fill : fills) {
    ASSERT_EQ(fill.size(), 1u);
    EXPECT_EQ(fill[0].usedBefore, 18u);
    EXPECT_EQ(fill[0].used, 31u);
    EXPECT_EQ(fill[0].refused, 13u);
  }
}

}  // namespace
}  // namespace initap::test
