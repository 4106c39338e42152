// Helpers of the listing tests: stand-in association lookups (the type name
// and the picture follow from the name, every extension asked for is
// recorded), fixed clock readings, entries as comparable fields, and the
// naming of table rows.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "listing/listing_entry.h"
#include "listing/listing_row.h"

namespace varnel::listing::testing {

inline constexpr int kTextPicture = 7;
inline constexpr int kOtherPicture = 9;

struct RecordingLookups {
  std::vector<std::string> Extensions;

  ListingLookups Make() {
    ListingLookups lookups;
    lookups.TypeName = [](const std::string& name) {
      const std::string extension = UpperExtension(name);
      return extension.empty() ? std::string("File") : extension + " File";
    };
    lookups.IconIndex = [this](const std::string& extension) {
      Extensions.push_back(extension);
      return extension == "TXT" ? kTextPicture : kOtherPicture;
    };
    return lookups;
  }
};

// "2026-12-09T12:00:00" as a UTC time.
inline std::chrono::sys_seconds Utc(const std::string& text) {
  int y = 0;
  unsigned mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::sscanf(text.c_str(), "%d-%u-%uT%u:%u:%u", &y, &mo, &d, &h, &mi, &s) != 6) {
    ADD_FAILURE() << "bad time " << text;
  }
  using namespace std::chrono;
  return sys_days(year(y) / month(mo) / day(d)) + hours(h) + minutes(mi) + seconds(s);
}

// The clock of the listing tests: the day after the fixtures were captured.
inline const std::chrono::sys_seconds kNow = Utc("2026-12-09T12:00:00");

// An entry's parsed fields, its time as Iso8601 text (which shows the
// precision too).
struct EntryFields {
  std::string Name;
  EntryKind Kind = EntryKind::kUnknown;
  std::int64_t Size = kUnknownSize;
  std::string Modified;
  std::string Target;
  std::string Permissions;
  std::string Owner;
  std::string Group;

  friend bool operator==(const EntryFields&, const EntryFields&) = default;
  friend void PrintTo(const EntryFields& f, std::ostream* out) {
    static const char* const kKinds[] = {"unknown", "file", "folder", "link"};
    *out << "{\"" << f.Name << "\", " << kKinds[static_cast<int>(f.Kind)] << ", " << f.Size
         << ", \"" << f.Modified << "\", \"" << f.Target << "\", \"" << f.Permissions << "\", \""
         << f.Owner << "\", \"" << f.Group << "\"}";
  }
};

inline EntryFields FieldsOf(const ListingEntry& entry) {
  return {entry.Name,        entry.Kind,  entry.Size,  Iso8601(entry.Modified),
          entry.LinkTarget, entry.Permissions, entry.Owner, entry.Group};
}

// Names a table row's test after its Label field.
struct CaseLabel {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& row) const {
    return row.param.Label;
  }
};

}  // namespace varnel::listing::testing
