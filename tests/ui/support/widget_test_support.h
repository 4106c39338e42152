// What the window tests share: answering the message and input boxes of
// ui/dialogs/message_box.h and saving screenshots of what they drove.
#pragma once

#include <QMessageBox>
#include <QPalette>
#include <QString>

class QInputDialog;
class QWidget;

namespace varnel::testing {

// The message box open on `window` or one of its dialogs; null when none.
QMessageBox* OpenMessageBox(const QWidget& window);
// Clicks `button` in the open message box; false when no box is open.
bool AnswerMessageBox(const QWidget& window, QMessageBox::StandardButton button);
// The open input box; null when none.
QInputDialog* OpenInputBox(const QWidget& window);

// A dark desktop theme's palette, for screenshots that show the window
// stays readable on it.
QPalette DarkPalette();

// While it lives, the whole application shows a dark desktop theme (the
// Fusion style with DarkPalette); then again the style and palette it
// found, also when a failed check ends the test early.
class DarkTheme {
 public:
  DarkTheme();
  ~DarkTheme();
  DarkTheme(const DarkTheme&) = delete;
  DarkTheme& operator=(const DarkTheme&) = delete;

 private:
  QPalette palette_;
  QString style_;
};

// Renders `widget` with grab() into <build>/screenshots/<name>.png; false
// when it cannot be rendered or saved.
bool SaveScreenshot(QWidget& widget, const QString& name);

}  // namespace varnel::testing
