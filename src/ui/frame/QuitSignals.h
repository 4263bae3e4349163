#pragma once
// SIGINT, SIGTERM and SIGHUP (Ctrl+C in the terminal, a kill, a session
// that ends) reach the window program as a quit: the handler only writes
// the signal's number into a socket pair, and the user-interface thread
// reads it there and calls `onSignal`, where stopping the axes is safe.

#include <QObject>
#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

class QuitSignals final : public QObject {
 public:
  explicit QuitSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
  // The handlers that were there before come back.
  ~QuitSignals() override;
  QuitSignals(const QuitSignals&) = delete;
  QuitSignals& operator=(const QuitSignals&) = delete;

  // False when the socket pair could not be made: the signals keep their
  // default action (the program ends at once).
  bool Watching() const { return notifier_ != nullptr; }

 private:
  void Read();

  std::function<void(int)> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction previous_[3]{};
};

// Stops every moving axis as a confirmed quit does, then quits with
// 128 + `signal`, the status a shell expects of a program a signal ended.
void QuitForSignal(int signal);
