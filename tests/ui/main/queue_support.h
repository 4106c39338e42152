// The transfer queue on a session of its own (no window), against the
// scripted server: what the queue shows, reports and asks for, recorded;
// and the script pieces of its steps.
#pragma once

#include <QStringList>

#include <filesystem>
#include <functional>
#include <string>

#include "fake_script_support.h"
#include "session_support.h"
#include "ui/main/transfer_queue.h"

namespace varnel::ui::testing {

using ftp::testing::FakeFtpServer;

inline constexpr const char* kHomeDir = "/home/bob";

struct QueueUnderTest : SessionUnderTest {
  TTransferQueue queue{session};
  varnel::testing::TempFolder local;
  QStringList labels;    // progress labels, as shown
  QStringList reports;   // "warning: text" / "error: text"
  QStringList warnings;  // boxes shown whatever the settings
  int reconnects = 0;
  int local_refreshes = 0;
  // Answers the queue's request to run the viewer on a cached copy.
  std::function<void(const std::string& copy)> viewer = [this](const std::string&) {
    queue.ViewerDone(false);
  };

  QueueUnderTest() {
    QObject::connect(&queue, &TTransferQueue::progressShown,
                     [this](qint64, qint64, const QString& label, const QString&) {
                       labels << label;
                     });
    QObject::connect(&queue, &TTransferQueue::messageReported,
                     [this](const QString& text, TReportKind kind) {
                       reports << (kind == TReportKind::Warning ? "warning: " : "error: ") + text;
                     });
    QObject::connect(&queue, &TTransferQueue::warningShown,
                     [this](const QString& text) { warnings << text; });
    QObject::connect(&queue, &TTransferQueue::reconnectRequested, [this] { ++reconnects; });
    QObject::connect(&queue, &TTransferQueue::localRefreshRequested,
                     [this] { ++local_refreshes; });
    QObject::connect(&queue, &TTransferQueue::viewerRequested,
                     [this](const QString& path) { viewer(path.toStdString()); });
  }

  // Logs in to `server` and waits until the window is idle.
  bool LogIn(const FakeFtpServer& server) {
    Connect(server.PortText());
    return WaitFor([&] { return session.ConnectedAndIdle() && session.CurDir() == kHomeDir; });
  }

  // Waits until the queue has ended and the window is idle again.
  bool WaitQueueEnd(int timeout_ms = 10000) {
    return WaitFor(
        [&] {
          return !queue.Running() && session.ConnectedAndIdle() &&
                 session.FtpClient1().State() == ftp::ftpReady;
        },
        timeout_ms);
  }

  std::string Local(const std::string& name) const { return local.File(name); }

  // The names in the local folder, temporary files included.
  QStringList LocalNames() const {
    QStringList names;
    for (const auto& entry : std::filesystem::directory_iterator(local.Path())) {
      names << QString::fromStdString(entry.path().filename().string());
    }
    names.sort();
    return names;
  }
};

// ---- script pieces ----

inline FakeFtpScript& Size(FakeFtpScript& s, const std::string& name, const std::string& reply) {
  return s.Expect("SIZE " + name).Reply(reply + "\r\n");
}

inline FakeFtpScript& Retr(FakeFtpScript& s, const std::string& name, const std::string& bytes) {
  s.ExpectPort().Expect("RETR " + name).OpenData().Reply("150 Sending\r\n");
  return s.SendData(bytes).CloseData().Reply("226 Sent\r\n");
}

inline FakeFtpScript& RetrRefused(FakeFtpScript& s, const std::string& name,
                                  const std::string& reply) {
  return s.ExpectPort().Expect("RETR " + name).Reply(reply + "\r\n");
}

inline FakeFtpScript& Stor(FakeFtpScript& s, const std::string& name,
                           const std::string& reply = "226 Stored") {
  s.ExpectPort().Expect("STOR " + name).OpenData().Reply("150 Ok to send\r\n");
  return s.ReceiveData().Reply(reply + "\r\n");
}

// The listing at the end of a queue, in the home directory.
inline FakeFtpScript& EndListing(FakeFtpScript& s) {
  return ListingReplies(s, PwdReply(kHomeDir));
}

inline const Lines kEndCommands{"PORT 127,0,0,1,*", "LIST", "PWD"};

inline Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Lines SizeRetr(const std::string& name) {
  return {"SIZE " + name, "PORT 127,0,0,1,*", "RETR " + name};
}

}  // namespace varnel::ui::testing
