// The pieces of transfers and viewing that need no server: where a cached
// copy lives (never outside the cache, one place per server and remote
// folder), what clearing the cache keeps, what a drop onto a pane does,
// and what tells an edited copy from the one the viewer got.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <memory>
#include <string>

#include "runtime/test_temp_folder.h"
#include "ui/main/cache_paths.h"
#include "ui/main/pane_drag_drop.h"
#include "ui/main/remote_viewing.h"
#include "ui/support/qt_test_registry.h"

Q_DECLARE_METATYPE(varnel::ui::TPaneSide)
Q_DECLARE_METATYPE(varnel::ui::TDropAction)

namespace varnel::ui::testing {
namespace {

using varnel::testing::Exists;
using varnel::testing::ReadBytes;
using varnel::testing::TempFolder;
using varnel::testing::WriteBytes;

constexpr quintptr kWindow = 0x1000;
constexpr quintptr kOtherWindow = 0x2000;

std::unique_ptr<QMimeData> DesktopFiles(const QStringList& urls) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> list;
  for (const QString& url : urls) list << QUrl(url);
  data->setUrls(list);
  return data;
}

}  // namespace

class TransferPartsTest : public QObject {
  Q_OBJECT

 private slots:
  void CachedCopyPaths_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("inside");  // below the cache folder; empty: refused
    QTest::newRow("plain") << "bob" << "ftp.example.org" << "/pub/docs/" << "a.txt"
                           << "bob@ftp.example.org:21/pub/docs/a.txt";
    QTest::newRow("root folder") << "bob" << "h" << "/" << "a.txt" << "bob@h:21/a.txt";
    QTest::newRow("empty and dot parts") << "bob" << "h" << "/a//b/./c" << "x"
                                         << "bob@h:21/a/b/c/x";
    QTest::newRow("climbing folder") << "bob" << "h" << "/../../etc/" << "passwd"
                                     << "bob@h:21/%2E%2E/%2E%2E/etc/passwd";
    QTest::newRow("climbing host") << ".." << "/../x" << "/" << "a" << "..@%2F..%2Fx:21/a";
    QTest::newRow("percent kept apart") << "bob" << "h" << "/50%/" << "a" << "bob@h:21/50%25/a";
    QTest::newRow("unsafe name") << "bob" << "h" << "/pub/" << "../a" << "";
    QTest::newRow("dot dot name") << "bob" << "h" << "/pub/" << ".." << "";
  }

  void CachedCopyPaths() {
    QFETCH(QString, user);
    QFETCH(QString, host);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, inside);
    const std::string cache = "/cache/";
    const std::optional<std::string> path =
        CachedCopyPath(cache, CacheServerFolder(user.toStdString(), host.toStdString(), "21"),
                       folder.toStdString(), name.toStdString());
    QCOMPARE(path.has_value(), !inside.isEmpty());
    if (!path) return;
    QCOMPARE(QString::fromStdString(*path), QString::fromStdString(cache) + inside);
    const std::string normal = std::filesystem::path(*path).lexically_normal().string();
    QVERIFY2(normal.rfind(cache, 0) == 0, normal.c_str());
  }

  void SameNamesOfTwoFoldersOrServersNeverShare() {
    const std::string server = CacheServerFolder("bob", "h", "21");
    const auto a = CachedCopyPath("/c/", server, "/one/", "a.txt");
    const auto b = CachedCopyPath("/c/", server, "/two/", "a.txt");
    const auto c = CachedCopyPath("/c/", CacheServerFolder("bob", "h", "2121"), "/one/", "a.txt");
    const auto d = CachedCopyPath("/c/", server, "/one%2F/", "a.txt");
    const auto e = CachedCopyPath("/c/", server, "/one/", "a.txt");
    QVERIFY(a && b && c && d && e);
    QVERIFY(*a != *b && *a != *c && *a != *d);
    QCOMPARE(*a, *e);
  }

  // Unsaved edits stay; links are removed, never followed.
  void ClearingTheCacheKeepsUnsavedCopies() {
    TempFolder cache;
    TempFolder outside;
    WriteBytes(outside.File("precious"), "keep");
    std::filesystem::create_directories(cache.File("s/pub/sub"));
    WriteBytes(cache.File("s/pub/edited.txt"), "edit");
    WriteBytes(cache.File("s/pub/viewed.txt"), "view");
    WriteBytes(cache.File("s/pub/sub/old.txt"), "old");
    ::symlink(outside.Path().c_str(), cache.File("s/link").c_str());
    ClearCacheFolder(cache.Path() + "/", {cache.File("s/pub/edited.txt")});
    QCOMPARE(ReadBytes(cache.File("s/pub/edited.txt")), std::string("edit"));
    QVERIFY(!Exists(cache.File("s/pub/viewed.txt")));
    QVERIFY(!Exists(cache.File("s/pub/sub")));
    QVERIFY(!Exists(cache.File("s/link")));
    QCOMPARE(ReadBytes(outside.File("precious")), std::string("keep"));
  }

  void Drops_data() {
    QTest::addColumn<TPaneSide>("target");
    QTest::addColumn<int>("source");  // 0 local pane, 1 remote pane, 2 other window, 3 desktop
    QTest::addColumn<bool>("ready");
    QTest::addColumn<TDropAction>("action");
    using enum TDropAction;
    QTest::newRow("local rows onto remote") << TPaneSide::Remote << 0 << true << Upload;
    QTest::newRow("remote rows onto local") << TPaneSide::Local << 1 << true << Download;
    QTest::newRow("local rows onto local") << TPaneSide::Local << 0 << true << None;
    QTest::newRow("remote rows onto remote") << TPaneSide::Remote << 1 << true << None;
    QTest::newRow("another window's rows") << TPaneSide::Remote << 2 << true << None;
    QTest::newRow("desktop files onto remote") << TPaneSide::Remote << 3 << true << UploadFiles;
    QTest::newRow("desktop files onto local") << TPaneSide::Local << 3 << true << None;
    QTest::newRow("not ready") << TPaneSide::Remote << 0 << false << None;
    QTest::newRow("desktop files, not ready") << TPaneSide::Remote << 3 << false << None;
  }

  void Drops() {
    QFETCH(TPaneSide, target);
    QFETCH(int, source);
    QFETCH(bool, ready);
    QFETCH(TDropAction, action);
    std::unique_ptr<QMimeData> data;
    switch (source) {
      case 0:
        data.reset(PaneDragData(TPaneSide::Local, kWindow, {"/home/bob/a.txt"}));
        break;
      case 1:
        data.reset(PaneDragData(TPaneSide::Remote, kWindow, {}));
        break;
      case 2:
        data.reset(PaneDragData(TPaneSide::Local, kOtherWindow, {"/home/bob/a.txt"}));
        break;
      default:
        data = DesktopFiles({"file:///home/bob/a%20b.txt", "https://example.org/x", "file:///tmp/c"});
    }
    const TDropDecision decision = DecideDrop(target, kWindow, *data, ready);
    QCOMPARE(decision.Action, action);
    if (action == TDropAction::UploadFiles) {
      QCOMPARE(decision.Paths, (std::vector<std::string>{"/home/bob/a b.txt", "/tmp/c"}));
    }
  }

  // Web addresses alone are nothing to upload.
  void DesktopDropWithoutLocalFilesIsRefused() {
    const auto data = DesktopFiles({"https://example.org/x"});
    QCOMPARE(DecideDrop(TPaneSide::Remote, kWindow, *data, true).Action, TDropAction::None);
  }

  // An edit saved at once, a copy replaced by a file of the same size and
  // time (as editors save), and a removed copy all tell apart from the copy
  // the viewer got.
  void StampsTellEditedCopies() {
    TempFolder folder;
    const std::string path = folder.File("a.txt");
    WriteBytes(path, "line\n");
    const TFileStamp before = FileStampOf(path);
    QVERIFY(before.Exists);
    QCOMPARE(FileStampOf(path), before);

    WriteBytes(path, "line\nadded\n");
    QVERIFY(FileStampOf(path) != before);

    const TFileStamp edited = FileStampOf(path);
    WriteBytes(folder.File("new"), "LINE\nADDED\n");
    const timespec times[2] = {{0, UTIME_OMIT},
                               {edited.ModifiedNs / 1000000000, edited.ModifiedNs % 1000000000}};
    ::utimensat(AT_FDCWD, folder.File("new").c_str(), times, 0);
    std::filesystem::rename(folder.File("new"), path);
    QVERIFY(FileStampOf(path) != edited);

    std::filesystem::remove(path);
    QVERIFY(!FileStampOf(path).Exists);
  }
};

VARNEL_QTEST(TransferPartsTest);

}  // namespace varnel::ui::testing

#include "transfer_parts_qtest.moc"
