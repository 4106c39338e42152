// Every window of the program, created at start in this order and kept
// until exit: the main window, the connection manager, the path dialog, the
// message log, the preferences, the file association manager, the drive
// scan and the about box. The main window is shown once all exist.
#pragma once

#include <QStringList>

#include <memory>
#include <string>

#include "runtime/program_files.h"
#include "ui/assoc/file_associations.h"
#include "ui/main/ftp_receive_form.h"
#include "ui/main/termination_signals.h"

namespace varnel::ui {

class TProgramWindows {
 public:
  // `executable_path` locates the program folder (runtime/program_files.h).
  explicit TProgramWindows(const std::string& executable_path);
  ~TProgramWindows();
  TProgramWindows(const TProgramWindows&) = delete;
  TProgramWindows& operator=(const TProgramWindows&) = delete;

  TFtpReceiveForm& FtpReceiveForm() { return *form_; }

  // Shows the main window, then reports what went wrong while starting.
  void Show();

  // From now on SIGTERM, SIGINT and SIGHUP end the program as the main
  // window's EndOnSignal says.
  void EndOnTerminationSignals();

 private:
  void CreateSecondaryWindows();

  runtime::ProgramFilePaths paths_;
  QStringList start_errors_;
  FileAssociations associations_;
  // The other windows are the main window's children and go with it.
  std::unique_ptr<TFtpReceiveForm> form_;
  std::unique_ptr<TTerminationSignals> signals_;
};

}  // namespace varnel::ui
