// The FTP log, saving logs, the View toggles, and the window's message
// boxes.
#include <QAction>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QStatusBar>

#include <filesystem>

#include "ui/dialogs/message_box.h"
#include "ui/main/ftp_log.h"
#include "ui/main/ftp_receive_form.h"
#include "ui/main/log_file.h"

namespace varnel::ui {
namespace {

std::vector<std::string> ByteLines(const QStringList& lines) {
  std::vector<std::string> bytes;
  bytes.reserve(lines.size());
  for (const QString& line : lines) bytes.push_back(line.toStdString());
  return bytes;
}

}  // namespace

void TFtpReceiveForm::ConnectMenus() {
  connect(menu_.Exit1, &QAction::triggered, this, &TFtpReceiveForm::Exit1Click);
  connect(menu_.ClearFTPLog1, &QAction::triggered, this, &TFtpReceiveForm::ClearFTPLog1Click);
  connect(menu_.SaveFTPLog1, &QAction::triggered, this, &TFtpReceiveForm::SaveFTPLog1Click);
  connect(menu_.ShowFTPLog1, &QAction::triggered, this, &TFtpReceiveForm::ShowFTPLog1Click);
  connect(menu_.StatusBar1, &QAction::triggered, this, &TFtpReceiveForm::StatusBar1Click);
}

void TFtpReceiveForm::AddFtpLogLine(const QString& line) {
  varnel::ui::AddFtpLogLine(*DisplayMemo, line);
}

void TFtpReceiveForm::ClearFTPLog1Click() { DisplayMemo->clear(); }

void TFtpReceiveForm::SaveFTPLog1Click() { SaveLog("Save FTP Log", LogLines(*DisplayMemo)); }

// The lines are those of the moment the dialog was opened. A name the rule
// changed is not the one the dialog asked about, so replacing a file of
// that name is asked here.
void TFtpReceiveForm::SaveLog(const QString& title, const QStringList& lines) {
  SaveDialog1->setWindowTitle(title);
  disconnect(SaveDialog1, &QFileDialog::fileSelected, this, nullptr);
  connect(SaveDialog1, &QFileDialog::fileSelected, this, [this, lines](const QString& chosen) {
    const std::string name = LogFileName(chosen.toStdString());
    if (name == chosen.toStdString()) return WriteLog(name, lines);
    SaveDialog1->selectFile(QString::fromStdString(name));
    if (!std::filesystem::exists(name)) return WriteLog(name, lines);
    AskYesNo(this, TBoxKind::Confirmation,
             QString::fromStdString(name) + " already exists. Do you want to replace it?",
             [this, name, lines](bool yes) {
               if (yes) WriteLog(name, lines);
             });
  });
  SaveDialog1->open();
}

void TFtpReceiveForm::WriteLog(const std::string& name, const QStringList& lines) {
  std::string error;
  if (!WriteLogFile(name, ByteLines(lines), error)) {
    ShowBox(TReportKind::Error,
            QString::fromStdString("Unable to write to " + name + ": " + error));
  }
}

void TFtpReceiveForm::ShowFTPLog1Click() {
  DisplayMemo->setVisible(menu_.ShowFTPLog1->isChecked());
}

void TFtpReceiveForm::StatusBar1Click() { statusBar()->setVisible(menu_.StatusBar1->isChecked()); }

void TFtpReceiveForm::ShowBox(TReportKind kind, const QString& text) {
  ShowMessageBox(this, kind == TReportKind::Warning ? TBoxKind::Warning : TBoxKind::Error, text);
}

}  // namespace varnel::ui
