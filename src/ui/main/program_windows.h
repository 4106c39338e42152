// Every window of the program, created at start in a fixed order and kept
// until exit: the main window first, then the windows it opens. The models
// they share (profiles, associations) are loaded here once.
#pragma once

#include <QStringList>

#include <memory>
#include <string>

#include "runtime/program_files.h"
#include "ui/assoc/file_associations.h"
#include "ui/main/ftp_receive_form.h"
#include "ui/settings/connection_manager_model.h"

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

 private:
  runtime::ProgramFilePaths paths_;
  QStringList start_errors_;
  TConnectionManagerModel connections_;
  FileAssociations associations_;
  std::unique_ptr<TFtpReceiveForm> form_;
};

}  // namespace varnel::ui
