#include "ui/assoc/type_names.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <QString>
#include <array>
#include <utility>

#include "ui/assoc/assoc_text.h"

namespace varnel::ui {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 37> kFixedTypeNames{{
    {".exe", "Application"},
    {".hlp", "Help File"},
    {".mdb", "Microsoft Access Database"},
    {".doc", "Microsoft Word Document"},
    {".xls", "Microsoft Excel Worksheet"},
    {".mpp", "Microsoft Project Document"},
    {".ppt", "Microsoft Powerpoint Presentation"},
    {".txt", "Text Document"},
    {".log", "Text Document"},
    {".sys", "System File"},
    {".bat", "MS-DOS Batch File"},
    {".ini", "Configuration Settings"},
    {".com", "MS-DOS Application"},
    {".scr", "Screen Saver"},
    {".avi", "Video Clip"},
    {".bmp", "Bitmap Image"},
    {".inf", "Setup Information"},
    {".pnf", "Precompiled Setup Information"},
    {".wri", "Write Document"},
    {".rtf", "Rich Text Document"},
    {".dll", "Application Extension"},
    {".cnt", "Help Contents File"},
    {".chm", "Compiled HTML Help File"},
    {".msi", "Windows Installer Package"},
    {".cer", "Security Certificate"},
    {".wav", "Wave Sound"},
    {".drv", "Device Driver"},
    {".reg", "Registry Entries"},
    {".ani", "Animated Cursor"},
    {".cpl", "Control Panel Extension"},
    {".htm", "HTML Document"},
    {".html", "HTML Document"},
    {".ico", "Icon"},
    {".386", "Virtul Device Driver"},
    {".xml", "XML Document"},
    {".pdf", "Adobe Acrobat Document"},
    {".csv", "Microsoft Comma Separated Value File"},
}};

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

std::string FileSuffixedName(std::string_view s) {
  std::size_t p = assoc_text::Upper(s).find("FILE");
  if (p == std::string::npos) return std::string(s);
  return assoc_text::Upper(s.substr(0, p)) + " File";
}

}  // namespace

std::optional<std::string_view> FixedTypeName(std::string_view extension) {
  for (const auto& [ext, text] : kFixedTypeNames) {
    if (ext == extension) return text;
  }
  return std::nullopt;
}

std::optional<std::string> MimeTypeName(std::string_view extension) {
  QMimeDatabase database;
  // A neutral base name, so that only the extension's glob can match.
  QString probe = QStringLiteral("x") + QString::fromUtf8(extension.data(),
                                                          static_cast<qsizetype>(extension.size()));
  QList<QMimeType> types = database.mimeTypesForFileName(probe);
  if (types.isEmpty()) return std::nullopt;
  const QMimeType& type = types.front();
  // QMimeType::comment() falls back to the type's name when it has no description.
  if (type.comment().isEmpty() || type.comment() == type.name()) {
    return DescribeTypeName(type.name().toStdString());
  }
  return type.comment().toStdString();
}

std::string DescribeTypeName(std::string_view s) {
  std::string r;
  for (char ch : s) {
    if (IsLower(ch)) {
      r += ch;
    } else if (r.empty()) {
      r = ch;
    } else {
      if (r.back() == '.') {
        r.pop_back();
        r = std::string(assoc_text::Trim(r));
      }
      if (r.empty()) {
        r = ch;
      } else {
        if (IsLower(r.back())) r += ' ';
        r += ch;
      }
    }
  }
  if (r == s) return FileSuffixedName(s);
  std::string upper = assoc_text::Upper(r);
  if (upper.find("FILE") == std::string::npos && upper.find("DOCUMENT") == std::string::npos) {
    r += " File";
  }
  return r;
}

std::string GetFileTypeName(std::string_view name) {
  if (name.empty()) return {};
  std::string_view extension = assoc_text::ExtensionWithDot(name);
  // A trailing dot names no extension either.
  if (extension.size() <= 1) return "File";

  std::string lower = assoc_text::Lower(extension);
  if (auto fixed = FixedTypeName(lower)) return std::string(*fixed);

  std::string t;
  if (auto described = MimeTypeName(extension)) {
    t = std::move(*described);
  } else {
    t = assoc_text::Upper(extension) + " File";
  }
  if (t.empty()) t = std::string(extension);
  if (t.front() == '.') t.erase(0, 1);
  return t.empty() ? "File" : t;
}

}  // namespace varnel::ui
