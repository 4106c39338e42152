// The main window as a user meets it: settings read on the first show and
// written on close (an unreadable file kept aside), the placement restored,
// the FTP log's limit, saving a log, the View toggles, the cache, and the
// window connected to a real server in a light and a dark palette
// (screenshots).
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <optional>

#include "session_support.h"
#include "ui/main/file_pictures.h"
#include "ui/main/ftp_log.h"
#include "ui/main/log_file.h"
#include "ui/main/window_icons.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"
#include "window_support.h"

namespace varnel::ui::testing {
namespace {

using varnel::testing::DarkTheme;
using varnel::testing::OpenMessageBox;
using varnel::testing::ReadBytes;
using varnel::testing::SaveScreenshot;

// How far the icon's glyph stands out from the button colour: the largest
// grey-level difference of a pixel drawn over it.
int Contrast(const QIcon& icon, QIcon::Mode mode) {
  const int button = qGray(QApplication::palette().color(QPalette::Button).rgb());
  const QImage image = icon.pixmap(24, mode).toImage().convertToFormat(QImage::Format_ARGB32);
  int most = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      const int shown = (qGray(pixel) * qAlpha(pixel) + button * (255 - qAlpha(pixel))) / 255;
      most = std::max(most, std::abs(shown - button));
    }
  }
  return most;
}

}  // namespace

class WindowFormTest : public QObject {
  Q_OBJECT

 private slots:
  void FtpLogDropsTheOldestFiftyAfterTwoHundred() {
    QWidget parent;
    QPlainTextEdit* memo = BuildDisplayMemo(&parent);
    QCOMPARE(LogLines(*memo), QStringList{});
    for (int i = 1; i <= 201; ++i) AddFtpLogLine(*memo, QString("line %1").arg(i));
    QCOMPARE(LogLines(*memo).size(), 201);
    AddFtpLogLine(*memo, "line 202");
    const QStringList lines = LogLines(*memo);
    QCOMPARE(lines.size(), 152);
    QCOMPARE(lines.first(), QString("line 51"));
    QCOMPARE(lines.last(), QString("line 202"));
  }

  void LogFileNames_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no extension") << "/tmp/ftp"
                                  << "/tmp/ftp.log";
    QTest::newRow("lone dot") << "/tmp/ftp."
                              << "/tmp/ftp.log";
    QTest::newRow("text extension") << "/tmp/ftp.txt"
                                    << "/tmp/ftp.txt";
    QTest::newRow("dot only in the folder") << "/tmp/logs.d/ftp"
                                            << "/tmp/logs.d/ftp.log";
    QTest::newRow("two extensions") << "/tmp/ftp.log.old"
                                    << "/tmp/ftp.log.old";
  }

  void LogFileNames() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QCOMPARE(QString::fromStdString(LogFileName(chosen.toStdString())), written);
  }

  void SettingsAreReadOnFirstShowAndWrittenOnClose() {
    WindowUnderTest t;
    TProfileTable profiles;
    profiles.Append({"Office", "10.0.0.1", "carol", "pw1"});
    profiles.Append({"Local Demo", "127.0.0.1", "demo", "pw2"});
    t.WriteProfiles(profiles);
    TStoredSettings stored = FreshSettings();
    stored.Settings.Connection = 3;
    stored.Settings.Port = "2121";
    stored.Settings.SuppressError = true;
    stored.Settings.ClearCache = false;
    stored.Limit50k = false;
    stored.LastLocalDir = t.home.Path() + "/";
    stored.LastConnection = "local demo";
    stored.Window = {40, 50, 700, 520};
    t.WriteSettings(stored);
    varnel::testing::WriteBytes(t.SettingsPath(),
                                ReadBytes(t.SettingsPath()) + "[Other]\r\nKept=yes\r\n");

    TFtpReceiveForm& form = t.Start();
    QCOMPARE(form.Session().Settings(), stored.Settings);
    QCOMPARE(t.Find<QComboBox>("cmbConnections")->currentText(), QString("Local Demo"));
    QCOMPARE(t.Find<QLineEdit>("edtUserName")->text(), QString("demo"));
    QCOMPARE(form.Session().FtpClient1().HostName(), std::string("127.0.0.1"));
    QCOMPARE(t.Find<QLineEdit>("edtLocalDir")->text(), QString::fromStdString(stored.LastLocalDir));
    QCOMPARE(form.pos(), QPoint(50, 40));
    QCOMPARE(form.size(), QSize(700, 520));
    QCOMPARE(t.Find<QLabel>("pnlConnection")->text(), QString(" No FTP Connection"));
    QCOMPARE(t.Find<QLabel>("pnlConnection")->toolTip(), QString("No FTP Connection"));
    QVERIFY(
        t.Find<QPlainTextEdit>("DisplayMemo")->toPlainText().startsWith("Winsock version 1.1\n"));

    form.move(60, 70);
    form.resize(720, 540);
    t.Find<QComboBox>("cmbConnections")->setCurrentIndex(0);
    QVERIFY(form.close());
    TSettingsEnvironment environment{"/", {1024, 768}, {}};
    TStoredSettings saved = LoadSettingsFile(t.SettingsPath(), environment);
    QCOMPARE(saved.Settings, stored.Settings);
    QCOMPARE(saved.Limit50k, false);
    QCOMPARE(saved.LastConnection, std::string("Office"));
    QCOMPARE(saved.Window, (TWindowBounds{70, 60, 720, 540}));
    QVERIFY(ReadBytes(t.SettingsPath()).find("[Other]\r\nKept=yes\r\n") != std::string::npos);
  }

  // A settings file that cannot be read is not replaced: the save on close
  // keeps it aside and says where, the window staying open that once.
  void UnreadableSettingsAreKeptAsideOnClose() {
    WindowUnderTest t;
    QVERIFY(::mkdir(t.SettingsPath().c_str(), 0755) == 0);
    varnel::testing::WriteBytes(t.SettingsPath() + "/mine", "rows");
    TFtpReceiveForm& form = t.Start();
    QMessageBox* box = OpenMessageBox(form);
    const QString settings = QString::fromStdString(t.SettingsPath());
    QVERIFY(box && box->text().startsWith("Unable to read " + settings));
    box->accept();

    QVERIFY(!form.close());
    const std::string kept = t.SettingsPath() + ".unreadable";
    box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), settings + " could not be read, so it was kept as " +
                              QString::fromStdString(kept) + " instead of being replaced");
    box->accept();
    QCOMPARE(ReadBytes(kept + "/mine"), std::string("rows"));
    QVERIFY(ReadBytes(t.SettingsPath()).find("[Data]") != std::string::npos);
    QVERIFY(form.close());
    QVERIFY(!varnel::testing::Exists(kept + "-2"));
  }

  void FirstStartWithoutFilesUsesTheDefaults() {
    WindowUnderTest t;
    TFtpReceiveForm& form = t.Start();
    QCOMPARE(t.Find<QComboBox>("cmbConnections")->currentIndex(), -1);
    QCOMPARE(form.Session().Settings(), TClientSettings{});
    QCOMPARE(t.Find<QLineEdit>("edtLocalDir")->text(),
             QString::fromStdString(runtime::DefaultLocalDir()));
    QVERIFY(t.Find<QToolButton>("btnConnect")->isEnabled());
    QVERIFY(!t.Find<QToolButton>("btnDisconnect")->isEnabled());
    QVERIFY(!t.Find<QAction>("Disconnect1")->isEnabled());
    QVERIFY(!t.Find<QLineEdit>("edtCurDir")->isEnabled());
    QVERIFY(t.Find<QAction>("FileAssociationManager1")->isEnabled());
    QVERIFY(SaveScreenshot(form, "main_window_first_start"));
    QVERIFY(form.close());
    QVERIFY(varnel::testing::Exists(t.SettingsPath()));
  }

  // A window left on a monitor that is gone comes back where it can be seen.
  void WindowOffEveryScreenIsCentred() {
    WindowUnderTest t;
    TStoredSettings stored = FreshSettings();
    stored.Window = {-5000, 90000, 700, 520};
    t.WriteSettings(stored);
    TFtpReceiveForm& form = t.Start();
    QVERIFY(form.screen()->availableGeometry().intersects(form.frameGeometry()));
  }

  void SavingTheFtpLogWritesItsLines() {
    WindowUnderTest t;
    TFtpReceiveForm& form = t.Start();
    t.Find<QPlainTextEdit>("DisplayMemo")->clear();
    form.AddFtpLogLine("> USER bob");
    form.AddFtpLogLine("< 331 Password required");
    t.Find<QAction>("SaveFTPLog1")->trigger();
    auto* dialog = form.findChild<QFileDialog*>("SaveDialog1");
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QString("Save FTP Log"));
    dialog->selectFile(QString::fromStdString(t.home.File("session")));
    QMetaObject::invokeMethod(dialog, "accept");
    QCOMPARE(ReadBytes(t.home.File("session.log")),
             std::string("> USER bob\r\n< 331 Password required\r\n"));
  }

  void ViewTogglesHideAndShowTheLogAndTheStatusBar() {
    WindowUnderTest t;
    TFtpReceiveForm& form = t.Start();
    t.Find<QAction>("ShowFTPLog1")->trigger();
    QVERIFY(!t.Find<QPlainTextEdit>("DisplayMemo")->isVisible());
    QVERIFY(!t.Find<QAction>("ShowFTPLog1")->isChecked());
    t.Find<QAction>("StatusBar1")->trigger();
    QVERIFY(!form.statusBar()->isVisible());
    t.Find<QAction>("ShowFTPLog1")->trigger();
    t.Find<QAction>("StatusBar1")->trigger();
    QVERIFY(t.Find<QPlainTextEdit>("DisplayMemo")->isVisible());
    QVERIFY(form.statusBar()->isVisible());
    QVERIFY(form.statusBar()->geometry().top() >=
            t.Find<QPlainTextEdit>("DisplayMemo")->mapTo(&form, QPoint(0, 0)).y());
  }

  void ExitClosesTheWindowAndSavesTheSettings() {
    WindowUnderTest t;
    TFtpReceiveForm& form = t.Start();
    t.Find<QAction>("Exit1")->trigger();
    QVERIFY(!form.isVisible());
    QVERIFY(varnel::testing::Exists(t.SettingsPath()));
  }

  // A termination signal (a shutdown, Ctrl+C) saves the settings as a close
  // does, but leaves the cache alone: a viewer may still hold an edit.
  void CacheIsEmptiedAtExitWhenSoConfigured_data() {
    QTest::addColumn<bool>("clear");
    QTest::addColumn<int>("signal");  // 0: the window is closed
    QTest::newRow("ClearCache on") << true << 0;
    QTest::newRow("ClearCache off") << false << 0;
    QTest::newRow("ClearCache on, SIGTERM") << true << SIGTERM;
    QTest::newRow("ClearCache on, SIGINT") << true << SIGINT;
  }

  void CacheIsEmptiedAtExitWhenSoConfigured() {
    QFETCH(bool, clear);
    QFETCH(int, signal);
    WindowUnderTest t;
    TStoredSettings stored = FreshSettings();
    stored.Settings.ClearCache = clear;
    t.WriteSettings(stored);
    TFtpReceiveForm& form = t.Start();
    t.windows->EndOnTerminationSignals();
    const std::string cached = form.CacheDir() + "copy.txt";
    varnel::testing::WriteBytes(cached, "x");
    const QString folder = QString::fromStdString(t.home.Path() + "/");
    t.Find<QLineEdit>("edtLocalDir")->setText(folder);
    if (signal == 0) {
      QVERIFY(form.close());
    } else {
      QVERIFY(::raise(signal) == 0);
    }
    const TSettingsEnvironment environment{"/", {1024, 768}, {}};
    QTRY_COMPARE(LoadSettingsFile(t.SettingsPath(), environment).LastLocalDir,
                 folder.toStdString());
    t.windows.reset();
    QCOMPARE(varnel::testing::Exists(cached), !clear || signal != 0);
    QVERIFY(varnel::testing::Exists(t.home.File("Cache")));
  }

  // Refused login boxes honour SuppressError; the ones of the connect
  // checks are shown regardless.
  void ReportMessageShowsABoxUnlessSuppressed_data() {
    QTest::addColumn<bool>("suppress");
    QTest::newRow("boxes shown") << false;
    QTest::newRow("errors suppressed") << true;
  }

  void ReportMessageShowsABoxUnlessSuppressed() {
    QFETCH(bool, suppress);
    WindowUnderTest t;
    TStoredSettings stored = FreshSettings();
    stored.Settings.SuppressError = suppress;
    t.WriteSettings(stored);
    TFtpReceiveForm& form = t.Start();
    form.ReportMessage("Something failed", TReportKind::Warning);
    QMessageBox* box = OpenMessageBox(form);
    QCOMPARE(box != nullptr, !suppress);
    if (box) {
      QCOMPARE(box->text(), QString("Something failed"));
      box->accept();
    }
    t.Find<QToolButton>("btnConnect")->click();
    box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), QString(session_text::kNoConnectionSelected));
    QVERIFY(box->windowModality() != Qt::NonModal);
    box->accept();
    // Enter in the password box connects as the button does.
    QTest::keyClick(t.Find<QLineEdit>("edtPassword"), Qt::Key_Return);
    box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), QString(session_text::kNoConnectionSelected));
  }

  // An enabled command's icon reads clearly and a disabled one is faded, on
  // a light and on a dark palette (the theme's grey glyphs looked disabled
  // on light, and disabled looked enabled on dark).
  void CommandIconsShowWhetherTheyAreEnabled_data() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
  }

  void CommandIconsShowWhetherTheyAreEnabled() {
    QFETCH(bool, dark);
    UseDesktopIconTheme();
    std::optional<DarkTheme> theme;
    if (dark) theme.emplace();
    for (TCommandIcon command : {TCommandIcon::Download, TCommandIcon::Refresh,
                                 TCommandIcon::UpFolder, TCommandIcon::ListView}) {
      const QIcon icon = CommandIcon(command);
      const int enabled = Contrast(icon, QIcon::Normal);
      QVERIFY2(enabled > 128, qPrintable(QString::number(enabled)));
      QVERIFY2(enabled >= 2 * Contrast(icon, QIcon::Disabled), qPrintable(QString::number(enabled)));
    }
  }

  void ConnectedWindowInLightAndDarkPalettes() {
    varnel::testing::RealFtpServer server(varnel::testing::FtpServerKind::kPyftpdlib);
    WindowUnderTest t;
    t.ConnectAtStart(server, {0, 0, 900, 640});
    TFtpReceiveForm& form = t.Start();
    QVERIFY2(WaitFor([&] {
               return form.Session().ConnectedAndIdle() && form.Session().CurDir() == "/";
             }),
             qPrintable(t.Find<QPlainTextEdit>("DisplayMemo")->toPlainText()));
    QCOMPARE(t.Find<QLabel>("pnlConnection")->text(), QString(" Connected To 127.0.0.1"));
    QCOMPARE(t.Find<QLineEdit>("edtCurDir")->text(), QString("/"));
    QVERIFY(!t.Find<QToolButton>("btnConnect")->isEnabled());
    QVERIFY(!t.Find<QComboBox>("cmbConnections")->isEnabled());
    QVERIFY(t.Find<QToolButton>("btnDisconnect")->isEnabled());
    QVERIFY(t.Find<QLineEdit>("edtCurDir")->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(SaveScreenshot(form, "main_window_connected_light"));

    {
      const DarkTheme dark;
      const QPalette shown = t.Find<QPlainTextEdit>("DisplayMemo")->palette();
      QVERIFY(shown.color(QPalette::Base).lightness() < 64);
      QVERIFY(shown.color(QPalette::Text).lightness() - shown.color(QPalette::Base).lightness() >
              128);
      QVERIFY(SaveScreenshot(form, "main_window_connected_dark"));
    }

    t.Find<QToolButton>("btnDisconnect")->click();
    QVERIFY(WaitFor([&] { return !form.Session().ConnectionState().Connected; }));
    QCOMPARE(t.Find<QLabel>("pnlConnection")->text(), QString(" No FTP Connection"));
    QCOMPARE(t.Find<QLineEdit>("edtCurDir")->text(), QString());
  }
};

VARNEL_QTEST(WindowFormTest);

}  // namespace varnel::ui::testing

#include "window_form_qtest.moc"
