#pragma once
// An OperatorPort for tests: records every call, keeps a listing like the
// real one, and answers boxes from a script (by default OK, OK and Yes).

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "operator/OperatorPort.h"

struct RecordedBox {
  std::string text;
  std::string caption;
  BoxButtons buttons;
  BoxIcon icon;
};

class RecordingPort : public OperatorPort {
 public:
  // Installs itself as the engine's port for its lifetime.
  RecordingPort();
  ~RecordingPort() override;
  RecordingPort(const RecordingPort&) = delete;
  RecordingPort& operator=(const RecordingPort&) = delete;

  int MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) override;
  void ListAppend(std::string_view text) override;
  void ListInsert(int row, std::string_view text) override;
  void ListDelete(int row) override;
  void ListSelect(int row) override;
  int ListSelectedRow() override;
  void ListClear() override;
  void SetCurrentRowText(std::string_view text) override;
  void RequestRepaint() override;
  void RequestQuit(int exitCode) override;
  void ProcessPendingEvents() override;
  std::optional<std::string> ChooseFile(FileDialogKind kind, std::string_view suggestedName) override;

  // Script: the next boxes answer these results in order, then the defaults
  // (OK for OK boxes and OK/Cancel, Yes for Yes/No and Yes/No/Cancel).
  void AnswerBoxes(std::vector<int> results);
  // Script: the next file choosers return these (nullopt = cancelled).
  void AnswerFiles(std::vector<std::optional<std::string>> paths);
  // Runs on every ProcessPendingEvents (a button pressed during a wait).
  void OnPendingEvents(std::function<void()> handler);

  std::vector<RecordedBox> Boxes() const;
  std::vector<std::string> BoxTexts() const;
  std::vector<std::string> Listing() const;
  std::vector<std::string> Calls() const;  // "ListAppend(text)", "MessageBox(text)", ...
  std::string CurrentRowText() const;
  int QuitCount() const;
  int RepaintCount() const;
  int PendingEventCalls() const;
  void ClearRecord();  // forgets calls and boxes, keeps the listing

 private:
  mutable std::mutex mutex_;
  std::vector<RecordedBox> boxes_;
  std::vector<std::string> calls_;
  std::vector<std::string> listing_;
  int selected_ = -1;
  std::string rowText_;
  int quits_ = 0;
  int repaints_ = 0;
  int pendingCalls_ = 0;
  std::deque<int> boxAnswers_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::function<void()> pendingHandler_;
};
