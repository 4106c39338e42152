// The view styles: every button, View menu item and pop-up View item of
// both panes switches its pane's view and leaves the pane's buttons and
// menu items marking the same style; the pop-ups' enabling; screenshots of
// both panes in each style, in a light and a dark palette.
#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <optional>

#include "ui/main/local_pane.h"
#include "ui/main/remote_pane.h"
#include "ui/main/view_styles.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"
#include "window_support.h"

namespace varnel::ui::testing {
namespace {

using ftp::testing::FakeFtpServer;
using varnel::testing::DarkTheme;
using varnel::testing::SaveScreenshot;

constexpr TViewStyle kStyles[] = {TViewStyle::SmallIcons, TViewStyle::LargeIcons, TViewStyle::List,
                                  TViewStyle::Details};

constexpr const char* kShownListing =
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 ..\r\n"
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 pub\r\n"
    "drwxr-xr-x   2 bob  bob      4096 Feb 11  2025 incoming\r\n"
    "lrwxrwxrwx   1 bob  bob         7 Mar 01 10:00 docs -> pub/doc\r\n"
    "-rw-r--r--   1 bob  bob     48213 Mar 01 10:00 notes.txt\r\n"
    "-rw-r--r--   1 bob  bob    734003 Jan 05 09:12 photo.jpg\r\n"
    "-rw-r--r--   1 bob  bob   2411724 Dec 24  2024 manual.pdf\r\n"
    "-rw-r--r--   1 bob  bob  10485760 Feb 02 18:40 backup.tar\r\n"
    "-rw-r--r--   1 bob  bob      1204 Mar 01 10:00 index.html\r\n"
    "-rwxr-xr-x   1 bob  bob       845 Mar 01 10:00 install.sh\r\n"
    "-rw-r--r--   1 bob  bob     19200 Mar 01 10:00 caf\xc3\xa9 menu.csv\r\n";

enum class Sender { Button, MenuItem, PopupItem };

TPaneViews& Views(TFtpReceiveForm& form, TPaneSide side) {
  return side == TPaneSide::Remote ? form.RemoteFiles().Views() : form.LocalFiles().Views();
}

TViewStyleControls& Controls(TFtpReceiveForm& form, TPaneSide side) {
  return side == TPaneSide::Remote ? form.RemoteFiles().ViewControls()
                                   : form.LocalFiles().ViewControls();
}

// Where a view shows its first two rows: side by side, one below the
// other; rows of large icons are more than two lines of text high. No row
// is narrower than its name, up to a grid cell: the first row ("..") does
// not set the width of the others.
void CheckLayout(QListView& icons, TViewStyle style) {
  icons.doItemsLayout();
  const QRect first = icons.visualRect(icons.model()->index(0, 0));
  const QRect second = icons.visualRect(icons.model()->index(1, 0));
  if (style == TViewStyle::List) {
    QVERIFY(second.top() > first.top() && second.left() == first.left());
  } else {
    QVERIFY(second.left() > first.left() && second.top() == first.top());
  }
  const bool tall = first.height() > 2 * icons.fontMetrics().lineSpacing();
  QCOMPARE(tall, style == TViewStyle::LargeIcons);
  for (int row = 0; row < icons.model()->rowCount(); ++row) {
    const QModelIndex index = icons.model()->index(row, 0);
    const int name = icons.fontMetrics().horizontalAdvance(index.data().toString());
    QVERIFY2(icons.visualRect(index).width() >= std::min(name, icons.gridSize().width()),
             qPrintable(index.data().toString()));
  }
}

// A window whose local pane shows a folder of files and whose remote pane
// is logged in to the scripted server.
struct PanesUnderTest {
  FakeFtpServer server{LoggedInScript(kShownListing, "/home/bob")};
  WindowOnFakeServer w;
  WindowUnderTest& t = w.t;
  bool listed = false;  // connected and idle with every remote row shown

  TFtpReceiveForm& Start() {
    for (const char* name : {"report.txt", "song.mp3", "sheet.csv", "page.html", "tool.sh"}) {
      varnel::testing::WriteBytes(w.local.File(name), std::string(2048, 'x'));
    }
    ::mkdir(w.local.File("Projects").c_str(), 0755);
    ::symlink("Projects", w.local.File("current").c_str());
    listed = w.StartListed(server, 11, {0, 0, 1100, 640});
    return w.Form();
  }
};
}  // namespace

class PaneViewsTest : public QObject {
  Q_OBJECT

 private slots:
  void ButtonsAndMenuItemsStayInStep_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("sender");
    for (const TPaneSide side : {TPaneSide::Local, TPaneSide::Remote}) {
      for (const TViewStyle style : kStyles) {
        for (const Sender sender : {Sender::Button, Sender::MenuItem, Sender::PopupItem}) {
          const TViewControlNames& names = ViewControlNames(side, style);
          const char* name = sender == Sender::Button     ? names.Button
                             : sender == Sender::MenuItem ? names.MenuItem
                                                          : names.PopupItem;
          QTest::newRow(name) << static_cast<int>(side) << static_cast<int>(style)
                              << static_cast<int>(sender);
        }
      }
    }
  }

  void ButtonsAndMenuItemsStayInStep() {
    QFETCH(int, side);
    QFETCH(int, style);
    QFETCH(int, sender);
    const auto pane = static_cast<TPaneSide>(side);
    const auto chosen = static_cast<TViewStyle>(style);
    const auto other_pane = pane == TPaneSide::Remote ? TPaneSide::Local : TPaneSide::Remote;
    PanesUnderTest p;
    TFtpReceiveForm& form = p.Start();
    QVERIFY2(p.listed, p.server.Report().c_str());
    // Start from another style, so that every choice changes something.
    const TViewStyle start =
        chosen == TViewStyle::SmallIcons ? TViewStyle::List : TViewStyle::SmallIcons;
    p.t.Find<QAction>(ViewControlNames(pane, start).MenuItem)->trigger();

    const TViewControlNames& names = ViewControlNames(pane, chosen);
    switch (static_cast<Sender>(sender)) {
      case Sender::Button:
        p.t.Find<QToolButton>(names.Button)->click();
        break;
      case Sender::MenuItem:
        p.t.Find<QAction>(names.MenuItem)->trigger();
        break;
      case Sender::PopupItem:
        form.findChild<QAction*>(names.PopupItem)->trigger();
        break;
    }
    TPaneViews& views = Views(form, pane);
    QCOMPARE(views.Style(), chosen);
    QCOMPARE(views.currentWidget(), chosen == TViewStyle::Details
                                        ? static_cast<QWidget*>(views.Details())
                                        : static_cast<QWidget*>(views.Icons()));
    if (chosen != TViewStyle::Details) {
      CheckLayout(*views.Icons(), chosen);
      if (QTest::currentTestFailed()) return;
    }
    Controls(form, pane).PopupOpening();
    for (const TViewStyle style_shown : kStyles) {
      const TViewControlNames& shown = ViewControlNames(pane, style_shown);
      const bool on = style_shown == chosen;
      QCOMPARE(p.t.Find<QToolButton>(shown.Button)->isChecked(), on);
      QCOMPARE(p.t.Find<QAction>(shown.MenuItem)->isChecked(), on);
      QCOMPARE(form.findChild<QAction*>(shown.PopupItem)->isChecked(), on);
      const TViewControlNames& untouched = ViewControlNames(other_pane, style_shown);
      QCOMPARE(p.t.Find<QToolButton>(untouched.Button)->isChecked(),
               style_shown == TViewStyle::Details);
    }
    QCOMPARE(Views(form, other_pane).Style(), TViewStyle::Details);
  }

  // While disconnected the remote pop-up offers nothing; the local one's
  // items are never disabled.
  void PopupEnabling() {
    WindowUnderTest t;
    TFtpReceiveForm& form = t.Start();
    QMenu* remote = form.RemoteFiles().popRemote();
    emit remote->aboutToShow();
    QVERIFY(!form.findChild<QAction*>("Open2")->isEnabled());
    QVERIFY(!remote->findChild<QMenu*>("PopRemoteView")->menuAction()->isEnabled());
    QMenu* local = form.LocalFiles().popLocal();
    emit local->aboutToShow();
    for (const char* name : {"Open1", "Delete1", "NewFolder1"}) {
      QVERIFY2(local->findChild<QAction*>(name)->isEnabled(), name);
    }
    QVERIFY(local->findChild<QMenu*>("PopLocalView")->menuAction()->isEnabled());
    QCOMPARE(local->defaultAction()->text(), QString("Open"));
  }

  void BothPanesInEveryStyleLightAndDark() {
    PanesUnderTest p;
    TFtpReceiveForm& form = p.Start();
    QVERIFY2(p.listed, p.server.Report().c_str());
    std::optional<DarkTheme> theme;
    for (const bool dark : {false, true}) {
      if (dark) theme.emplace();
      for (const TViewStyle view_style : kStyles) {
        for (const TPaneSide side : {TPaneSide::Local, TPaneSide::Remote}) {
          p.t.Find<QAction>(ViewControlNames(side, view_style).MenuItem)->trigger();
        }
        QCoreApplication::processEvents();
        const QString name =
            QString("panes_%1_%2")
                .arg(QString(ViewStyleText(view_style)).toLower().replace(' ', '_'))
                .arg(dark ? "dark" : "light");
        QVERIFY2(SaveScreenshot(form, name), qPrintable(name));
      }
    }
    const QPalette shown = form.RemoteFiles().Views().Details()->palette();
    QVERIFY(shown.color(QPalette::Base).lightness() < 64);
  }
};

VARNEL_QTEST(PaneViewsTest);

}  // namespace varnel::ui::testing

#include "pane_views_qtest.moc"
