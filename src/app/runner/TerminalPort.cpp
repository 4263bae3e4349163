#include "app/runner/TerminalPort.h"

#include "operator/OperatorMessages.h"

TerminalPort::TerminalPort() { SetOperatorPort(this); }
TerminalPort::~TerminalPort() { SetOperatorPort(nullptr); }

int TerminalPort::MessageBox(std::string_view text, std::string_view, BoxButtons buttons, BoxIcon) {
  int number = -1;
  for (int n = 0; n < kOperatorMessageCount; ++n) {
    if (text == OperatorMessageText(n, CurrentLanguage())) {
      number = n;
      break;
    }
  }
  {
    std::lock_guard lock(mutex_);
    std::fflush(stdout);  // keep the rows and the messages in order on a terminal
    if (number >= 0) std::fprintf(stderr, "message %d: ", number);
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
  }
  ++boxes_;
  return buttons == BoxButtons::YesNo || buttons == BoxButtons::YesNoCancel ? kBoxYes : kBoxOk;
}

void TerminalPort::ListAppend(std::string_view text) {
  std::lock_guard lock(mutex_);
  listing_.emplace_back(text);
}

void TerminalPort::ListInsert(int row, std::string_view text) {
  std::lock_guard lock(mutex_);
  if (row < 0 || static_cast<size_t>(row) > listing_.size()) return;
  listing_.insert(listing_.begin() + row, std::string(text));
}

void TerminalPort::ListDelete(int row) {
  std::lock_guard lock(mutex_);
  if (row < 0 || static_cast<size_t>(row) >= listing_.size()) return;
  listing_.erase(listing_.begin() + row);
  if (selected_ == row) selected_ = -1;
}

void TerminalPort::ListSelect(int row) {
  std::function<void(int, const std::string&)> handler;
  std::string text;
  {
    std::lock_guard lock(mutex_);
    selected_ = (row >= 0 && static_cast<size_t>(row) < listing_.size()) ? row : -1;
    if (selected_ < 0) return;
    handler = rowHandler_;
    text = listing_[static_cast<size_t>(row)];
  }
  if (handler) handler(row, text);
}

int TerminalPort::ListSelectedRow() {
  std::lock_guard lock(mutex_);
  return selected_;
}

void TerminalPort::ListClear() {
  std::lock_guard lock(mutex_);
  listing_.clear();
  selected_ = -1;
}

std::optional<std::string> TerminalPort::ChooseFile(FileDialogKind, std::string_view) {
  std::lock_guard lock(mutex_);
  if (nextFile_.empty()) return std::nullopt;
  return nextFile_;
}

void TerminalPort::AnswerFile(std::string path) {
  std::lock_guard lock(mutex_);
  nextFile_ = std::move(path);
}

void TerminalPort::OnRowSelected(std::function<void(int, const std::string&)> handler) {
  std::lock_guard lock(mutex_);
  rowHandler_ = std::move(handler);
}

std::vector<std::string> TerminalPort::Listing() const {
  std::lock_guard lock(mutex_);
  return listing_;
}
