// SPDX-License-Identifier: MIT
#include "sessionend.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

#include "Unit1.h"

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace calc {
namespace {

// The pipe's write end: all a handler touches.
std::atomic<int> signal_pipe{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnSignal(int number) {
  const int saved_errno = errno;
  const char byte = static_cast<char>(number);
  // A full pipe already holds a request to close.
  if (write(signal_pipe.load(std::memory_order_relaxed), &byte, 1) < 0) {
  }
  errno = saved_errno;
}

}  // namespace

SessionEnd::SessionEnd(TForm1& form) : form_(form) {
  Q_ASSERT(signal_pipe.load() == -1);
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    qWarning("No pipe for the signals: they end the program without saving.");
    return;
  }
  signal_pipe.store(pipe_[1]);
  notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &SessionEnd::SignalArrived);

  struct sigaction action {};
  action.sa_handler = OnSignal;
  // The save's file calls go on where a signal interrupted them.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    if (sigaction(kSignals[i], nullptr, &previous_[i]) != 0 || previous_[i].sa_handler == SIG_IGN) continue;
    installed_[i] = sigaction(kSignals[i], &action, nullptr) == 0;
  }

#if QT_CONFIG(sessionmanager)
  connect(qApp, &QGuiApplication::commitDataRequest, this,
          [this](QSessionManager&) { form_.savedata(form_.SettingsFileName()); });
#endif
}

SessionEnd::~SessionEnd() {
  delete notifier_;  // before its descriptor closes
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    if (installed_[i]) sigaction(kSignals[i], &previous_[i], nullptr);
  }
  signal_pipe.store(-1);
  for (const int fd : pipe_) {
    if (fd >= 0) close(fd);
  }
}

void SessionEnd::SignalArrived() {
  char bytes[64];
  while (read(pipe_[0], bytes, sizeof bytes) > 0) {
  }
  Close();
}

void SessionEnd::Close() {
  // A box's own event loop would wait for a click no one is there to make:
  // each box goes, and the handler or close that showed it goes on.
  QWidget* previous = nullptr;
  while (QWidget* box = QApplication::activeModalWidget()) {
    if (box == previous) break;
    previous = box;
    if (auto* dialog = qobject_cast<QDialog*>(box)) {
      dialog->reject();
    } else {
      box->close();
    }
  }
  // After the boxes' loops have returned: the ordinary close, which saves
  // once, however many signals come.
  QMetaObject::invokeMethod(&form_, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace calc
