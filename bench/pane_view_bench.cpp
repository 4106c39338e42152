// The panes as a user meets a large folder, on the offscreen platform:
// a remote listing of N entries from the listing file to the painted
// details view (parse, rows with type names and pictures, model, paint),
// a re-sort by each column in both directions (a header click, painted),
// and a local folder of N files from reading it to the painted view. Peak
// memory is the process's resident high-water mark.
//
// Usage: QT_QPA_PLATFORM=offscreen pane_view_bench [entries] [rounds]
//        (default 100000, 5; the local folder is made in $TMPDIR or /tmp)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QTreeView>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "listing/listing_parser.h"
#include "ui/main/file_pictures.h"
#include "ui/main/local_folder.h"
#include "ui/main/pane_lookups.h"
#include "ui/main/pane_model.h"
#include "ui/main/view_styles.h"

namespace {

using namespace varnel::ui;
using varnel::bench::MakeListing;
using varnel::bench::Median;
using varnel::bench::Milliseconds;

double PeakMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A details view of a pane as the window shows it, painted at once.
struct ShownPane {
  TPaneModel model;
  TPaneViews views{"lvwFileList", nullptr};

  explicit ShownPane(bool local) : model(std::make_shared<TFilePictures>(), local) {
    views.SetModel(&model);
    views.resize(900, 700);
    views.show();
    Paint();
  }
  void Paint() {
    QCoreApplication::processEvents();
    views.Details()->viewport()->repaint();
  }
};

// `numbered`: every file gets an extension of its own ("data-17.log.17"),
// as rotated logs have; else names keep the listing's few extensions.
std::string MakeFolder(int files, bool numbered) {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnel-pane-bench-XXXXXX";
  if (!::mkdtemp(folder.data())) return {};
  const std::string listing = MakeListing(files);
  // The generated listing's names, one file each.
  std::size_t at = 0;
  for (int i = 0; i < files && at < listing.size(); ++i) {
    const std::size_t end = listing.find("\r\n", at);
    const std::string line = listing.substr(at, end - at);
    at = end + 2;
    // The number goes before the extension, as in "data_0001234-17.txt".
    std::string name = line.substr(line.rfind(' ') + 1);
    name.insert(name.find('.'), "-" + std::to_string(i));
    if (numbered) name += "." + std::to_string(i);
    const int fd = ::open((folder + "/" + name).c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd >= 0) ::close(fd);
  }
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  UseDesktopIconTheme();
  const double start_mib = PeakMiB();

  const std::string listing_file =
      std::filesystem::temp_directory_path() / "varnel-bench-FTPDIR.TXT";
  std::ofstream(listing_file, std::ios::binary) << MakeListing(entries);
  const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());

  std::vector<double> shown;
  std::vector<std::vector<double>> sorted(8);
  for (int round = 0; round < rounds; ++round) {
    ShownPane pane(false);
    TPaneLookups lookups;
    shown.push_back(Milliseconds([&] {
      pane.model.SetRows(varnel::listing::ParseRemoteRowsFile(listing_file, now, lookups.Make()));
      pane.Paint();
    }));
    // Name descending, then each other column ascending and descending.
    const int clicks[] = {0, 1, 1, 2, 2, 3, 3, 0};
    for (int i = 0; i < 8; ++i) {
      sorted[static_cast<std::size_t>(i)].push_back(Milliseconds([&] {
        pane.model.ClickColumn(clicks[i]);
        pane.Paint();
      }));
    }
  }
  std::filesystem::remove(listing_file);
  const double remote_mib = PeakMiB();

  std::vector<double> local[2];
  double local_mib[2] = {0, 0};
  std::size_t local_rows = 0;
  for (const bool numbered : {false, true}) {
    const std::string folder = MakeFolder(entries, numbered);
    for (int round = 0; round < rounds; ++round) {
      ShownPane pane(true);
      TPaneLookups lookups;
      local[numbered].push_back(Milliseconds([&] {
        pane.model.SetRows(ReadLocalFolder(folder + "/", false, lookups.Make()).Rows);
        pane.Paint();
      }));
      local_rows = static_cast<std::size_t>(pane.model.RowCount());
    }
    std::filesystem::remove_all(folder);
    local_mib[numbered] = PeakMiB();
  }

  std::printf("entries: %d, rounds: %d (medians, ms)\n", entries, rounds);
  std::printf("remote listing file -> painted details view: %.0f\n", Median(shown));
  const char* names[] = {"name desc", "size asc", "size desc", "type asc",
                         "type desc", "date asc", "date desc", "name asc"};
  for (int i = 0; i < 8; ++i) {
    std::printf("re-sort %-10s: %.0f\n", names[i], Median(sorted[static_cast<std::size_t>(i)]));
  }
  std::printf("local folder (%zu rows) -> painted details view: %.0f\n", local_rows,
              Median(local[0]));
  std::printf("the same, every file with an extension of its own: %.0f\n", Median(local[1]));
  std::printf(
      "peak resident MiB: at start %.1f, after remote %.1f, after local %.1f, after the "
      "folder of extensions %.1f\n",
      start_mib, remote_mib, local_mib[0], local_mib[1]);
  return 0;
}
