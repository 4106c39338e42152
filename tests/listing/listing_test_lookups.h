// Helpers of the listing tests: stand-in association lookups (the type name
// and the picture follow from the name, every extension asked for is
// recorded) and the naming of table rows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Names a table row's test after its Label field.
struct CaseLabel {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& row) const {
    return row.param.Label;
  }
};

}  // namespace varnel::listing::testing
