#include "ui/dialogs/message_box.h"

#include <QInputDialog>
#include <QMessageBox>

namespace varnel::ui {
namespace {

QMessageBox::Icon IconOf(TBoxKind kind) {
  switch (kind) {
    case TBoxKind::Information: return QMessageBox::Information;
    case TBoxKind::Warning: return QMessageBox::Warning;
    case TBoxKind::Error: return QMessageBox::Critical;
    case TBoxKind::Confirmation: break;
  }
  return QMessageBox::Question;
}

QString TitleOf(TBoxKind kind) {
  switch (kind) {
    case TBoxKind::Information: return QStringLiteral("Information");
    case TBoxKind::Warning: return QStringLiteral("Warning");
    case TBoxKind::Error: return QStringLiteral("Error");
    case TBoxKind::Confirmation: break;
  }
  return QStringLiteral("Confirm");
}

// A box that deletes itself once closed and blocks only its parent window.
QMessageBox* OpenBox(QWidget* parent, TBoxKind kind, const QString& text,
                     QMessageBox::StandardButtons buttons) {
  auto* box = new QMessageBox(IconOf(kind), TitleOf(kind), text, buttons, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  box->setTextFormat(Qt::PlainText);
  return box;
}

}  // namespace

QMessageBox* ShowMessageBox(QWidget* parent, TBoxKind kind, const QString& text,
                            std::function<void()> closed) {
  QMessageBox* box = OpenBox(parent, kind, text, QMessageBox::Ok);
  if (closed) QObject::connect(box, &QDialog::finished, box, [closed = std::move(closed)] { closed(); });
  box->open();
  return box;
}

QMessageBox* AskYesNo(QWidget* parent, TBoxKind kind, const QString& text,
                      std::function<void(bool yes)> answered) {
  QMessageBox* box = OpenBox(parent, kind, text, QMessageBox::Yes | QMessageBox::No);
  box->setDefaultButton(QMessageBox::Yes);
  box->setEscapeButton(QMessageBox::No);
  QObject::connect(box, &QDialog::finished, box, [box, answered = std::move(answered)] {
    answered(box->standardButton(box->clickedButton()) == QMessageBox::Yes);
  });
  box->open();
  return box;
}

QInputDialog* AskText(QWidget* parent, const QString& title, const QString& prompt,
                      const QString& text, std::function<void(const QString&)> entered) {
  auto* box = new QInputDialog(parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  box->setWindowTitle(title);
  box->setLabelText(prompt);
  box->setTextValue(text);
  QObject::connect(box, &QInputDialog::textValueSelected, box,
                   [entered = std::move(entered)](const QString& value) { entered(value); });
  box->open();
  return box;
}

}  // namespace varnel::ui
