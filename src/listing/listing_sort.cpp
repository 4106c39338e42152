#include "listing/listing_sort.h"

#include <algorithm>

#include "listing/listing_text.h"

namespace varnel::listing {
namespace {

// Byte-wise three-way comparison (std::string compares as unsigned char).
int CompareBytes(const std::string& first, const std::string& second) {
  const int result = first.compare(second);
  return (result > 0) - (result < 0);
}

int CompareNames(const ListingRow& row1, const ListingRow& row2) {
  return CompareBytes(UpperAscii(row1.Caption), UpperAscii(row2.Caption));
}

int CompareSizes(const ListingRow& row1, const ListingRow& row2) {
  std::string first = row1.SizeText;
  std::string second = row2.SizeText;
  PrefixShorterWithBlank(first, second);
  return CompareBytes(first, second);
}

// Folders (empty size text) get a blank in front, so they lead the order.
std::string TypeKey(const ListingRow& row) {
  std::string key = UpperAscii(row.TypeText);
  return row.SizeText.empty() ? " " + key : key;
}

// Three-way comparison of the sort keys, ties broken by the name. Breaking
// every tie the same way keeps the order consistent, which sorting needs.
int CompareKeys(const ListingRow& row1, const ListingRow& row2, int column) {
  int result = 0;
  switch (column) {
    case kSortBySize:
      result = CompareSizes(row1, row2);
      break;
    case kSortByType:
      result = CompareBytes(TypeKey(row1), TypeKey(row2));
      break;
    case kSortByDate:
      result = CompareBytes(UpperAscii(row1.DateText), UpperAscii(row2.DateText));
      break;
    default:
      break;
  }
  return result != 0 ? result : CompareNames(row1, row2);
}

}  // namespace

void ClickColumn(SortState& state, int column) {
  if (column < kSortByName || column > kSortByDate) {
    return;
  }
  state.Descending = column == state.Column ? !state.Descending : false;
  state.Column = column;
}

void PrefixShorterWithBlank(std::string& first, std::string& second) {
  if (first.size() < second.size()) {
    first.insert(0, 1, ' ');
  } else if (second.size() < first.size()) {
    second.insert(0, 1, ' ');
  }
}

int lvwLocalCompare(const ListingRow& row1, const ListingRow& row2, int column, bool descending) {
  const int result = CompareKeys(row1, row2, column) > 0 ? 1 : -1;
  return descending ? -result : result;
}

void SortRows(std::vector<ListingRow>& rows, const SortState& state) {
  std::stable_sort(rows.begin(), rows.end(), [&state](const ListingRow& a, const ListingRow& b) {
    return CompareKeys(a, b, state.Column) < 0;
  });
  if (state.Descending) {
    std::reverse(rows.begin(), rows.end());
  }
}

}  // namespace varnel::listing
