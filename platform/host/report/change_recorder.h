// Notes in the change report what each of the system's calls changed, as
// the observing layers of the file system, the shell and the kernel tell
// them: what a path held before its first change, and after.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "platform/common/observed_file_system.h"
#include "platform/common/observed_kernel.h"
#include "platform/common/observed_shell.h"
#include "platform/host/files/host_files.h"
#include "platform/host/report/change_report.h"
#include "platform/host/xml/observed_xml.h"

namespace platform::host {

class ChangeRecorder final : public FileListener, public ShellListener, public ClockListener, public XmlListener {
 public:
  // What a path holds, and how the device names it, is looked up in `files`,
  // the file system below the observed one; `utcNow` gives the device
  // clock's UTC time. All outlive this.
  ChangeRecorder(HostFiles& files, ChangeReport& report, std::function<SystemTime()> utcNow)
      : files_(files), report_(report), utcNow_(std::move(utcNow)) {}

  void Before(const FileCall& call) override;
  void After(const FileCall& call) override;
  void Appended(std::wstring_view path, std::wstring_view text) override;
  void Written(std::wstring_view path, std::uint64_t bytes) override;

  void AfterStart(std::wstring_view file, bool started) override;

  // A description loaded last before it is saved tells whether the save marks it.
  void Loaded(const LoadedDocument& document) override;

  // The path that this thread's copy or removal under way changes, as the
  // device held it before the call; empty for other calls. For listeners
  // told after this one.
  std::string Changing();

  void BeforeClockSet(const SystemTime& utc) override;
  void AfterClockSet(const SystemTime& utc, bool set) override;

 private:
  // The path as the device holds it, empty for the root or a text that is no
  // path, after noting what it holds when it is new to the report.
  std::string Touch(std::wstring_view path);
  // The path as the device holds it.
  std::string Held(std::wstring_view path);
  // `path` now holds `kind`, unless it is nothing the report knows.
  void Note(std::wstring_view path, EntryKind kind, bool appended = false);
  // What `path` holds now; `size` receives a file's size.
  EntryKind KindOf(std::wstring_view path, std::uint64_t* size = nullptr);
  // True when both are files with the same bytes.
  bool SameFiles(std::wstring_view source, std::wstring_view destination);

  HostFiles& files_;
  ChangeReport& report_;
  std::function<SystemTime()> utcNow_;
  std::mutex markLock_;
  // The descriptions as last loaded, by their held path: whether they have a mark to set.
  std::unordered_map<std::wstring, bool> markable_;
  std::mutex clockLock_;
  SystemTime clockBefore_;  // the device clock when it was last about to be set
  std::mutex sameLock_;
  std::set<std::wstring> sameCopies_;  // copies under way onto a file with the same bytes, as compared
  // What each thread's copy or removal under way changes, as held before it:
  // a removal's path may lead nowhere once it is gone (a link on the way was
  // the one removed).
  std::unordered_map<std::thread::id, std::string> changing_;
};

}  // namespace platform::host
