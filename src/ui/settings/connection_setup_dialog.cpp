#include "ui/settings/connection_setup_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialogs/message_box.h"

namespace varnel::ui {
namespace {

namespace text = connection_manager_text;

QString Shown(const std::string& bytes) { return QString::fromUtf8(bytes); }

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TConnectionSetup::TConnectionSetup(std::string profile_path, QWidget* parent)
    : QDialog(parent),
      model_(std::move(profile_path)),
      lstConnections(new QListWidget(this)),
      edtConnName(new QLineEdit(this)),
      edtAddress(new QLineEdit(this)),
      edtUserName(new QLineEdit(this)),
      edtPassword(new QLineEdit(this)) {
  setObjectName("TConnectionSetup");
  setWindowTitle(text::kCaption);

  lstConnections->setObjectName("lstConnections");
  connect(lstConnections, &QListWidget::currentRowChanged, this,
          &TConnectionSetup::lstConnectionsClick);
  auto* btnAddNew = Button(this, "btnAddNew", text::kAddNewButton);
  auto* btnDelete = Button(this, "btnDelete", text::kDeleteButton);
  auto* btnEdit = Button(this, "btnEdit", text::kEditButton);
  auto* btnOk = Button(this, "btnOk", text::kOkButton);
  btnOk->setDefault(true);
  connect(btnAddNew, &QPushButton::clicked, this, &TConnectionSetup::btnAddNewClick);
  connect(btnDelete, &QPushButton::clicked, this, &TConnectionSetup::btnDeleteClick);
  connect(btnEdit, &QPushButton::clicked, this, &TConnectionSetup::btnEditClick);
  connect(btnOk, &QPushButton::clicked, this, &TConnectionSetup::btnOkClick);

  auto* left = new QGridLayout;
  auto* list_label = new QLabel(text::kConnectionsLabel, this);
  list_label->setBuddy(lstConnections);
  left->addWidget(list_label, 0, 0, 1, 3);
  left->addWidget(lstConnections, 1, 0, 1, 3);
  left->addWidget(btnAddNew, 2, 0);
  left->addWidget(btnDelete, 2, 1);
  left->addWidget(btnEdit, 2, 2);

  // Only what was typed reaches the model, so a field the user left alone
  // keeps its bytes even when they are no valid UTF-8.
  auto* right = new QVBoxLayout;
  for (const TBoxBinding& binding : Boxes()) {
    binding.Box->setObjectName(binding.Name);
    auto* label = new QLabel(binding.Label, this);
    label->setBuddy(binding.Box);
    right->addWidget(label);
    right->addWidget(binding.Box);
    connect(binding.Box, &QLineEdit::textEdited, this,
            [this, field = binding.Field](const QString& typed) {
              model_.SetBoxText(field, typed.toUtf8().toStdString());
            });
  }
  right->addStretch(1);
  right->addWidget(btnOk, 0, Qt::AlignRight);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addSpacing(fontMetrics().averageCharWidth() * 2);
  layout->addLayout(right, 1);
  ShowModel();
}

// Each opening, not a restore from minimized: nothing selected, the boxes
// empty and disabled. The list does not take the focus, which would select
// its first entry.
void TConnectionSetup::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  model_.Show();
  ShowModel();
}

std::array<TConnectionSetup::TBoxBinding, 4> TConnectionSetup::Boxes() const {
  return {{{edtConnName, "edtConnName", text::kNameLabel, TProfileField::Name},
           {edtAddress, "edtAddress", text::kAddressLabel, TProfileField::Address},
           {edtUserName, "edtUserName", text::kUserNameLabel, TProfileField::UserName},
           {edtPassword, "edtPassword", text::kPasswordLabel, TProfileField::Password}}};
}

void TConnectionSetup::ShowModel() {
  const QSignalBlocker blocker(lstConnections);
  QStringList names;
  for (const std::string& name : model_.ListItems()) names << Shown(name);
  QStringList listed;
  for (int row = 0; row < lstConnections->count(); ++row) listed << lstConnections->item(row)->text();
  if (listed != names) {
    lstConnections->clear();
    lstConnections->addItems(names);
  }
  lstConnections->setCurrentRow(model_.SelectedIndex());

  for (const TBoxBinding& binding : Boxes()) {
    binding.Box->setText(Shown(model_.BoxText(binding.Field)));
    binding.Box->setEnabled(model_.EditMode());
  }
}

void TConnectionSetup::ShowNotices(TManagerNotices notices, std::function<void()> then) {
  if (notices.empty()) {
    if (then) then();
    return;
  }
  const TManagerNotice first = notices.front();
  notices.erase(notices.begin());
  const TBoxKind kind =
      first.NoticeKind == TManagerNotice::Kind::Error ? TBoxKind::Error : TBoxKind::Warning;
  ShowMessageBox(this, kind, Shown(first.Text),
                 [this, rest = std::move(notices), then = std::move(then)]() mutable {
                   ShowNotices(std::move(rest), std::move(then));
                 });
}

void TConnectionSetup::lstConnectionsClick(int row) {
  TManagerNotices notices = model_.Select(row);
  ShowModel();
  ShowNotices(std::move(notices));
}

void TConnectionSetup::btnAddNewClick() {
  TManagerNotices notices = model_.AddNew();
  ShowModel();
  ShowNotices(std::move(notices));
}

void TConnectionSetup::btnEditClick() {
  TManagerNotices notices = model_.Edit();
  ShowModel();
  if (model_.EditMode()) {
    edtConnName->setFocus();
    edtConnName->selectAll();
  }
  ShowNotices(std::move(notices));
}

// The question is asked in a box of its own; the profile goes only when
// the answer is Yes.
void TConnectionSetup::btnDeleteClick() {
  std::string question;
  TManagerNotices notices = model_.Delete([&question](const std::string& asked) {
    question = asked;
    return false;
  });
  if (question.empty()) {
    ShowNotices(std::move(notices));
    return;
  }
  AskYesNo(this, TBoxKind::Confirmation, Shown(question), [this](bool yes) {
    if (!yes) return;
    TManagerNotices deleted = model_.Delete([](const std::string&) { return true; });
    ShowModel();
    ShowNotices(std::move(deleted));
  });
}

void TConnectionSetup::btnOkClick() {
  ShowNotices(model_.Ok(), [this] { accept(); });
}

}  // namespace varnel::ui
