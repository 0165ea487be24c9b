// SPDX-License-Identifier: MIT
// The end of a desktop session, seen by the calculator window on Linux:
// SIGTERM, SIGHUP and SIGINT (log-out, shut-down, a closed terminal, kill,
// Ctrl+C) close the window as its close button does, so the close saves the
// settings; the session manager's request to save (X11) saves without
// closing, since the log-out may still be cancelled.
#pragma once

#include <QObject>
#include <csignal>
#include <iterator>

class QSocketNotifier;

namespace calc {

class TForm1;

class SessionEnd : public QObject {
  Q_OBJECT

 public:
  // Handles the signals until destroyed; one at a time. A signal the
  // program was started with ignored (nohup, a script's background job)
  // stays ignored.
  explicit SessionEnd(TForm1& form);
  ~SessionEnd() override;
  SessionEnd(const SessionEnd&) = delete;
  SessionEnd& operator=(const SessionEnd&) = delete;

 private:
  void SignalArrived();
  void Close();

  static constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

  TForm1& form_;
  int pipe_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
  // What each signal did before, to put back.
  struct sigaction previous_[std::size(kSignals)] = {};
  bool installed_[std::size(kSignals)] = {};
};

}  // namespace calc
