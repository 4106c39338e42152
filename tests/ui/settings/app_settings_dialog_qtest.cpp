// The Preferences dialog: the settings shown and copied back, the pages and
// the port box following the buttons, and step 7's question decided from
// what the user did.
#include "ui/settings/app_settings_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include <optional>

#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"

Q_DECLARE_METATYPE(varnel::ui::TClientSettings)

namespace varnel::ui {
namespace {

TClientSettings Socks5() {
  TClientSettings settings;
  settings.Connection = 4;
  settings.SocksServer = "socks.example";
  settings.SocksPort = "1080";
  settings.SocksUser = "me";
  settings.SocksPassword = "p\xE4ss";  // Latin-1, no valid UTF-8
  return settings;
}

// Every field `Store` copies set to something else; Connection kept.
TClientSettings Scrambled(const TClientSettings& settings) {
  TClientSettings other = settings;
  for (std::string* text : {&other.ProxyAddr, &other.ProxyPort, &other.SocksServer, &other.SocksPort,
                            &other.SocksUser, &other.SocksPassword, &other.Port}) {
    *text += "-scrambled";
  }
  other.ActiveStart = !other.ActiveStart;
  other.SuppressError = !other.SuppressError;
  other.ClearCache = !other.ClearCache;
  return other;
}

TClientSettings WithPort(const char* port) {
  TClientSettings settings;
  settings.Port = port;
  return settings;
}

TClientSettings WithConnection(int connection) {
  TClientSettings settings;
  settings.Connection = connection;
  return settings;
}

}  // namespace

class AppSettingsTest : public QObject {
  Q_OBJECT

 private:
  template <typename Widget = QWidget>
  static Widget* Find(TAppSettings& dialog, const char* name) {
    return dialog.findChild<Widget*>(name);
  }
  static QString Page(TAppSettings& dialog) {
    return Find<QStackedWidget>(dialog, "nbkConnection")->currentWidget()->objectName();
  }
  static void Type(TAppSettings& dialog, const char* box, const QString& text) {
    Find<QLineEdit>(dialog, box)->selectAll();
    QTest::keyClicks(Find<QLineEdit>(dialog, box), text);
  }
  // Runs what a user does in the dialog: "specific", "standard", "cache",
  // "button:N" or "type:BOX:TEXT".
  static void Act(TAppSettings& dialog, const QString& action) {
    const QStringList parts = action.split(':');
    if (action == "specific") QTest::mouseClick(Find(dialog, "rgpPortSpecific"), Qt::LeftButton);
    if (action == "standard") QTest::mouseClick(Find(dialog, "rgpPortStandard"), Qt::LeftButton);
    if (action == "cache") QTest::mouseClick(Find(dialog, "chkClearCache"), Qt::LeftButton);
    if (parts[0] == "button") {
      const char* names[] = {"chkDirect", "chkProxy", "chkSocks4", "chkSocks4A", "chkSocks5"};
      QTest::mouseClick(Find(dialog, names[parts[1].toInt()]), Qt::LeftButton);
    }
    if (parts[0] == "type") Type(dialog, parts[1].toLatin1().constData(), parts[2]);
  }

 private slots:
  void StoreGivesBackWhatWasLoaded_data() {
    QTest::addColumn<TClientSettings>("loaded");
    QTest::addColumn<TClientSettings>("stored");
    TClientSettings checks;
    checks.ActiveStart = true;
    checks.SuppressError = true;
    checks.ClearCache = false;
    TClientSettings proxy = WithPort("2121");
    proxy.Connection = 1;
    proxy.ProxyAddr = "proxy.example";
    proxy.ProxyPort = "8021";
    QTest::newRow("defaults") << TClientSettings{} << TClientSettings{};
    QTest::newRow("check boxes") << checks << checks;
    QTest::newRow("proxy on port 2121") << proxy << proxy;
    QTest::newRow("SOCKS 5, password bytes kept") << Socks5() << Socks5();
    QTest::newRow("empty specific port") << WithPort("") << WithPort("");
    QTest::newRow("FTP is the standard port") << WithPort("FTP") << WithPort("ftp");
    QTest::newRow("connection 7 stays") << WithConnection(7) << WithConnection(7);
    QTest::newRow("connection -1 stays") << WithConnection(-1) << WithConnection(-1);
  }
  void StoreGivesBackWhatWasLoaded() {
    QFETCH(TClientSettings, loaded);
    QFETCH(TClientSettings, stored);
    TAppSettings dialog;
    dialog.LoadSettings(loaded);
    dialog.open();
    dialog.close();
    TClientSettings result = Scrambled(loaded);
    dialog.StoreSettings(result);
    QVERIFY(result == stored);
  }

  void TheControlsShowTheSettings() {
    TAppSettings dialog;
    QCOMPARE(dialog.windowTitle(), QString("Preferences"));
    QCOMPARE(Find<QLineEdit>(dialog, "edtPort")->text(), QString("21"));
    dialog.LoadSettings(WithPort("2121"));
    dialog.open();
    QVERIFY(Find<QRadioButton>(dialog, "rgpPortSpecific")->isChecked());
    QVERIFY(Find<QLineEdit>(dialog, "edtPort")->isEnabled());
    QCOMPARE(Find<QLineEdit>(dialog, "edtPort")->text(), QString("2121"));
    dialog.accept();

    // The standard port leaves the box as it was, disabled.
    dialog.LoadSettings(WithConnection(7));
    dialog.open();
    QVERIFY(Find<QRadioButton>(dialog, "rgpPortStandard")->isChecked());
    QVERIFY(!Find<QLineEdit>(dialog, "edtPort")->isEnabled());
    QCOMPARE(Find<QLineEdit>(dialog, "edtPort")->text(), QString("2121"));
    for (const char* name : {"chkDirect", "chkProxy", "chkSocks4", "chkSocks4A", "chkSocks5"}) {
      QVERIFY(!Find<QRadioButton>(dialog, name)->isChecked());
    }
    QCOMPARE(Page(dialog), QString("Blank"));
  }

  void PagesFollowTheConnectionButtons_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("page");
    QTest::newRow("Direct") << 0 << "Blank";
    QTest::newRow("Proxy") << 1 << "Proxy";
    QTest::newRow("Socks 4") << 2 << "Socks";
    QTest::newRow("Socks 4A") << 3 << "Socks";
    QTest::newRow("Socks 5") << 4 << "Socks";
  }
  void PagesFollowTheConnectionButtons() {
    QFETCH(int, button);
    QFETCH(QString, page);
    TAppSettings dialog;
    dialog.LoadSettings(WithConnection(button == 1 ? 2 : 1));
    dialog.open();
    Act(dialog, QString("button:%1").arg(button));
    QCOMPARE(Page(dialog), page);
    dialog.accept();
    // An opening shows the page of the stored type.
    dialog.LoadSettings(WithConnection(button));
    dialog.open();
    QCOMPARE(Page(dialog), page);
  }

  void Step7AsksOnlyForConnectionChanges_data() {
    QTest::addColumn<TClientSettings>("loaded");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("close_box");
    QTest::addColumn<bool>("ask");
    QTest::addColumn<QString>("port");
    QTest::newRow("standard port kept") << WithPort("ftp") << "" << false << false << "ftp";
    QTest::newRow("2121 kept") << WithPort("2121") << "" << true << false << "2121";
    QTest::newRow("standard to specific 21") << WithPort("ftp") << "specific" << false << true << "21";
    QTest::newRow("specific to standard") << WithPort("2121") << "standard" << true << true << "ftp";
    QTest::newRow("port typed") << WithPort("2121") << "type:edtPort:2122" << false << true << "2122";
    QTest::newRow("only Clear Cache") << WithPort("ftp") << "cache" << true << false << "ftp";
    QTest::newRow("selected button clicked again") << WithPort("ftp") << "button:0" << false
                                                   << true << "ftp";
    QTest::newRow("other button") << WithPort("ftp") << "button:3" << true << true << "ftp";
    QTest::newRow("proxy address typed") << WithPort("ftp") << "type:edtProxyAddr:p.example"
                                         << false << true << "ftp";
    QTest::newRow("SOCKS password on a hidden page") << WithPort("ftp")
                                                     << "type:edtSocksPassword:x" << true << true
                                                     << "ftp";
    QTest::newRow("FTP stored as ftp") << WithPort("FTP") << "" << false << true << "ftp";
  }
  void Step7AsksOnlyForConnectionChanges() {
    QFETCH(TClientSettings, loaded);
    QFETCH(QString, action);
    QFETCH(bool, close_box);
    QFETCH(bool, ask);
    QFETCH(QString, port);
    TAppSettings dialog;
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.LoadSettings(loaded);
    dialog.open();
    Act(dialog, action);
    if (close_box) {
      dialog.close();
    } else {
      Find<QPushButton>(dialog, "btnOk")->click();
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(dialog.ConnectionSettingsChanged(), ask);
    TClientSettings stored = loaded;
    dialog.StoreSettings(stored);
    QCOMPARE(QString::fromStdString(stored.Port), port);
  }

  void EveryOpeningStartsUnchanged() {
    TAppSettings dialog;
    dialog.LoadSettings(Socks5());
    dialog.open();
    Type(dialog, "edtSocksUser", "you");
    QVERIFY(dialog.SettingsChanged());
    dialog.accept();
    TClientSettings stored;
    dialog.StoreSettings(stored);
    QCOMPARE(stored.SocksUser, std::string("you"));
    dialog.LoadSettings(stored);
    dialog.open();
    QVERIFY(!dialog.SettingsChanged());
    QVERIFY(!dialog.ConnectionSettingsChanged());
  }

  void RendersWithTheLightAndTheDarkPalette_data() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
  }
  void RendersWithTheLightAndTheDarkPalette() {
    QFETCH(bool, dark);
    std::optional<testing::DarkTheme> theme;
    if (dark) theme.emplace();
    TAppSettings dialog;
    TClientSettings settings = Socks5();
    settings.Port = "2121";
    dialog.LoadSettings(settings);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(testing::SaveScreenshot(dialog, dark ? "preferences_dark" : "preferences"));
  }
};

VARNEL_QTEST(AppSettingsTest);

}  // namespace varnel::ui

#include "app_settings_dialog_qtest.moc"
