#include "ui/main/program_windows.h"

#include "ui/assoc/drive_scan_dialog.h"
#include "ui/assoc/file_assoc_dialog.h"
#include "ui/dialogs/about_form.h"
#include "ui/dialogs/error_form.h"
#include "ui/dialogs/path_dialog.h"
#include "ui/settings/app_settings_dialog.h"
#include "ui/settings/connection_setup_dialog.h"
#include "ui/settings/profile_file.h"

namespace varnel::ui {
namespace {

runtime::ProgramFilePaths LocateFiles(const std::string& executable_path, QStringList& errors) {
  std::string error;
  runtime::ProgramFilePaths paths = runtime::LocateProgramFiles(executable_path, &error);
  if (!error.empty()) {
    errors << QString::fromStdString("Unable to create the program folder " + error);
  }
  return paths;
}

}  // namespace

TProgramWindows::TProgramWindows(const std::string& executable_path)
    : paths_(LocateFiles(executable_path, start_errors_)), associations_(paths_.associations) {
  form_ = std::make_unique<TFtpReceiveForm>(paths_, associations_);
  CreateSecondaryWindows();
  if (const std::string error = associations_.Load(); !error.empty()) {
    start_errors_ << QString::fromStdString(error);
  }
}

TProgramWindows::~TProgramWindows() = default;

void TProgramWindows::CreateSecondaryWindows() {
  TFtpReceiveForm* parent = form_.get();
  TSecondaryWindows windows;
  windows.ConnectionSetup = new TConnectionSetup(paths_.profiles, parent);
  try {
    windows.ConnectionSetup->Load();
  } catch (const EProfileFileError& e) {
    start_errors_ << QString::fromStdString(paths_.profiles + ": " + e.what());
  }
  windows.frmPath = new TfrmPath(parent);
  windows.ErrorForm = new TErrorForm(parent);
  windows.AppSettings = new TAppSettings(parent);
  windows.FileAssoc = new TFileAssoc(associations_, parent);
  // Opened over the manager, so that it blocks the manager too.
  windows.FileAssoc->SetScanDrive(new TScanDrive(windows.FileAssoc));
  windows.AboutForm = new TAboutForm(parent);
  form_->SetWindows(windows);
}

void TProgramWindows::Show() {
  form_->show();
  for (const QString& error : start_errors_) form_->ReportMessage(error, TReportKind::Error);
}

void TProgramWindows::EndOnTerminationSignals() {
  signals_ = std::make_unique<TTerminationSignals>();
  QObject::connect(signals_.get(), &TTerminationSignals::received, form_.get(),
                   &TFtpReceiveForm::EndOnSignal);
}

}  // namespace varnel::ui
