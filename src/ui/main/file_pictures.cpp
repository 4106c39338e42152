#include "ui/main/file_pictures.h"

#include <QApplication>
#include <QDir>
#include <QMimeDatabase>
#include <QPainter>
#include <QStandardPaths>
#include <QStyle>

#include "ui/assoc/file_icons.h"

namespace varnel::ui {
namespace {

// Theme names of the association table's icon groups (index 1 ... 41); an
// empty name leaves the group to the MIME database.
constexpr const char* kGroupIcons[] = {
    "folder",                    // 0 folder
    "",                          // 1 any other
    "text-x-generic",            // 2 INI INF
    "image-x-generic",           // 3 BMP
    "application-x-executable",  // 4 EXE COM BIN CMD
    "application-x-sharedlib",   // 5 SYS DLL ...
    "x-office-document",         // 6 DOC RTF DOT
    "x-office-spreadsheet",      // 7 XLS XLB XLC CSV
    "text-x-generic",            // 8 TXT LOG
    "x-office-document",         // 9 MPP MPD
    "application-pdf",           // 10 PDF FDF
    "application-x-executable",  // 11 PIF
    "help-contents",             // 12 HLP
    "text-x-script",             // 13 PAS
    "package-x-generic",         // 14 ZIP ARC ARJ SIT Z TAR
    "text-x-script",             // 15 DPR BPG
    "text-x-generic",            // 16 DFM
    "package-x-generic",         // 17 DPK
    "video-x-generic",           // 18 AVI FLI FLC QT
    "application-x-executable",  // 19 SCR
    "audio-x-generic",           // 20 WAV MP3 SND
    "x-office-document",         // 21 WRI
    "font-x-generic",            // 22 FON PFM
    "font-x-generic",            // 23 TTF
    "help-contents",             // 24 CHM
    "package-x-generic",         // 25 MSI
    "application-certificate",   // 26 CER P7B SPC CRT DER
    "x-office-presentation",     // 27 PPT PPS
    "text-html",                 // 28 URL HTM HTML
    "x-office-spreadsheet",      // 29 MDB MDN
    "text-x-generic",            // 30 CAT
    "x-office-spreadsheet",      // 31 DBF
    "mail-message",              // 32 MSG OFT
    "x-office-drawing",          // 33 GRA
    "text-x-generic",            // 34 INS ISP
    "image-x-generic",           // 35 PSP
    "image-x-generic",           // 36 JPG GIF
    "image-x-generic",           // 37 JBF
    "video-x-generic",           // 38 MOV
    "package-x-generic",         // 39 CAB
    "text-x-script",             // 40 BAT
    "text-xml",                  // 41 XML
};
static_assert(std::size(kGroupIcons) == kLastFileIconIndex + 1);

QIcon StyleIcon(QStyle::StandardPixmap pixmap) {
  return QApplication::style()->standardIcon(pixmap);
}

QIcon ThemeIcon(const QString& name) {
  return !name.isEmpty() && QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : QIcon();
}

// `base` with the theme's link emblem in its lower left corner, at the
// sizes the panes use.
QIcon WithLinkEmblem(const QIcon& base, bool folder) {
  const QIcon emblem = ThemeIcon("emblem-symbolic-link");
  if (emblem.isNull()) return StyleIcon(folder ? QStyle::SP_DirLinkIcon : QStyle::SP_FileLinkIcon);
  QIcon linked;
  for (const int size : {16, 22, 24, 32, 48, 64}) {
    QPixmap picture = base.pixmap(size, size);
    {
      QPainter painter(&picture);
      const int mark = size / 2;
      painter.drawPixmap(0, size - mark, emblem.pixmap(mark, mark));
    }
    linked.addPixmap(picture);
  }
  return linked;
}

}  // namespace

TFilePictures::TFilePictures() = default;

int TFilePictures::SlotFor(const listing::ListingRow& row) {
  const bool folder = listing::IsFolderRow(row);
  const int picture = folder ? kFolderIconIndex : row.PictureIndex;
  const bool grouped = folder || (picture > kOtherFileIconIndex && picture <= kLastFileIconIndex);
  const QString name = grouped ? QString::fromLatin1(kGroupIcons[picture]) : MimeIconName(row);
  const std::pair<QString, bool> key{name, row.Link};
  if (const auto found = slots_.find(key); found != slots_.end()) return found->second;

  QIcon icon = ThemeIcon(name);
  if (icon.isNull()) icon = StyleIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
  if (row.Link) icon = WithLinkEmblem(icon, folder);
  icons_.push_back(std::move(icon));
  const int slot = static_cast<int>(icons_.size()) - 1;
  slots_.emplace(key, slot);
  return slot;
}

// The MIME database's icon for the row's extension that the theme has, else
// the icon of an unknown file. Asked once per extension, and not at all
// where the type name already says that no type is known ("XYZ File"): a
// folder of rotated logs (".1" ... ".99999") has as many extensions as
// files, and each question costs some 30 microseconds.
QString TFilePictures::MimeIconName(const listing::ListingRow& row) {
  const QString unknown = QStringLiteral("application-x-generic");
  const std::string extension = listing::UpperExtension(row.Caption);
  if (extension.empty() || row.TypeText == extension + " File") return unknown;
  if (const auto found = mime_icons_.find(extension); found != mime_icons_.end()) {
    return found->second;
  }
  static const QMimeDatabase database;
  QString chosen = unknown;
  const QList<QMimeType> types =
      database.mimeTypesForFileName("x." + QString::fromUtf8(extension).toLower());
  for (const QMimeType& type : types) {
    for (const QString& name : {type.iconName(), type.genericIconName()}) {
      if (HasIcon(name)) {
        chosen = name;
        break;
      }
    }
    if (chosen != unknown) break;
  }
  mime_icons_.emplace(extension, chosen);
  return chosen;
}

bool TFilePictures::HasIcon(const QString& name) {
  auto found = theme_has_.find(name);
  if (found == theme_has_.end()) found = theme_has_.emplace(name, !ThemeIcon(name).isNull()).first;
  return found->second;
}

void UseDesktopIconTheme() {
  if (!QIcon::themeName().isEmpty()) return;
  QStringList paths = QIcon::themeSearchPaths();
  for (const QString& data :
       QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
    paths << data + "/icons";
  }
  QIcon::setThemeSearchPaths(paths);
  for (const QString& path : paths) {
    if (QDir(path + "/Adwaita").exists()) {
      QIcon::setThemeName("Adwaita");
      return;
    }
  }
  QIcon::setThemeName("hicolor");
}

}  // namespace varnel::ui
