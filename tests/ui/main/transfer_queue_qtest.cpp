// The transfer queue against the scripted server, without a window: the
// exact command stream of each queue (SIZE before each RETR, DELE with the
// path as the server wrote it, STOR by name, the listing at the end), what
// a failure leaves on disk and reports, viewing and saving an edited copy,
// and abort.
#include <QTest>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "queue_support.h"
#include "ui/support/case_rows.h"
#include "ui/support/qt_test_registry.h"

namespace varnel::ui::testing {
namespace {

using varnel::testing::AddCaseRows;
using varnel::testing::CurrentCase;
using varnel::testing::Exists;
using varnel::testing::ReadBytes;
using varnel::testing::WriteBytes;
namespace text = transfer_text;

constexpr const char* kOldContent = "old a";

QString Warning(const std::string& text) { return "warning: " + QString::fromStdString(text); }

struct DownloadCase {
  const char* name;
  std::vector<std::string> queued;
  std::function<void(FakeFtpScript&)> server;
  Lines commands;
  // The local files afterwards: name and content; null content: absent.
  std::map<std::string, const char*> files;
  QStringList reports;
  const char* label;  // a progress label that was shown; null: any
};

// One row per case (the formatter would spread each over many lines).
// clang-format off
const std::vector<DownloadCase>& DownloadCases() {
  static const std::vector<DownloadCase> cases{
      {"three files, each after its size", {"a.txt", "b.txt", "c.txt"},
       [](FakeFtpScript& s) {
         Retr(Size(s, "a.txt", "213 10"), "a.txt", "0123456789");
         Retr(Size(s, "b.txt", "213 2"), "b.txt", "bb");
         Retr(Size(s, "c.txt", "213 3"), "c.txt", "ccc");
       },
       Concat({SizeRetr("a.txt"), SizeRetr("b.txt"), SizeRetr("c.txt")}),
       {{"a.txt", "0123456789"}, {"b.txt", "bb"}, {"c.txt", "ccc"}}, {}, "0bytes of 10bytes (0%)"},
      {"size refused: fetched with an unknown size", {"a.txt"},
       [](FakeFtpScript& s) { Retr(Size(s, "a.txt", "550 SIZE not allowed"), "a.txt", "new a"); },
       SizeRetr("a.txt"), {{"a.txt", "new a"}}, {}, "0bytes of 0bytes (??%)"},
      {"second of three refused 550: the FTP log says it", {"a.txt", "b.txt", "c.txt"},
       [](FakeFtpScript& s) {
         Retr(Size(s, "a.txt", "213 5"), "a.txt", "new a");
         RetrRefused(Size(s, "b.txt", "213 2"), "b.txt", "550 No access");
         Retr(Size(s, "c.txt", "213 3"), "c.txt", "ccc");
       },
       Concat({SizeRetr("a.txt"), SizeRetr("b.txt"), SizeRetr("c.txt")}),
       {{"a.txt", "new a"}, {"b.txt", nullptr}, {"c.txt", "ccc"}}, {}, nullptr},
      {"refused 501: reported with its path, the old file stays", {"a.txt"},
       [](FakeFtpScript& s) { RetrRefused(Size(s, "a.txt", "213 5"), "a.txt", "501 Denied"); },
       SizeRetr("a.txt"), {{"a.txt", kOldContent}},
       {Warning(TransferFailureText("/home/bob/a.txt", text::kPermissionDenied))}, nullptr},
      {"fewer bytes than announced: the old file stays", {"a.txt"},
       [](FakeFtpScript& s) { Retr(Size(s, "a.txt", "213 20"), "a.txt", "short"); },
       SizeRetr("a.txt"), {{"a.txt", kOldContent}},
       {Warning(TransferFailureText("/home/bob/a.txt", "the server announced 20 bytes but sent 5"))},
       nullptr},
      {"data connection reset: the old file stays", {"a.txt"},
       [](FakeFtpScript& s) {
         Size(s, "a.txt", "213 10").ExpectPort().Expect("RETR a.txt").OpenData();
         s.Reply("150 Sending\r\n").SendData("01234").ResetData().Reply("426 Transfer aborted\r\n");
       },
       SizeRetr("a.txt"), {{"a.txt", kOldContent}}, {}, nullptr},
  };
  return cases;
}
// clang-format on

// Temporary files of downloads begin with a dot.
bool NoTemporaryFiles(const QStringList& names) {
  for (const QString& name : names) {
    if (name.startsWith('.')) return false;
  }
  return true;
}

}  // namespace

class TransferQueueTest : public QObject {
  Q_OBJECT

 private slots:
  void Downloads_data() { AddCaseRows(DownloadCases()); }

  void Downloads() {
    const DownloadCase& c = CurrentCase(DownloadCases());
    FakeFtpScript script = LoggedInScript();
    c.server(script);
    EndListing(script);
    FakeFtpServer server(script);
    QueueUnderTest t;
    WriteBytes(t.Local("a.txt"), kOldContent);
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));

    t.queue.StartDownload(c.queued, t.local.Path());
    QVERIFY(t.queue.Running());
    QVERIFY2(t.WaitQueueEnd(), qPrintable(t.record.Log()));
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());

    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, Concat({c.commands, kListingCommands})),
             qPrintable(Joined(received)));
    for (const auto& [name, content] : c.files) {
      QCOMPARE(Exists(t.Local(name)), content != nullptr);
      if (content) QCOMPARE(ReadBytes(t.Local(name)), std::string(content));
    }
    QVERIFY2(NoTemporaryFiles(t.LocalNames()), qPrintable(t.LocalNames().join(' ')));
    QCOMPARE(t.reports, c.reports);
    QCOMPARE(t.warnings, QStringList{});
    if (c.label) QVERIFY2(t.labels.contains(c.label), qPrintable(t.labels.join(" | ")));
    QCOMPARE(t.local_refreshes, 1);
    QCOMPARE(t.record.refusals, QStringList{});
  }

  // DELE names the file as the server wrote its directory; a refusal is
  // reported and the next file is still deleted.
  void DeletesByFullPathAndGoesOnAfterARefusal() {
    FakeFtpScript script = LoggedInScript();
    script.Expect("DELE /home/bob/a.txt").Reply("550 Permission denied\r\n");
    script.Expect("DELE /home/bob/b.txt").Reply("250 Deleted\r\n");
    EndListing(script);
    FakeFtpServer server(script);
    QueueUnderTest t;
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));
    t.queue.StartDelete({"a.txt", "b.txt"});
    QVERIFY2(t.WaitQueueEnd(), qPrintable(t.record.Log()));
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, Concat({{"DELE /home/bob/a.txt", "DELE /home/bob/b.txt"},
                                            kListingCommands})),
             qPrintable(Joined(received)));
    QCOMPARE(t.record.reports, QStringList{Warning(session_text::kInsufficientRights)});
  }

  // Folders in the selection are named in the FTP log and never sent.
  void UploadsFilesByNameAndSkipsFolders() {
    FakeFtpScript script = LoggedInScript();
    Stor(script, "up.bin");
    EndListing(script);
    FakeFtpServer server(script);
    QueueUnderTest t;
    WriteBytes(t.Local("up.bin"), "uploaded bytes");
    std::filesystem::create_directory(t.Local("sub"));
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));
    t.queue.StartUpload({t.Local("sub"), t.Local("up.bin")});
    QVERIFY2(t.WaitQueueEnd(), qPrintable(t.record.Log()));
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, Concat({{"PORT 127,0,0,1,*", "STOR up.bin"}, kListingCommands})),
             qPrintable(Joined(received)));
    QCOMPARE(server.Uploads(), std::vector<std::string>{"uploaded bytes"});
    QVERIFY(t.record.log.contains(QString::fromStdString(SkippedFolderText(t.Local("sub")))));
    QVERIFY(t.labels.contains("0bytes of 14bytes (0%)"));
  }

  void EditedCopyGoesBackUnderItsFullPath() {
    FakeFtpScript script = LoggedInScript();
    Retr(Size(script, "a.txt", "213 5"), "a.txt", "line\n");
    Stor(script, "/home/bob/a.txt");
    EndListing(script);
    FakeFtpServer server(script);
    QueueUnderTest t;
    const std::string copy = t.Local("copy.txt");
    t.viewer = [&](const std::string& path) {
      QCOMPARE(path, copy);
      WriteBytes(path, ReadBytes(path) + "added\n");
      t.queue.ViewerDone(true);
    };
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));
    t.queue.OpenRemote("a.txt", copy);
    QVERIFY2(t.WaitQueueEnd(), qPrintable(t.record.Log()));
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, Concat({SizeRetr("a.txt"),
                                            {"PORT 127,0,0,1,*", "STOR /home/bob/a.txt"},
                                            kListingCommands})),
             qPrintable(Joined(received)));
    QCOMPARE(server.Uploads(), std::vector<std::string>{"line\nadded\n"});
    QCOMPARE(t.warnings, QStringList{});
    QVERIFY(t.queue.UnsavedCopies().empty());
  }

  // Nothing goes back, nothing is listed; the copy goes with ClearCache.
  void UnchangedCopyIsNotSent() {
    FakeFtpScript script = LoggedInScript();
    Retr(Size(script, "a.txt", "213 5"), "a.txt", "line\n");
    FakeFtpServer server(script);
    QueueUnderTest t;
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));
    TClientSettings settings = t.session.Settings();
    settings.ClearCache = true;
    t.session.SetSettings(settings);
    const std::string copy = t.Local("copy.txt");
    bool viewed = false;
    t.viewer = [&](const std::string& path) {
      viewed = Exists(path);
      t.queue.ViewerDone(false);
    };
    t.queue.OpenRemote("a.txt", copy);
    QVERIFY2(t.WaitQueueEnd(), qPrintable(t.record.Log()));
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
    QVERIFY(viewed);
    QVERIFY(!Exists(copy));
    QCOMPARE(server.Commands().size(), kLoginCommands.size() + 3);
    QCOMPARE(t.record.listings, 1);
  }

  // The edited copy stays where it is, the box says where, and closing
  // the program with ClearCache does not remove it.
  void RefusedSaveKeepsTheCopyAndSaysWhere() {
    FakeFtpScript script = LoggedInScript();
    Retr(Size(script, "a.txt", "213 5"), "a.txt", "line\n");
    script.ExpectPort().Expect("STOR /home/bob/a.txt").Reply("553 Not allowed\r\n");
    EndListing(script);
    FakeFtpServer server(script);
    QueueUnderTest t;
    const std::string copy = t.Local("copy.txt");
    t.viewer = [&](const std::string& path) {
      WriteBytes(path, "edited\n");
      t.queue.ViewerDone(true);
    };
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));
    t.queue.OpenRemote("a.txt", copy);
    QVERIFY2(t.WaitQueueEnd(), qPrintable(t.record.Log()));
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
    QCOMPARE(t.warnings, QStringList{QString::fromStdString(UnsavedCopyText(copy))});
    QCOMPARE(ReadBytes(copy), std::string("edited\n"));
    QCOMPARE(t.queue.UnsavedCopies(), std::set<std::string>{copy});
  }

  void RefusedFetchForViewingRunsNoViewer() {
    FakeFtpScript script = LoggedInScript();
    RetrRefused(Size(script, "a.txt", "213 5"), "a.txt", "550 No access");
    EndListing(script);
    FakeFtpServer server(script);
    QueueUnderTest t;
    bool viewed = false;
    t.viewer = [&](const std::string&) { viewed = true; };
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));
    t.queue.OpenRemote("a.txt", t.Local("copy.txt"));
    QVERIFY2(t.WaitQueueEnd(), qPrintable(t.record.Log()));
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
    QVERIFY(!viewed);
    QCOMPARE(t.warnings, QStringList{text::kUnableToOpenFile});
    QCOMPARE(t.reports, QStringList{});
    QVERIFY(!Exists(t.Local("copy.txt")));
  }

  // Abort in the middle of the data: the engine drops both connections,
  // the old file is untouched, the queue ends and asks for a reconnect;
  // the next queue starts without the abort mark.
  void AbortKeepsTheOldFileAndAsksToReconnect() {
    FakeFtpScript script = LoggedInScript();
    Size(script, "a.txt", "213 400000").ExpectPort().Expect("RETR a.txt").OpenData();
    script.Reply("150 Sending\r\n").SendData(std::string(400000, 'x'), 1000, 20);
    FakeFtpServer server(script);
    QueueUnderTest t;
    WriteBytes(t.Local("a.txt"), kOldContent);
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));
    t.queue.StartDownload({"a.txt", "b.txt"}, t.local.Path());
    QVERIFY2(WaitFor([&] { return t.labels.size() >= 2; }), qPrintable(t.record.Log()));
    t.queue.btnAbortClick();
    QVERIFY(t.queue.AbortRequested());
    QVERIFY2(WaitFor([&] { return !t.queue.Running(); }), qPrintable(t.record.Log()));
    server.Stop();
    QCOMPARE(ReadBytes(t.Local("a.txt")), std::string(kOldContent));
    QCOMPARE(t.LocalNames(), QStringList{"a.txt"});
    QCOMPARE(t.reconnects, 1);
    QVERIFY(!t.queue.AbortRequested());
    QVERIFY(!t.session.ConnectionState().Connected);
    QVERIFY(t.record.log.contains(session_text::kExecuting));
  }

  // The server closing the session between two files ends the queue with
  // a report instead of leaving the window busy.
  void ClosedSessionEndsTheQueue() {
    FakeFtpScript script = LoggedInScript();
    Retr(Size(script, "a.txt", "213 5"), "a.txt", "new a");
    script.Pause(200).CloseControl();
    FakeFtpServer server(script);
    QueueUnderTest t;
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));
    t.queue.StartDownload({"a.txt", "b.txt"}, t.local.Path());
    QVERIFY2(WaitFor([&] { return !t.queue.Running(); }), qPrintable(t.record.Log()));
    QCOMPARE(ReadBytes(t.Local("a.txt")), std::string("new a"));
    QVERIFY(!Exists(t.Local("b.txt")));
    QCOMPARE(t.reports, QStringList{Warning(text::kConnectionLost)});
    QCOMPARE(t.session.ConnectionState(), TConnectionState{});
  }

  // A queue start while one runs, or with nothing to do, changes nothing.
  void OnlyOneQueueAtATime() {
    FakeFtpScript script = LoggedInScript();
    Retr(Size(script, "a.txt", "213 5"), "a.txt", "new a");
    EndListing(script);
    FakeFtpServer server(script);
    QueueUnderTest t;
    QVERIFY2(t.LogIn(server), qPrintable(t.record.Log()));
    t.queue.StartDownload({}, t.local.Path());
    QVERIFY(!t.queue.Running());
    t.queue.StartDownload({"a.txt"}, t.local.Path());
    t.queue.StartDelete({"a.txt"});
    QCOMPARE(t.queue.QueueMode(), TQueueMode::qmDownload);
    QVERIFY2(t.WaitQueueEnd(), qPrintable(t.record.Log()));
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, Concat({SizeRetr("a.txt"), kListingCommands})),
             qPrintable(Joined(received)));
  }
};

VARNEL_QTEST(TransferQueueTest);

}  // namespace varnel::ui::testing

#include "transfer_queue_qtest.moc"
