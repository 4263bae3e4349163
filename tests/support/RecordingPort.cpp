#include "RecordingPort.h"

RecordingPort::RecordingPort() { SetOperatorPort(this); }
RecordingPort::~RecordingPort() { SetOperatorPort(nullptr); }

int RecordingPort::MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) {
  std::lock_guard lock(mutex_);
  boxes_.push_back({std::string(text), std::string(caption), buttons, icon});
  calls_.push_back("MessageBox(" + std::string(text) + ")");
  if (!boxAnswers_.empty()) {
    const int answer = boxAnswers_.front();
    boxAnswers_.pop_front();
    return answer;
  }
  return buttons == BoxButtons::YesNo || buttons == BoxButtons::YesNoCancel ? kBoxYes : kBoxOk;
}

void RecordingPort::ListAppend(std::string_view text) {
  std::lock_guard lock(mutex_);
  listing_.emplace_back(text);
  calls_.push_back("ListAppend(" + std::string(text) + ")");
}

void RecordingPort::ListInsert(int row, std::string_view text) {
  std::lock_guard lock(mutex_);
  calls_.push_back("ListInsert(" + std::to_string(row) + "," + std::string(text) + ")");
  if (row < 0 || static_cast<size_t>(row) > listing_.size()) return;
  listing_.insert(listing_.begin() + row, std::string(text));
}

void RecordingPort::ListDelete(int row) {
  std::lock_guard lock(mutex_);
  calls_.push_back("ListDelete(" + std::to_string(row) + ")");
  if (row < 0 || static_cast<size_t>(row) >= listing_.size()) return;
  listing_.erase(listing_.begin() + row);
  if (selected_ == row) selected_ = -1;
}

void RecordingPort::ListSelect(int row) {
  std::lock_guard lock(mutex_);
  calls_.push_back("ListSelect(" + std::to_string(row) + ")");
  selected_ = (row >= 0 && static_cast<size_t>(row) < listing_.size()) ? row : -1;
}

int RecordingPort::ListSelectedRow() {
  std::lock_guard lock(mutex_);
  return selected_;
}

void RecordingPort::ListClear() {
  std::lock_guard lock(mutex_);
  calls_.push_back("ListClear()");
  listing_.clear();
  selected_ = -1;
}

void RecordingPort::SetCurrentRowText(std::string_view text) {
  std::lock_guard lock(mutex_);
  rowText_ = std::string(text);
  calls_.push_back("SetCurrentRowText(" + rowText_ + ")");
}

void RecordingPort::RequestRepaint() {
  std::lock_guard lock(mutex_);
  ++repaints_;
}

void RecordingPort::RequestQuit(int exitCode) {
  std::lock_guard lock(mutex_);
  ++quits_;
  calls_.push_back("RequestQuit(" + std::to_string(exitCode) + ")");
}

void RecordingPort::ProcessPendingEvents() {
  std::function<void()> handler;
  {
    std::lock_guard lock(mutex_);
    ++pendingCalls_;
    handler = pendingHandler_;
  }
  if (handler) handler();
}

std::optional<std::string> RecordingPort::ChooseFile(FileDialogKind kind, std::string_view suggestedName) {
  std::lock_guard lock(mutex_);
  const char* name = kind == FileDialogKind::Open          ? "ChooseOpen("
                     : kind == FileDialogKind::Save        ? "ChooseSave("
                     : kind == FileDialogKind::ImportGcode ? "ChooseImport("
                                                           : "ChooseSaveAs(";
  calls_.push_back(std::string(name) + std::string(suggestedName) + ")");
  if (fileAnswers_.empty()) return std::nullopt;
  auto answer = fileAnswers_.front();
  fileAnswers_.pop_front();
  return answer;
}

void RecordingPort::AnswerBoxes(std::vector<int> results) {
  std::lock_guard lock(mutex_);
  boxAnswers_.assign(results.begin(), results.end());
}

void RecordingPort::AnswerFiles(std::vector<std::optional<std::string>> paths) {
  std::lock_guard lock(mutex_);
  fileAnswers_.assign(paths.begin(), paths.end());
}

void RecordingPort::OnPendingEvents(std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  pendingHandler_ = std::move(handler);
}

std::vector<RecordedBox> RecordingPort::Boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

std::vector<std::string> RecordingPort::BoxTexts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> texts;
  for (const auto& b : boxes_) texts.push_back(b.text);
  return texts;
}

std::vector<std::string> RecordingPort::Listing() const {
  std::lock_guard lock(mutex_);
  return listing_;
}

std::vector<std::string> RecordingPort::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::string RecordingPort::CurrentRowText() const {
  std::lock_guard lock(mutex_);
  return rowText_;
}

int RecordingPort::QuitCount() const {
  std::lock_guard lock(mutex_);
  return quits_;
}

int RecordingPort::RepaintCount() const {
  std::lock_guard lock(mutex_);
  return repaints_;
}

int RecordingPort::PendingEventCalls() const {
  std::lock_guard lock(mutex_);
  return pendingCalls_;
}

void RecordingPort::ClearRecord() {
  std::lock_guard lock(mutex_);
  boxes_.clear();
  calls_.clear();
}
