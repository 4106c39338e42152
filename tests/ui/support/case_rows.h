// Qt Test tables over a list of cases: each case (a struct with a `name`)
// is one _data() row, and the test function takes the case of its row.
#pragma once

#include <QTest>

#include <cstddef>
#include <vector>

namespace varnel::testing {

// In a _data() function: one row per case, named after it.
template <typename Case>
void AddCaseRows(const std::vector<Case>& cases) {
  QTest::addColumn<int>("row");
  for (std::size_t i = 0; i < cases.size(); ++i) {
    QTest::newRow(cases[i].name) << static_cast<int>(i);
  }
}

// In the test function: the case of the current row.
template <typename Case>
const Case& CurrentCase(const std::vector<Case>& cases) {
  QFETCH(int, row);
  return cases.at(static_cast<std::size_t>(row));
}

}  // namespace varnel::testing
