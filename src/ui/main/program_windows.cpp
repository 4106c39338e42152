#include "ui/main/program_windows.h"

#include "ui/settings/profile_file.h"

namespace varnel::ui {
namespace {

runtime::ProgramFilePaths LocateFiles(const std::string& executable_path, QStringList& errors) {
  std::string error;
  runtime::ProgramFilePaths paths = runtime::LocateProgramFiles(executable_path, &error);
  if (!error.empty())
    errors << QString::fromStdString("Unable to create the program folder " + error);
  return paths;
}

}  // namespace

TProgramWindows::TProgramWindows(const std::string& executable_path)
    : paths_(LocateFiles(executable_path, start_errors_)),
      connections_(paths_.profiles),
      associations_(paths_.associations) {
  try {
    connections_.Load();
  } catch (const EProfileFileError& e) {
    start_errors_ << QString::fromStdString(paths_.profiles + ": " + e.what());
  }
  if (const std::string error = associations_.Load(); !error.empty()) {
    start_errors_ << QString::fromStdString(error);
  }
  form_ = std::make_unique<TFtpReceiveForm>(paths_, connections_, associations_);
}

TProgramWindows::~TProgramWindows() = default;

void TProgramWindows::Show() {
  form_->show();
  for (const QString& error : start_errors_) form_->ReportMessage(error, TReportKind::Error);
}

}  // namespace varnel::ui
