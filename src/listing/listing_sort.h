// The ordering that both panes share: by name, size, type or date, either
// direction, folders before files.
#pragma once

#include <cstddef>
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

// The shared compare routine: -1 when `row1` goes first, +1 when `row2` does.
// Name: upper-case captions. Size: size texts, the shorter of two texts of
// different lengths with one blank in front (so "9 KB" goes before "10 KB").
// Type: upper-case type texts, a folder's with a blank in
// front. Date: the rows' modification times, an unknown time first. A tie
// on size, type or date falls back to the name; a complete tie gives -1 (the
// first row stays first). Descending negates the result. Texts compare byte
// by byte; upper-casing touches ASCII letters only. Unknown columns sort by
// name.
int lvwLocalCompare(const ListingRow& row1, const ListingRow& row2, int column, bool descending);

// The order lvwLocalCompare gives `rows`, as indexes into `rows`: rows with
// equal keys keep their order ascending and appear reversed descending.
// Each row's key is computed once, so a comparison allocates nothing.
std::vector<std::size_t> SortedOrder(const std::vector<ListingRow>& rows, const SortState& state);

// Orders a pane's rows by SortedOrder.
void SortRows(std::vector<ListingRow>& rows, const SortState& state);

}  // namespace varnel::listing
