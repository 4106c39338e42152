#include "listing/listing_sort.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <string_view>

#include "listing/listing_text.h"

namespace varnel::listing {
namespace {

// What a row is ordered by under one column, computed once per row.
struct SortKey {
  std::string Name;  // upper-case caption
  std::string Text;  // Size: the size text; Type: the type key
  std::int64_t Time = std::numeric_limits<std::int64_t>::min();  // Date; unknown first
};

int Sign(int value) { return (value > 0) - (value < 0); }

// Byte-wise three-way comparison (std::string_view compares as unsigned char).
int CompareBytes(std::string_view first, std::string_view second) {
  return Sign(first.compare(second));
}

// The texts compared after the shorter got one blank in front.
int CompareShorterPrefixed(std::string_view first, std::string_view second) {
  if (first.size() == second.size()) {
    return CompareBytes(first, second);
  }
  const bool first_shorter = first.size() < second.size();
  std::string_view shorter = first_shorter ? first : second;
  std::string_view longer = first_shorter ? second : first;
  int result = Sign(static_cast<int>(' ') - static_cast<int>(static_cast<unsigned char>(longer[0])));
  if (result == 0) {
    result = CompareBytes(shorter, longer.substr(1));
  }
  return first_shorter ? result : -result;
}

SortKey MakeKey(const ListingRow& row, int column) {
  SortKey key;
  key.Name = UpperAscii(row.Caption);
  switch (column) {
    case kSortBySize:
      key.Text = row.SizeText;
      break;
    case kSortByType:
      // Folders (empty size text) get a blank in front, so they lead.
      key.Text = UpperAscii(row.TypeText);
      if (row.SizeText.empty()) key.Text.insert(key.Text.begin(), ' ');
      break;
    case kSortByDate:
      if (row.Modified.Known()) key.Time = row.Modified.Value.time_since_epoch().count();
      break;
    default:
      break;
  }
  return key;
}

// Three-way comparison of two keys, ties broken by the name. Breaking every
// tie the same way keeps the order consistent, which sorting needs.
int CompareKeys(const SortKey& key1, const SortKey& key2, int column) {
  int result = 0;
  switch (column) {
    case kSortBySize:
      result = CompareShorterPrefixed(key1.Text, key2.Text);
      break;
    case kSortByType:
      result = CompareBytes(key1.Text, key2.Text);
      break;
    case kSortByDate:
      result = (key1.Time > key2.Time) - (key1.Time < key2.Time);
      break;
    default:
      break;
  }
  return result != 0 ? result : CompareBytes(key1.Name, key2.Name);
}

}  // namespace

void ClickColumn(SortState& state, int column) {
  if (column < kSortByName || column > kSortByDate) {
    return;
  }
  state.Descending = column == state.Column ? !state.Descending : false;
  state.Column = column;
}

int lvwLocalCompare(const ListingRow& row1, const ListingRow& row2, int column, bool descending) {
  const int result = CompareKeys(MakeKey(row1, column), MakeKey(row2, column), column) > 0 ? 1 : -1;
  return descending ? -result : result;
}

std::vector<std::size_t> SortedOrder(const std::vector<ListingRow>& rows, const SortState& state) {
  std::vector<SortKey> keys;
  keys.reserve(rows.size());
  for (const ListingRow& row : rows) {
    keys.push_back(MakeKey(row, state.Column));
  }
  std::vector<std::size_t> order(rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return CompareKeys(keys[a], keys[b], state.Column) < 0;
  });
  if (state.Descending) {
    std::reverse(order.begin(), order.end());
  }
  return order;
}

void SortRows(std::vector<ListingRow>& rows, const SortState& state) {
  const std::vector<std::size_t> order = SortedOrder(rows, state);
  std::vector<ListingRow> sorted;
  sorted.reserve(rows.size());
  for (const std::size_t index : order) {
    sorted.push_back(std::move(rows[index]));
  }
  rows = std::move(sorted);
}

}  // namespace varnel::listing
