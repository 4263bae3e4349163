#include "ui/frame/QuitSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>

#include "motion/Engine.h"
#include "ui/common/QtOperatorPort.h"

namespace {

constexpr std::array<int, 3> kQuitSignals = {SIGINT, SIGTERM, SIGHUP};

// [0] is written by the handler, [1] read by the user-interface thread.
int signalFds[2] = {-1, -1};

void NoteSignal(int signal) {
  const int saved = errno;
  const char number = static_cast<char>(signal);
  // A full socket already holds a quit: dropping this one loses nothing.
  [[maybe_unused]] const ssize_t written = write(signalFds[0], &number, 1);
  errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalFds) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(signalFds[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitSignals::Read);
  struct sigaction action {};
  action.sa_handler = &NoteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kQuitSignals.size(); ++i) sigaction(kQuitSignals[i], &action, &previous_[i]);
}

QuitSignals::~QuitSignals() {
  if (notifier_ == nullptr) return;
  for (std::size_t i = 0; i < kQuitSignals.size(); ++i) sigaction(kQuitSignals[i], &previous_[i], nullptr);
  notifier_.reset();
  close(signalFds[0]);
  close(signalFds[1]);
  signalFds[0] = signalFds[1] = -1;
}

void QuitSignals::Read() {
  char number = 0;
  if (read(signalFds[1], &number, 1) != 1) return;
  // Signals that come while the axes are being stopped add nothing: the
  // stop already ends in S Stop for an axis that does not come to rest.
  notifier_->setEnabled(false);
  onSignal_(number);
}

void QuitForSignal(int signal) {
  StopMotionForQuit(&QtOperatorPort::PauseWhileStopping);
  QuitApplication(128 + signal);
}
