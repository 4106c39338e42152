#include "ui/dialogs/error_form.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextCursor>
#include <QVBoxLayout>

#include "ui/dialogs/designed_size.h"

namespace varnel::ui {

TErrorForm::TErrorForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), Memo1(new QPlainTextEdit(this)) {
  setObjectName("TErrorForm");
  setWindowTitle("Message Log");

  // A log is read, selected and copied, never typed into.
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

  auto* bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* btnOk = buttons->addButton("Ok", QDialogButtonBox::AcceptRole);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &TErrorForm::btnOkClick);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1, 1);
  layout->addWidget(bevel);
  layout->addWidget(buttons);
  resize(ScaledToFont(*this, {281, 260}));
}

void TErrorForm::AppendLine(const QString& line) {
  // A report may carry its own CR LF (socket errors do): each part becomes
  // a line of its own, so saving the log never doubles a CR.
  QString text = line;
  text.replace("\r\n", "\n").replace('\r', '\n');
  Memo1->appendPlainText(text);
  // The caret at the new line's start keeps that start in view, not the
  // end of a long line.
  QTextCursor caret = Memo1->textCursor();
  caret.movePosition(QTextCursor::End);
  caret.movePosition(QTextCursor::StartOfBlock);
  Memo1->setTextCursor(caret);
}

void TErrorForm::Clear() { Memo1->clear(); }

QStringList TErrorForm::Lines() const {
  if (Memo1->document()->isEmpty()) return {};
  return Memo1->toPlainText().split('\n');
}

void TErrorForm::btnOkClick() { hide(); }

// Minimizing and restoring (spontaneous events) do not change visibility.
void TErrorForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) emit VisibilityChanged(true);
}

void TErrorForm::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) emit VisibilityChanged(false);
}

}  // namespace varnel::ui
