// Watches the system's own calls at the platform's services (the XML
// component, the file system, the shell) and tells the card maker what a
// description will make the device do that the maker may not expect. The
// services report what was asked of them; nothing here repeats the system's
// rules. Every warning goes to `warnings`, never to the update log.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/common/observed_file_system.h"
#include "platform/common/observed_shell.h"
#include "platform/host/files/device_entry.h"
#include "platform/host/files/host_files.h"
#include "platform/host/report/change_recorder.h"
#include "platform/host/report/change_report.h"
#include "platform/host/report/document_reads.h"
#include "platform/host/report/step_checks.h"
#include "platform/host/report/warnings.h"
#include "platform/host/xml/observed_xml.h"

namespace platform::host {

class CardWatch final : public XmlListener, public FileListener, public ShellListener, public HiddenEntryListener {
 public:
  // What paths hold is looked up in `files`, the file system below the
  // observed one, what a call changes is asked of `recorder`, which is told
  // of each call first, and texts are tried in the device's `codePage`; each step
  // goes to `changes` as it ends. `debug` receives a line for the debug
  // output when a document does not load. All but `debug` outlive this.
  CardWatch(HostFiles& files, ChangeRecorder& recorder, CodePage& codePage, Warnings& warnings, ChangeReport& changes,
            std::function<void(std::wstring_view)> debug)
      : files_(files),
        recorder_(recorder),
        codePage_(codePage),
        warnings_(warnings),
        changes_(changes),
        debug_(std::move(debug)) {}

  // The reads of a document are kept in one record, shared by the loads of the same unchanged file.
  void Loaded(const LoadedDocument& document) override;
  // The parser's message, at its line and column when known.
  void NotLoaded(std::wstring_view path, const ParseProblem& problem) override;
  void Searched(const LoadedDocument& document, int parent, int found) override;
  void Listed(const LoadedDocument& document, int element) override;
  void Named(const LoadedDocument& document, int element) override;
  void TextRead(const LoadedDocument& document, int element, const std::wstring& text) override;
  // An attribute of a step was asked for: the step is in work on this thread.
  void AttributeAsked(const LoadedDocument& document, int element, std::string_view name,
                      const std::wstring* value) override;
  // A document was released: its steps are over.
  void Released(const LoadedDocument& document) override;

  // The file system is about to answer one of the system's calls: where the
  // step's texts lead is looked up while it is still there.
  void Before(const FileCall& call) override;
  // The file system answered one of the system's calls.
  void After(const FileCall& call) override;
  // A line of the update log: the step in work on this thread wrote it.
  void Appended(std::wstring_view path, std::wstring_view text) override;
  void BeforeStart(std::wstring_view file) override;
  // An entry of a host folder that the device does not see: told once, at the
  // step in work when there is one, since the card could not hold it on the device.
  void Hidden(const HiddenEntry& entry) override;
  // A write to `path` was refused for want of room on `volume`, which would
  // need `more` bytes for all that was refused: told once a volume, at the
  // step of the first file that did not fit.
  void DoesNotFit(std::wstring_view volume, std::wstring_view path, std::uint64_t more);

  // The run is over: weighs what was never read.
  void Finish();

 private:
  struct Step {
    std::shared_ptr<DocumentReads> reads;
    int element = -1;
    StepRecord record;
    bool sourceCounted = false;
    std::string changing = {};  // what the call under way changes, as held before it
  };
  // An attribute of a shortcut list's entry, as read.
  struct ShortcutText {
    std::shared_ptr<DocumentReads> reads;
    int element;
    std::string name;
    std::wstring value;
  };
  // A relative path text read from a description, until a service is given a path that holds it.
  struct PendingPath {
    std::shared_ptr<DocumentReads> reads;
    int element;
    std::wstring tail;
  };

  // The record of a document that is loaded now; null for one loaded before this watch heard of it.
  const std::shared_ptr<DocumentReads>* ReadsOf(const LoadedDocument& document);
  // Marks `element` of a loaded document read; its record and the document's, none for a document loaded before.
  std::pair<std::shared_ptr<DocumentReads>, ElementRead*> MarkRead(const LoadedDocument& document, int element);
  void Add(const DocumentReads* reads, std::uint32_t line, std::string id, Severity severity, std::string text);
  // `warning` about `reads`, which names its description.
  void Add(const DocumentReads* reads, Warning warning);
  void CloseStep(Step& step);
  // Counts the files of a folder copy's source once the step's calls show where
  // it lies, before the step has copied anything into it.
  void CountSource(Step& step);
  // The files below `folder` and all its subfolders; `longest` grows to the
  // longest path among them, in units after the folder, `below` of them above this one.
  std::uint64_t FilesBelow(const std::wstring& folder, std::size_t& longest, std::size_t below = 0);
  bool IsFolder(std::wstring_view path);
  bool Exists(std::wstring_view path);
  // Marks this thread's calls as the watch's own look for as long as it lives.
  class OwnLook;
  void ShortcutFindings();
  void Seen(std::wstring_view path);
  // The description and line of the step in work on this thread; none outside a step.
  std::pair<std::string, std::uint32_t> StepInWork() const;
  // The description and line of the element whose text names `path`; none when no text does.
  std::pair<const DocumentReads*, std::uint32_t> ElementNaming(std::wstring_view path) const;

  HostFiles& files_;
  ChangeRecorder& recorder_;
  CodePage& codePage_;
  Warnings& warnings_;
  ChangeReport& changes_;
  std::function<void(std::wstring_view)> debug_;
  std::mutex lock_;
  // The thread that is looking at the device for this watch, under lock_: what
  // the file system hides from that look is not the boot's to be told of.
  std::atomic<std::thread::id> looking_{};
  std::vector<std::shared_ptr<DocumentReads>> documents_;
  std::map<const LoadedDocument*, std::shared_ptr<DocumentReads>> loaded_;
  std::map<std::thread::id, Step> steps_;
  std::map<std::thread::id, FileCall> lastTest_;  // the last file each thread looked for
  std::vector<PendingPath> pending_;
  std::vector<ShortcutText> shortcuts_;
  std::set<std::pair<const DocumentReads*, int>> stepped_;  // the elements taken up as steps
  std::vector<std::wstring> deleted_;                       // normalized
  std::set<std::wstring> hidden_;                           // normalized, told already
  struct Shortfall {
    std::string description;
    std::uint32_t line = 0;
    std::wstring firstPath;
    std::uint64_t more = 0;
  };
  std::map<std::wstring, Shortfall> full_;              // by volume
  std::map<const DocumentReads*, std::wstring> found_;  // a file found beside a carried-out description
  bool finished_ = false;
};

}  // namespace platform::host
