// A session under test: its own folder for the listing file, one profile
// "Fake" for the server of the test, and everything the session signals
// recorded as a user of the window would see it.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "runtime/test_temp_folder.h"
#include "ui/main/ftp_session.h"
#include "ui/main/qt_loop_bridge.h"

namespace varnel::ui::testing {

inline constexpr const char* kProfileName = "Fake";

// Waits (bounded) in Qt's loop, which also runs the engine's.
inline bool WaitFor(const std::function<bool()>& done, int timeout_ms = 10000) {
  return QTest::qWaitFor(done, timeout_ms);
}

struct SessionRecord {
  QStringList log;
  QStringList reports;   // "warning: text" / "error: text"
  QStringList warnings;  // boxes shown whatever the settings
  QStringList refusals;  // engine exceptions
  QStringList queue;     // "done 25", "failed 25 550", "size 1234", "size failed"
  int listings = 0;
  int cleared = 0;

  explicit SessionRecord(TFtpSession& session) {
    QObject::connect(&session, &TFtpSession::ftpLogLine, [this](const QString& l) { log << l; });
    QObject::connect(&session, &TFtpSession::messageReported,
                     [this](const QString& text, TReportKind kind) {
                       reports << (kind == TReportKind::Warning ? "warning: " : "error: ") + text;
                     });
    QObject::connect(&session, &TFtpSession::warningShown,
                     [this](const QString& text) { warnings << text; });
    QObject::connect(&session, &TFtpSession::requestRefused,
                     [this](const QString& text) { refusals << text; });
    QObject::connect(&session, &TFtpSession::remoteListingReady, [this] { ++listings; });
    QObject::connect(&session, &TFtpSession::remotePaneCleared, [this] { ++cleared; });
    QObject::connect(&session, &TFtpSession::queueStepDone,
                     [this](int request) { queue << QString("done %1").arg(request); });
    QObject::connect(&session, &TFtpSession::queueStepFailed, [this](int request, int error) {
      queue << QString("failed %1 %2").arg(request).arg(error);
    });
    QObject::connect(&session, &TFtpSession::sizeKnown,
                     [this](qint64 size) { queue << QString("size %1").arg(size); });
    QObject::connect(&session, &TFtpSession::sizeFailed, [this] { queue << "size failed"; });
  }

  // The request codes of the completions logged so far, in order.
  std::vector<int> Completions() const {
    std::vector<int> codes;
    for (const QString& line : log) {
      if (line.startsWith("Request ") && line.endsWith(" Done.")) {
        codes.push_back(line.section(' ', 1, 1).toInt());
      }
    }
    return codes;
  }
  QString Log() const { return log.join('\n'); }
};

struct SessionUnderTest {
  QtLoopBridge bridge;  // the engine's loop runs inside Qt's
  varnel::testing::TempFolder folder;
  TProfileTable profiles;
  TFtpSession session;
  SessionRecord record{session};

  SessionUnderTest() : session(folder.File("FTPDIR.TXT")) {}

  std::string Listing() const { return varnel::testing::ReadBytes(folder.File("FTPDIR.TXT")); }

  // Chooses the profile of a server on 127.0.0.1:`port` and connects.
  void Connect(const std::string& port, const std::string& user = "bob",
               const std::string& password = "secret") {
    profiles.Clear();
    profiles.Append({kProfileName, "127.0.0.1", user, password});
    TClientSettings settings;
    settings.Port = port;
    session.SetSettings(settings);
    session.cmbConnectionsClick(profiles, kProfileName);
    session.btnConnectClick(true);
  }

  // Waits until `count` completions were handled and the engine rests.
  bool WaitCompletions(std::size_t count, int timeout_ms = 10000) {
    return WaitFor(
        [&] {
          return record.Completions().size() >= count &&
                 session.FtpClient1().State() == ftp::ftpReady;
        },
        timeout_ms);
  }
};

}  // namespace varnel::ui::testing
