// The settings file as the main window uses it: loaded on the first show,
// saved on every close, with the window's placement.
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

#include "runtime/ini_file.h"
#include "ui/assoc/file_associations.h"
#include "ui/main/ftp_receive_form.h"
#include "ui/settings/connection_manager_model.h"

namespace varnel::ui {
namespace {

// The designed size is for a font whose line is this high; the window
// opens larger with a larger font, but never larger than the screen.
constexpr int kDesignedLineHeight = 13;

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
  const QRect area = ScreenArea();
  const int line = fontMetrics().height();
  TWindowSize designed{kDesignedWidth * line / kDesignedLineHeight,
                       kDesignedHeight * line / kDesignedLineHeight};
  designed.Width = std::min(designed.Width, area.width());
  designed.Height = std::min(designed.Height, area.height());
  return {runtime::DefaultLocalDir(), {area.width(), area.height()}, designed};
}

void TFtpReceiveForm::LoadSettings() {
  std::string read_error;
  const TStoredSettings stored =
      LoadSettingsFile(paths_.settings, SettingsEnvironment(), &read_error);
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
      FindNameIgnoringCase(connections_.ListItems(), stored.LastConnection));
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

bool TFtpReceiveForm::SaveSettings() {
  const int selected = bar_.cmbConnections->currentIndex();
  TStoredSettings values;
  values.Settings = session_->Settings();
  values.Limit50k = associations_.Limit50k();
  values.LastLocalDir = local_.DirBox->text().toStdString();
  values.LastConnection = selected < 0
                              ? std::string()
                              : bar_.cmbConnections->itemData(selected).toByteArray().toStdString();
  values.Window = WindowBounds();
  try {
    SaveSettingsFile(paths_.settings, values);
  } catch (const runtime::EIniFileException& e) {
    ShowBox(TReportKind::Error, QString::fromStdString(std::string(e.what()) + ": " + e.Reason()));
    return false;
  }
  return true;
}

}  // namespace varnel::ui
