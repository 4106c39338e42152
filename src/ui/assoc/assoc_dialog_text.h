// The fixed texts of the File Association Manager and the drive scan.
#pragma once

namespace varnel::ui {

namespace file_assoc_text {
inline constexpr const char* kCaption = "File Association Manager";
inline constexpr const char* kFileHeader = "File";
inline constexpr const char* kViewerHeader = "Viewer Application";
inline constexpr const char* kExtensionLabel = "File Extension";
inline constexpr const char* kViewerLabel = "Viewer Application";
inline constexpr const char* kBrowseHint = "Browse...";
inline constexpr const char* kAddNewButton = "Add New";
inline constexpr const char* kCopyButton = "Copy";
inline constexpr const char* kDeleteButton = "Delete";
inline constexpr const char* kScanButton = "Scan...";
inline constexpr const char* kClearButton = "Clear";
inline constexpr const char* kOkButton = "Ok";
inline constexpr const char* kCancelButton = "Cancel";
inline constexpr const char* kWordpadCheck =
    "Use Wordpad (instead of Notepad) for files over 50Kb (Win 95/98)";
inline constexpr const char* kOpenDialogTitle = "Viewer Application";
inline constexpr const char* kNoAssociationsQuestion =
    "There are no file associations defined. Do you want to automatically setup common file "
    "types?";
inline constexpr const char* kClearQuestion =
    "You are about to remove ALL file associations. Are you really sure that you want to do "
    "this?";
inline constexpr const char* kScanQuestion =
    "You are about to scan for automatic file associations. Doing so will remove ALL existing "
    "associations. Are you sure that you want to proceed?";
}  // namespace file_assoc_text

namespace drive_scan_text {
inline constexpr const char* kCaption = "Drive Scan...";
inline constexpr const char* kScanningNote =
    "Your machine is currently being scanned for file associations. This process may take "
    "several minutes. To abort the process, hit the Cancel button below";
inline constexpr const char* kCompleteNote =
    "Scanning process completed. Please click the Ok button below to exit this dialog and return "
    "to the File Association Manager";
inline constexpr const char* kScanningPhase = "Scanning...";
inline constexpr const char* kCompletePhase = "Scan Complete";
inline constexpr const char* kCancelButton = "Cancel";
inline constexpr const char* kOkButton = "Ok";
}  // namespace drive_scan_text

}  // namespace varnel::ui
