// One download or upload through the window, on the offscreen platform, as
// a user does it: the profile connects at start, the remote folder is
// entered, the file selected and the Download (or Upload) button clicked;
// the time runs from the click to the end of the queue (the size query,
// the transfer with its progress display, the listing that follows). The
// window keeps its files in a private folder (VARNEL_HOME).
//
// Usage: QT_QPA_PLATFORM=offscreen transfer_window_bench PORT REMOTE_FOLDER
//            get NAME LOCAL_FOLDER | put LOCAL_FOLDER NAME
// Logs in to 127.0.0.1:PORT as $VARNEL_BENCH_USER (default "anonymous") with
// the password $VARNEL_BENCH_PASSWORD, so no secret shows on a command line.
// Prints "seconds S" (click to end of queue) and the peak resident memory;
// bench/ftp/run.py reads the seconds.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QToolButton>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "ui/main/ftp_receive_form.h"
#include "ui/main/local_pane.h"
#include "ui/main/program_windows.h"
#include "ui/main/qt_loop_bridge.h"
#include "ui/main/remote_pane.h"
#include "ui/main/transfer_queue.h"
#include "ui/settings/profile_file.h"
#include "ui/settings/settings_file.h"

namespace {

using namespace varnel::ui;

constexpr int kSetUpLimitMs = 30000;
constexpr int kTransferLimitMs = 600000;

bool WaitUntil(const std::function<bool()>& done, int limit_ms = kSetUpLimitMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit_ms) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  return true;
}

bool SelectRow(TPaneViews& views, const QString& caption) {
  QTreeView* view = views.Details();
  const QModelIndexList found = view->model()->match(view->model()->index(0, 0),
                                                     Qt::DisplayRole, caption, 1,
                                                     Qt::MatchExactly);
  if (found.isEmpty()) return false;
  view->selectionModel()->setCurrentIndex(
      found.first(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  return true;
}

int Fail(const char* what) {
  std::fprintf(stderr, "transfer_window_bench: %s\n", what);
  return 1;
}

std::int64_t PeakKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr,
                 "usage: transfer_window_bench PORT REMOTE_FOLDER get NAME LOCAL_FOLDER | put "
                 "LOCAL_FOLDER NAME\n");
    return 2;
  }
  const std::string port = argv[1];
  const std::string remote_folder = argv[2];
  const bool get = std::string(argv[3]) == "get";
  const std::string name = get ? argv[4] : argv[5];
  const std::string local_folder = get ? argv[5] : argv[4];

  std::string home = (std::filesystem::temp_directory_path() / "varnel-window-bench-XXXXXX").string();
  if (!::mkdtemp(home.data())) return Fail("cannot make a program folder");
  ::setenv("VARNEL_HOME", home.c_str(), 1);
  struct RemoveOnExit {
    std::string folder;
    ~RemoveOnExit() { std::filesystem::remove_all(folder); }
  } program_folder{home};
  TProfileTable profiles;
  const char* user = std::getenv("VARNEL_BENCH_USER");
  const char* password = std::getenv("VARNEL_BENCH_PASSWORD");
  profiles.Append({"bench", "127.0.0.1", user ? user : "anonymous", password ? password : "bench"});
  WriteProfileFile(home + "/varnel-client.UCN", profiles);
  TStoredSettings stored;
  stored.LastLocalDir = local_folder;
  stored.LastConnection = "bench";
  stored.Settings.Port = port;
  stored.Settings.ActiveStart = true;
  SaveSettingsFile(home + "/varnel-client.INI", stored);

  int status = 0;
  double seconds = 0;
  {
    QApplication app(argc, argv);
    QtLoopBridge bridge;
    TProgramWindows windows(home + "/varnel-client");
    windows.Show();
    TFtpReceiveForm& form = windows.FtpReceiveForm();
    TFtpSession& session = form.Session();
    if (!WaitUntil([&] { return session.ConnectedAndIdle(); })) return Fail("no login");
    session.SetCurDir(remote_folder);
    session.CwdAsyncButtonClick();
    if (!WaitUntil([&] { return session.ConnectedAndIdle() && session.CurDir() == remote_folder; })) {
      return Fail("cannot enter the remote folder");
    }
    const bool selected = get ? SelectRow(form.RemoteFiles().Views(), QString::fromStdString(name))
                              : SelectRow(form.LocalFiles().Views(), QString::fromStdString(name));
    if (!selected) return Fail("the file is not listed");
    auto* button = qobject_cast<QToolButton*>(form.FindControl(get ? "btnDownload" : "btnUpload"));
    QElapsedTimer clock;
    clock.start();
    button->click();
    if (!WaitUntil([&] { return !form.Queue().Running() && session.ConnectedAndIdle(); },
                   kTransferLimitMs)) {
      status = Fail("the transfer did not end");
    }
    seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  }
  std::error_code missing;
  const auto bytes =
      static_cast<long long>(std::filesystem::file_size(local_folder + "/" + name, missing));
  std::printf("seconds %.6f\n%s %s: %.0f MiB/s, peak RSS %.1f MiB\n", seconds, get ? "get" : "put",
              name.c_str(), static_cast<double>(bytes) / 1048576.0 / seconds,
              static_cast<double>(PeakKiB()) / 1024.0);
  return status;
}
