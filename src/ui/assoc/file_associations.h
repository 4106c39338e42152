// The File Association Manager's model: the association table for the whole
// run, its file, the large-file flag and the lookups the panes and viewing
// use. The dialog binds its grid, edit boxes and buttons to Table().
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/unreadable_file.h"
#include "ui/assoc/association_table.h"
#include "ui/assoc/viewer_lookup.h"

namespace varnel::ui {

class FileAssociations {
 public:
  // `file_path` is the association file (the executable's name + ".EXT" in
  // the program folder).
  explicit FileAssociations(std::string file_path);

  const std::string& FilePath() const { return file_path_; }

  // Replaces the table with the file's rows. Returns the text to report, or
  // an empty text; rows that could be read are kept even then.
  std::string Load();
  // Rewrites the file from the table; true when it was written. `report`
  // gets the text to report, or empty. A file the last load could not read
  // is first kept aside (`report` says where); when that fails nothing is
  // written.
  bool Save(std::string& report);

  // Replaces the table by accepted scan results, saves, reloads and sorts.
  // Returns the text to report, or empty.
  std::string ApplyScanResults(std::vector<Association> results);

  AssociationTable& Table() { return table_; }
  const AssociationTable& Table() const { return table_; }

  // Set by every load: the file is missing or holds no rows.
  bool NoAssociations() const { return no_associations_; }

  bool Limit50k() const { return limit50k_; }
  void SetLimit50k(bool on) { limit50k_ = on; }

  // Where WordPad is looked for (DefaultWordPadPaths() unless replaced).
  void SetWordPadPaths(std::vector<std::string> paths) { wordpad_paths_ = std::move(paths); }

  ViewerLookup GetViewer(std::string_view path, bool report_missing) const;

 private:
  std::string file_path_;
  runtime::UnreadableFileKeeper keeper_;
  AssociationTable table_;
  bool no_associations_ = true;
  bool limit50k_ = false;
  std::vector<std::string> wordpad_paths_;
};

}  // namespace varnel::ui
