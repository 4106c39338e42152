#include "ui/assoc/file_associations.h"

#include "ui/assoc/association_file.h"

namespace varnel::ui {

FileAssociations::FileAssociations(std::string file_path)
    : file_path_(std::move(file_path)), wordpad_paths_(DefaultWordPadPaths()) {}

std::string FileAssociations::Load() {
  LoadedAssociations loaded = LoadAssociationFile(file_path_);
  table_.Replace(std::move(loaded.rows));
  no_associations_ = table_.RowCount() == 0;
  return loaded.error;
}

std::string FileAssociations::Save() {
  std::string error;
  if (SaveAssociationFile(file_path_, table_.Rows(), &error)) return {};
  return error.empty() ? file_path_ + ": not saved" : error;
}

std::string FileAssociations::ApplyScanResults(std::vector<Association> results) {
  table_.Replace(std::move(results));
  std::string error = Save();
  if (!error.empty()) {
    // The results stay in force for this run even though the file kept its
    // old content.
    table_.Sort();
    return error;
  }
  error = Load();
  table_.Sort();
  return error;
}

ViewerLookup FileAssociations::GetViewer(std::string_view path, bool report_missing) const {
  return ui::GetViewer(table_.Rows(), path, report_missing, limit50k_, wordpad_paths_);
}

}  // namespace varnel::ui
