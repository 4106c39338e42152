#include "ui/settings/app_settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace varnel::ui {
namespace {

constexpr const char* kConnectionButtonNames[kConnectionButtons] = {
    "chkDirect", "chkProxy", "chkSocks4", "chkSocks4A", "chkSocks5"};
constexpr const char* kConnectionButtonTexts[kConnectionButtons] = {
    "Direct (No Proxy)", "Proxy Server", "Socks 4", "Socks 4A", "Socks 5"};

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* text) {
  return Named(new QCheckBox(text, parent), name);
}

QLineEdit* Box(QWidget* parent, const char* name) { return Named(new QLineEdit(parent), name); }

// A page of labelled boxes.
QWidget* Page(const char* name, std::initializer_list<std::pair<const char*, QLineEdit*>> rows) {
  auto* page = Named(new QWidget, name);
  auto* layout = new QFormLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  for (const auto& [label, box] : rows) layout->addRow(label, box);
  return page;
}

}  // namespace

TAppSettings::TAppSettings(QWidget* parent)
    : QDialog(parent),
      chkAutoConnect(CheckBox(this, "chkAutoConnect", "Attempt Auto-Connect At Startup")),
      chkMsgSuppress(CheckBox(this, "chkMsgSuppress", "Suppress Error Messages")),
      chkClearCache(CheckBox(this, "chkClearCache", "Clear Items From Cache")),
      rgpPortStandard(Named(new QRadioButton("Standard Port", this), "rgpPortStandard")),
      rgpPortSpecific(Named(new QRadioButton("Specific Port", this), "rgpPortSpecific")),
      edtPort(Box(this, "edtPort")),
      connection_group_(new QButtonGroup(this)),
      nbkConnection(Named(new QStackedWidget(this), "nbkConnection")),
      edtProxyAddr(Box(this, "edtProxyAddr")),
      edtProxyPort(Box(this, "edtProxyPort")),
      edtSocksServer(Box(this, "edtSocksServer")),
      edtSocksPort(Box(this, "edtSocksPort")),
      edtSocksUser(Box(this, "edtSocksUser")),
      edtSocksPassword(Box(this, "edtSocksPassword")) {
  setObjectName("TAppSettings");
  setWindowTitle(app_settings_text::kCaption);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* btnOk = Named(buttons->addButton("Ok", QDialogButtonBox::AcceptRole), "btnOk");
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(chkAutoConnect);
  layout->addWidget(chkMsgSuppress);
  layout->addWidget(chkClearCache);
  layout->addWidget(PortGroup());
  layout->addWidget(ConnectionGroup(), 1);
  layout->addWidget(buttons);

  edtPort->setText("21");
  rgpPortStandard->setChecked(true);
  connection_group_->button(0)->setChecked(true);
  rgpPortClick();
}

QWidget* TAppSettings::PortGroup() {
  auto* group = Named(new QGroupBox("Port", this), "rgpPort");
  auto* layout = new QHBoxLayout(group);
  layout->addWidget(rgpPortStandard);
  layout->addWidget(rgpPortSpecific);
  layout->addWidget(edtPort, 1);
  connect(rgpPortSpecific, &QRadioButton::toggled, this, &TAppSettings::rgpPortClick);
  return group;
}

QWidget* TAppSettings::ConnectionGroup() {
  auto* group = Named(new QGroupBox("Connection Details", this), "grpConnection");
  auto* radios = new QVBoxLayout;
  for (int button = 0; button < kConnectionButtons; ++button) {
    auto* radio = Named(new QRadioButton(kConnectionButtonTexts[button], group),
                        kConnectionButtonNames[button]);
    connection_group_->addButton(radio, button);
    radios->addWidget(radio);
  }
  radios->addStretch(1);
  connect(connection_group_, &QButtonGroup::idClicked, this, &TAppSettings::ConnectionClick);

  nbkConnection->addWidget(Named(new QWidget, "Blank"));
  nbkConnection->addWidget(
      Page("Proxy", {{"Proxy Server Address", edtProxyAddr}, {"Proxy Port", edtProxyPort}}));
  nbkConnection->addWidget(Page("Socks", {{"Socks Server", edtSocksServer},
                                          {"Socks Port", edtSocksPort},
                                          {"Socks User Code", edtSocksUser},
                                          {"Socks Password", edtSocksPassword}}));
  for (QLineEdit* box :
       {edtProxyAddr, edtProxyPort, edtSocksServer, edtSocksPort, edtSocksUser, edtSocksPassword}) {
    connect(box, &QLineEdit::textEdited, this, [this] { settings_changed_ = true; });
  }

  auto* layout = new QHBoxLayout(group);
  layout->addLayout(radios);
  layout->addWidget(nbkConnection, 1);
  return group;
}

std::array<TAppSettings::TTextBinding, 7> TAppSettings::TextBoxes() const {
  return {{{edtPort, &TAppSettingsForm::PortText},
           {edtProxyAddr, &TAppSettingsForm::ProxyAddr},
           {edtProxyPort, &TAppSettingsForm::ProxyPort},
           {edtSocksServer, &TAppSettingsForm::SocksServer},
           {edtSocksPort, &TAppSettingsForm::SocksPort},
           {edtSocksUser, &TAppSettingsForm::SocksUser},
           {edtSocksPassword, &TAppSettingsForm::SocksPassword}}};
}

TAppSettingsForm TAppSettings::ReadControls() const {
  TAppSettingsForm form;
  form.AutoConnect = chkAutoConnect->isChecked();
  form.MsgSuppress = chkMsgSuppress->isChecked();
  form.ClearCache = chkClearCache->isChecked();
  form.SpecificPort = rgpPortSpecific->isChecked();
  form.ConnectionButton = connection_group_->checkedId();
  for (const TTextBinding& binding : TextBoxes()) {
    const std::string& loaded = loaded_.*binding.Field;
    const QString text = binding.Box->text();
    form.*binding.Field = text == QString::fromUtf8(loaded) ? loaded : text.toUtf8().toStdString();
  }
  return form;
}

void TAppSettings::WriteControls(const TAppSettingsForm& form) {
  chkAutoConnect->setChecked(form.AutoConnect);
  chkMsgSuppress->setChecked(form.MsgSuppress);
  chkClearCache->setChecked(form.ClearCache);
  (form.SpecificPort ? rgpPortSpecific : rgpPortStandard)->setChecked(true);
  // No button at all is possible only with the group's exclusion lifted.
  connection_group_->setExclusive(false);
  for (QAbstractButton* button : connection_group_->buttons()) {
    button->setChecked(connection_group_->id(button) == form.ConnectionButton);
  }
  connection_group_->setExclusive(true);
  for (const TTextBinding& binding : TextBoxes()) {
    binding.Box->setText(QString::fromUtf8(form.*binding.Field));
  }
  rgpPortClick();
}

void TAppSettings::LoadSettings(const TClientSettings& settings) {
  TAppSettingsForm form = ReadControls();
  FillPreferences(form, settings);
  WriteControls(form);
  loaded_ = form;
  old_port_ = settings.Port;
}

void TAppSettings::StoreSettings(TClientSettings& settings) const {
  CopyPreferences(ReadControls(), settings);
}

bool TAppSettings::ConnectionSettingsChanged() const {
  return ConnectionNeedsClosing(old_port_, FormPort(ReadControls()), settings_changed_);
}

void TAppSettings::reject() { accept(); }

// Each opening, not a restore from minimized, starts without changes.
void TAppSettings::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  nbkConnection->setCurrentIndex(ConnectionPage(connection_group_->checkedId()));
  settings_changed_ = false;
}

void TAppSettings::rgpPortClick() { edtPort->setEnabled(rgpPortSpecific->isChecked()); }

void TAppSettings::ConnectionClick(int button) {
  nbkConnection->setCurrentIndex(ConnectionPage(button));
  settings_changed_ = true;
}

}  // namespace varnel::ui
