// What the panes ask per listed file, answered once per extension: the type
// name and the picture index of the association table (the MIME database
// behind a type name is far too slow to ask 100,000 times), and the date
// text of a local file in the desktop's locale.
#pragma once

#include <QString>

#include <map>
#include <memory>
#include <string>

#include "listing/listing_row.h"
#include "listing/listing_time.h"

namespace varnel::ui {

class TPaneLookups {
 public:
  // Lookups for MakeRemoteRows/MakeLocalRow; valid while this object lives.
  listing::ListingLookups Make();

 private:
  std::shared_ptr<std::map<std::string, std::string>> type_names_ =
      std::make_shared<std::map<std::string, std::string>>();
};

// A local file's time as the local pane shows it: the locale's short date,
// a blank and its long time without the zone; the date alone when the time
// is exactly midnight. Empty for an unknown time.
QString LocalDateText(const listing::EntryTime& time);

}  // namespace varnel::ui
