// The settings file as the main window uses it: loaded on the first show,
// saved on every close and when a signal ends the program, with the
// window's placement.
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

#include <cstdio>

#include "runtime/ini_file.h"
#include "ui/assoc/file_associations.h"
#include "ui/dialogs/designed_size.h"
#include "ui/dialogs/message_box.h"
#include "ui/main/ftp_receive_form.h"
#include "ui/settings/connection_setup_dialog.h"

namespace varnel::ui {
namespace {

constexpr const char* kCloseUnsavedQuestion = "Close the window without saving the settings?";

QRect ScreenArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, kDesignedWidth, kDesignedHeight);
}

bool OnAnyScreen(const QRect& frame) {
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(frame)) return true;
  }
  return false;
}

}  // namespace

TSettingsEnvironment TFtpReceiveForm::SettingsEnvironment() const {
  // Larger with a larger font, but never larger than the screen.
  const QRect area = ScreenArea();
  const QSize designed =
      ScaledToFont(*this, QSize(kDesignedWidth, kDesignedHeight)).boundedTo(area.size());
  return {runtime::DefaultLocalDir(),
          {area.width(), area.height()},
          {designed.width(), designed.height()}};
}

void TFtpReceiveForm::LoadSettings() {
  std::string read_error;
  const TStoredSettings stored =
      LoadSettingsFile(paths_.settings, SettingsEnvironment(), &read_error, &settings_keeper_);
  if (!read_error.empty()) {
    ReportMessage(QString::fromStdString("Unable to read " + paths_.settings + ": " + read_error),
                  TReportKind::Error);
  }
  session_->SetSettings(stored.Settings);
  associations_.SetLimit50k(stored.Limit50k);
  local_.DirBox->setText(QString::fromStdString(stored.LastLocalDir));
  session_->SetCurDir({});
  ShowCurDir();
  bar_.cmbConnections->setCurrentIndex(
      FindNameIgnoringCase(windows_.ConnectionSetup->Model().ListItems(), stored.LastConnection));
  cmbConnectionsClick();
  PlaceWindow(stored.Window);
}

// A window placed where no screen is any more (a monitor removed) comes
// back centred.
void TFtpReceiveForm::PlaceWindow(const TWindowBounds& bounds) {
  resize(bounds.Width, bounds.Height);
  move(bounds.Left, bounds.Top);
  if (OnAnyScreen(frameGeometry())) return;
  const QRect area = ScreenArea();
  move(area.left() + CentredOffset(area.width(), width()),
       area.top() + CentredOffset(area.height(), height()));
}

// The bounds of the window as it is, or, while it is maximised, as it will
// be when restored.
TWindowBounds TFtpReceiveForm::WindowBounds() const {
  const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
  const QPoint frame_offset = geometry().topLeft() - pos();
  const QPoint origin = isMaximized() || isFullScreen() ? normal.topLeft() - frame_offset : pos();
  return {origin.y(), origin.x(), normal.width(), normal.height()};
}

TStoredSettings TFtpReceiveForm::StoredValues() const {
  const int selected = bar_.cmbConnections->currentIndex();
  TStoredSettings values;
  values.Settings = session_->Settings();
  values.Limit50k = associations_.Limit50k();
  values.LastLocalDir = local_.DirBox->text().toStdString();
  values.LastConnection = selected < 0
                              ? std::string()
                              : bar_.cmbConnections->itemData(selected).toByteArray().toStdString();
  values.Window = WindowBounds();
  return values;
}

bool TFtpReceiveForm::SaveSettings() {
  std::string kept;
  try {
    SaveSettingsFile(paths_.settings, StoredValues(), settings_keeper_, kept);
  } catch (const runtime::EIniFileException& e) {
    const std::string failure = kept.empty() ? e.what() : kept + "\n\n" + e.what();
    AskCloseUnsaved(QString::fromStdString(failure), QString::fromStdString(e.Reason()));
    return false;
  }
  if (kept.empty()) return true;
  // The window stays open this once so that the report is seen; the next
  // close just saves.
  ReportMessage(QString::fromStdString(kept), TReportKind::Error);
  return false;
}

// Nobody may be there to answer a box, so what goes wrong goes to standard
// error, where a session manager or a terminal keeps it.
void TFtpReceiveForm::EndOnSignal() {
  keep_cache_ = true;
  std::string kept;
  try {
    SaveSettingsFile(paths_.settings, StoredValues(), settings_keeper_, kept);
  } catch (const runtime::EIniFileException& e) {
    std::fprintf(stderr, "varnel-client: %s (%s)\n", e.what(), e.Reason().c_str());
  }
  if (!kept.empty()) std::fprintf(stderr, "varnel-client: %s\n", kept.c_str());
  QCoreApplication::quit();
}

// The window stays open so that nothing is lost unseen, but a folder that
// cannot be written never keeps the user from closing it.
void TFtpReceiveForm::AskCloseUnsaved(const QString& failure, const QString& reason) {
  AskYesNo(this, TBoxKind::Error, failure + " (" + reason + ")\n\n" + kCloseUnsavedQuestion,
           [this](bool yes) {
             if (!yes) return;
             close_unsaved_ = true;
             close();
           });
}

}  // namespace varnel::ui
