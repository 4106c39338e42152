// The viewer scan: walks the program folders for the rule table's programs
// and proposes, per extension, the program found for it.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/assoc/association_table.h"
#include "ui/assoc/viewer_rules.h"

namespace varnel::ui {

// The directories of PATH (absolute ones only), /usr/local, /opt and
// ~/.local/bin, in this order.
std::vector<std::string> DefaultScanRoots();

// Folders never entered: /proc, /sys and /dev.
std::vector<std::string> DefaultExcludedFolders();

// The index of the path in `found` to use for a rule: the last one whose
// file name is `program`, replaced by the last one named `preferred` when
// that was found. Nothing when neither was found.
std::optional<std::size_t> PickViewer(const std::vector<std::string>& found,
                                      std::string_view program, std::string_view preferred);

// The viewer entry for a found program: its path, quoted where needed, and
// the program's waiting option.
std::string ViewerEntryFor(std::string_view path);

class ViewerScan {
 public:
  using FolderCallback = std::function<void(const std::string& folder)>;

  explicit ViewerScan(std::vector<std::string> roots,
                      std::vector<std::string> excluded = DefaultExcludedFolders(),
                      std::vector<ViewerRule> rules = ViewerRules());

  // Called once per folder before it is listed, on the thread that runs
  // the walk: the dialog shows the folder being walked.
  void SetFolderCallback(FolderCallback callback) { on_folder_ = std::move(callback); }

  // May be called from any thread while Run() is busy: the walk looks at the
  // request before every entry it reads or visits, so it stops at once.
  void RequestCancel() { cancel_requested_.store(true, std::memory_order_relaxed); }
  bool CancelRequested() const { return cancel_requested_.load(std::memory_order_relaxed); }

  // Walks every root depth-first, each folder's entries in name order, then
  // applies the rules. Returns false when a cancel was requested; the walk
  // then ends early, no rules are applied and Results() stays empty.
  bool Run();

  // Every executable found whose name is a target, in the order the walk met
  // them. Symbolic links to files count (under the link's path); links to
  // folders are not entered, nor folders whose names begin with a dot.
  const std::vector<std::string>& FoundPaths() const { return found_; }

  // One row per rule whose program was found, in rule order.
  const std::vector<Association>& Results() const { return results_; }

 private:
  struct Entry {
    std::string name;
    bool is_folder = false;
    bool is_target = false;
  };
  struct Frame {
    std::string folder;
    std::vector<Entry> entries;
    std::size_t next = 0;
  };

  void WalkRoot(const std::string& root);
  bool MayEnter(const std::string& folder);
  Frame OpenFrame(const std::string& folder);
  void PickResults();

  std::vector<std::string> roots_;
  std::vector<std::string> excluded_;
  std::vector<ViewerRule> rules_;
  std::vector<std::string> targets_;
  FolderCallback on_folder_;
  std::atomic<bool> cancel_requested_ = false;
  std::set<std::pair<unsigned long long, unsigned long long>> visited_;  // device, inode
  std::vector<std::string> found_;
  std::vector<Association> results_;
};

}  // namespace varnel::ui
