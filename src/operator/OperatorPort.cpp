#include "operator/OperatorPort.h"

#include <atomic>

#include "operator/Journal.h"

namespace {

NullOperatorPort nullPort;
std::atomic<OperatorPort*> currentPort{&nullPort};

OperatorPort& Installed() { return *currentPort.load(std::memory_order_acquire); }

// Every call of the engine reaches the installed port through here, so
// that each box is journalled with its answer in one place, whoever asks.
class JournallingPort final : public OperatorPort {
 public:
  int MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) override {
    const journal::Clock::time_point shown = journal::Clock::now();
    const int answer = Installed().MessageBox(text, caption, buttons, icon);
    journal::RecordBox(text, buttons, answer, shown);
    return answer;
  }
  void ListAppend(std::string_view text) override { Installed().ListAppend(text); }
  void ListInsert(int row, std::string_view text) override { Installed().ListInsert(row, text); }
  void ListDelete(int row) override { Installed().ListDelete(row); }
  void ListSelect(int row) override { Installed().ListSelect(row); }
  int ListSelectedRow() override { return Installed().ListSelectedRow(); }
  void ListClear() override { Installed().ListClear(); }
  void SetCurrentRowText(std::string_view text) override { Installed().SetCurrentRowText(text); }
  void RequestRepaint() override { Installed().RequestRepaint(); }
  void RequestQuit(int exitCode) override { Installed().RequestQuit(exitCode); }
  void ProcessPendingEvents() override { Installed().ProcessPendingEvents(); }
  std::optional<std::string> ChooseFile(FileDialogKind kind, std::string_view suggestedName) override {
    return Installed().ChooseFile(kind, suggestedName);
  }
};

JournallingPort journallingPort;

}  // namespace

OperatorPort& Operator() { return journallingPort; }

OperatorPort& InstalledOperatorPort() { return Installed(); }

void SetOperatorPort(OperatorPort* port) {
  currentPort.store(port != nullptr ? port : &nullPort, std::memory_order_release);
}
