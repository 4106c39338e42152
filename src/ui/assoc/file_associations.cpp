#include "ui/assoc/file_associations.h"

#include "ui/assoc/association_file.h"

namespace varnel::ui {
namespace {

std::string Joined(const std::string& first, const std::string& second) {
  if (first.empty() || second.empty()) return first + second;
  return first + "\n" + second;
}

}  // namespace

FileAssociations::FileAssociations(std::string file_path)
    : file_path_(std::move(file_path)), wordpad_paths_(DefaultWordPadPaths()) {}

std::string FileAssociations::Load() {
  LoadedAssociations loaded = LoadAssociationFile(file_path_, &keeper_);
  table_.Replace(std::move(loaded.rows));
  no_associations_ = table_.RowCount() == 0;
  return loaded.error;
}

bool FileAssociations::Save(std::string& report) {
  std::string error;
  if (!keeper_.BeforeSave(file_path_, report, error)) {
    report = error;
    return false;
  }
  if (SaveAssociationFile(file_path_, table_.Rows(), &error)) return true;
  report = Joined(report, error.empty() ? file_path_ + ": not saved" : error);
  return false;
}

std::string FileAssociations::ApplyScanResults(std::vector<Association> results) {
  table_.Replace(std::move(results));
  std::string report;
  if (!Save(report)) {
    // The results stay in force for this run even though the file kept its
    // old content.
    table_.Sort();
    return report;
  }
  report = Joined(report, Load());
  table_.Sort();
  return report;
}

ViewerLookup FileAssociations::GetViewer(std::string_view path, bool report_missing) const {
  return ui::GetViewer(table_.Rows(), path, report_missing, limit50k_, wordpad_paths_);
}

}  // namespace varnel::ui
