// The FTP log, ReportMessage, the Logs and View menus, and the window's
// message boxes.
#include <QAction>
#include <QDateTime>
#include <QFileDialog>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>

#include <filesystem>

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

void TFtpReceiveForm::ReportMessage(const QString& text, TReportKind kind) {
  if (!session_->Settings().SuppressError) ShowBox(kind, text);
}

void TFtpReceiveForm::ClearFTPLog1Click() { DisplayMemo->clear(); }

void TFtpReceiveForm::SaveFTPLog1Click() { SaveLog("Save FTP Log", LogLines(*DisplayMemo)); }

// The lines are those of the moment the dialog was opened. A name the rule
// changed was not the one the dialog asked about, so replacing a file of
// that name is asked here.
void TFtpReceiveForm::SaveLog(const QString& title, const QStringList& lines) {
  SaveDialog1->setWindowTitle(title);
  disconnect(SaveDialog1, &QFileDialog::fileSelected, this, nullptr);
  connect(SaveDialog1, &QFileDialog::fileSelected, this, [this, lines](const QString& chosen) {
    const std::string name = LogFileName(chosen.toStdString());
    const QString shown = QString::fromStdString(name);
    if (name != chosen.toStdString()) SaveDialog1->selectFile(shown);
    std::string error;
    if (!WriteLogFile(name, ByteLines(lines), error)) {
      ShowBox(TReportKind::Error,
              "Unable to write to " + shown + ": " + QString::fromStdString(error));
    }
  });
  SaveDialog1->open();
}

void TFtpReceiveForm::ShowFTPLog1Click() {
  DisplayMemo->setVisible(menu_.ShowFTPLog1->isChecked());
}

void TFtpReceiveForm::StatusBar1Click() { statusBar()->setVisible(menu_.StatusBar1->isChecked()); }

void TFtpReceiveForm::ShowBox(TReportKind kind, const QString& text) {
  const bool warning = kind == TReportKind::Warning;
  auto* box = new QMessageBox(warning ? QMessageBox::Warning : QMessageBox::Critical,
                              warning ? "Warning" : "Error", text, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace varnel::ui
