// Watches the system's own calls at the platform's services (the XML
// component, the file system, the shell) and tells the card maker what a
// description will make the device do that the maker may not expect. The
// services report what was asked of them; nothing here repeats the system's
// rules. Every warning goes to `warnings`, never to the update log.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/host/report/document_reads.h"
#include "platform/host/report/file_call.h"
#include "platform/host/report/step_checks.h"
#include "platform/host/report/warnings.h"

namespace platform::host {

class CardWatch {
 public:
  // `debug` receives a line for the debug output when a document does not load.
  CardWatch(Warnings& warnings, std::function<void(std::wstring_view)> debug)
      : warnings_(warnings), debug_(std::move(debug)) {}

  // A document was loaded; the record its reads are kept in, shared by the
  // loads of the same unchanged file.
  std::shared_ptr<DocumentReads> Loaded(DocumentReads outline);
  // A document did not load: the parser's message, at its line and column when known.
  void NotLoaded(std::wstring_view path, std::uint32_t line, std::uint32_t column, std::string_view message);

  void Searched(DocumentReads& reads, int parent, int found);
  void Listed(DocumentReads& reads, int element);
  void Named(DocumentReads& reads, int element);
  void TextRead(DocumentReads& reads, int element, std::wstring text);
  // An attribute of a step was asked for: the step is in work on this thread.
  void AttributeAsked(const std::shared_ptr<DocumentReads>& reads, int element, std::string_view name,
                      const std::wstring* value);
  // A document was released: its steps are over.
  void Released(const DocumentReads& reads);

  void FileCalled(const FileCall& call);
  void ProgramStarted(std::wstring_view file);

  // The run is over: weighs what was never read.
  void Finish();

 private:
  struct Step {
    std::shared_ptr<DocumentReads> reads;
    int element = -1;
    StepRecord record;
  };
  // A relative path text read from a description, until a service is given a path that holds it.
  struct PendingPath {
    std::shared_ptr<DocumentReads> reads;
    int element;
    std::wstring tail;
  };

  void Add(const DocumentReads* reads, std::uint32_t line, std::string text);
  void CloseStep(Step& step);
  void Seen(std::wstring_view path);
  // The description and line of the element whose text names `path`; none when no text does.
  std::pair<const DocumentReads*, std::uint32_t> ElementNaming(std::wstring_view path) const;

  Warnings& warnings_;
  std::function<void(std::wstring_view)> debug_;
  std::mutex lock_;
  std::vector<std::shared_ptr<DocumentReads>> documents_;
  std::map<std::thread::id, Step> steps_;
  std::map<std::thread::id, FileCall> lastTest_;  // the last file each thread looked for
  std::vector<PendingPath> pending_;
  std::vector<std::wstring> deleted_;                  // normalized
  std::map<const DocumentReads*, std::wstring> found_;  // a file found beside a carried-out description
  bool finished_ = false;
};

}  // namespace platform::host
