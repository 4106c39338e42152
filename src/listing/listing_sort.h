// The ordering that both panes share: by name, size, type or date, either
// direction, folders before files.
#pragma once

#include <string>
#include <vector>

#include "listing/listing_row.h"

namespace varnel::listing {

// Column numbers, in header order: "Name", "Size", "Type", "Date".
inline constexpr int kSortByName = 0;
inline constexpr int kSortBySize = 1;
inline constexpr int kSortByType = 2;
inline constexpr int kSortByDate = 3;

// A pane's sort column and direction.
struct SortState {
  int Column = kSortByName;
  bool Descending = false;
};

// A click on a column header (or a sort menu item): the same column again
// reverses the direction, another column starts ascending. Columns outside
// 0..3 leave the state alone.
void ClickColumn(SortState& state, int column);

// Gives the shorter of two texts one blank in front; texts of equal length
// stay as they are. Orders "9 KB" before "10 KB".
void PrefixShorterWithBlank(std::string& first, std::string& second);

// The shared compare routine: -1 when `row1` goes first, +1 when `row2` does.
// Name: upper-case captions. Size: size texts after PrefixShorterWithBlank.
// Type: upper-case type texts, a folder's with a blank in front. Date: the
// upper-case date texts, compared as text. A tie on size, type or date falls
// back to the name; a complete tie gives -1 (the first row stays first).
// Descending negates the result. Texts compare byte by byte; upper-casing
// touches ASCII letters only. Unknown columns sort by name.
int lvwLocalCompare(const ListingRow& row1, const ListingRow& row2, int column, bool descending);

// Orders a pane's rows as lvwLocalCompare does. Rows with equal keys keep
// their order ascending and appear reversed descending.
void SortRows(std::vector<ListingRow>& rows, const SortState& state);

}  // namespace varnel::listing
