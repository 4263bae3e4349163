#pragma once
// The headless runner's front end: boxes go to stderr (numbered operator
// messages as "message K: text"), questions are answered OK or Yes, the
// listing is kept in memory and a row that starts is printed on stdout.

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "operator/OperatorPort.h"

class TerminalPort : public OperatorPort {
 public:
  TerminalPort();
  ~TerminalPort() override;
  TerminalPort(const TerminalPort&) = delete;
  TerminalPort& operator=(const TerminalPort&) = delete;

  int MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) override;
  void ListAppend(std::string_view text) override;
  void ListInsert(int row, std::string_view text) override;
  void ListDelete(int row) override;
  void ListSelect(int row) override;
  int ListSelectedRow() override;
  void ListClear() override;
  void SetCurrentRowText(std::string_view) override {}
  void RequestRepaint() override {}
  void RequestQuit(int) override {}
  void ProcessPendingEvents() override {}
  std::optional<std::string> ChooseFile(FileDialogKind kind, std::string_view suggestedName) override;

  // The file every chooser answers with next.
  void AnswerFile(std::string path);
  // Called with the row when the engine selects a listing row (a row starts).
  void OnRowSelected(std::function<void(int row, const std::string& text)> handler);

  std::vector<std::string> Listing() const;
  int BoxCount() const { return boxes_.load(); }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> listing_;
  int selected_ = -1;
  std::string nextFile_;
  std::function<void(int, const std::string&)> rowHandler_;
  std::atomic<int> boxes_{0};
};
