// SIGTERM (a shutdown, `kill`), SIGINT (Ctrl+C in the terminal) and SIGHUP
// (the terminal went away) reach the event loop as a Qt signal, so the
// window can save what it would save on close before the program ends.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace varnel::ui {

class TTerminationSignals : public QObject {
  Q_OBJECT

 public:
  // One instance at a time: it owns the process's handlers for the three
  // signals and gives them back to the default when destroyed.
  explicit TTerminationSignals(QObject* parent = nullptr);
  ~TTerminationSignals() override;
  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

 signals:
  // A handler resets itself when its signal comes, so the same signal again
  // ends a program that no longer gets through its loop at once.
  void received(int signal_number);

 private:
  void ReadPending();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace varnel::ui
