// The message log window: an always-on-top tool window that collects the
// main window's time-stamped problem reports for the whole run. Hiding it
// keeps its lines; only Clear removes them.
#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

namespace varnel::ui {

class TErrorForm : public QWidget {
  Q_OBJECT

 public:
  // A tool window of `parent` (the main window), hidden until shown.
  explicit TErrorForm(QWidget* parent = nullptr);

  // Adds `line` below the others and scrolls to it; a CR LF or CR inside
  // it starts a new line.
  void AppendLine(const QString& line);
  void Clear();
  // Every line in order; none for an empty log.
  QStringList Lines() const;

 signals:
  // The window was shown or hidden (by "Ok", the close box or the caller),
  // so a menu's check mark can follow it.
  void VisibilityChanged(bool visible);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void btnOkClick();

  QPlainTextEdit* Memo1;
};

}  // namespace varnel::ui
