#include "ui/main/pane_lookups.h"

#include <QDateTime>
#include <QLocale>

#include "ui/assoc/assoc_text.h"
#include "ui/assoc/file_icons.h"
#include "ui/assoc/type_names.h"

namespace varnel::ui {
namespace {

// The locale's long time form without its time zone ("HH:mm:ss t").
QString TimeFormat(const QLocale& locale) {
  QString format = locale.timeFormat(QLocale::LongFormat);
  format.remove('t');
  return format.trimmed();
}

}  // namespace

listing::ListingLookups TPaneLookups::Make() {
  listing::ListingLookups lookups;
  lookups.TypeName = [names = type_names_](const std::string& name) {
    if (name.empty()) return std::string();
    // The type name follows from the extension alone.
    const std::string extension(assoc_text::ExtensionWithDot(name));
    auto found = names->find(extension);
    if (found == names->end()) found = names->emplace(extension, GetFileTypeName(name)).first;
    return found->second;
  };
  lookups.IconIndex = [](const std::string& extension) { return GetFileIconIndex(extension); };
  return lookups;
}

QString LocalDateText(const listing::EntryTime& time) {
  if (!time.Known()) return {};
  static const QLocale locale;
  static const QString date_format = locale.dateFormat(QLocale::ShortFormat);
  static const QString time_format = TimeFormat(locale);
  const QDateTime local =
      QDateTime::fromSecsSinceEpoch(time.Value.time_since_epoch().count(), Qt::LocalTime);
  const QString date = locale.toString(local.date(), date_format);
  if (local.time() == QTime(0, 0)) return date;
  return date + " " + locale.toString(local.time(), time_format);
}

}  // namespace varnel::ui
