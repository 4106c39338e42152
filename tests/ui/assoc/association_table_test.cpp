#include "ui/assoc/association_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/assoc/viewer_lookup.h"

namespace varnel::ui {
namespace {

using Rows = std::vector<Association>;

AssociationTable TableOf(Rows rows) {
  AssociationTable table;
  table.Replace(std::move(rows));
  return table;
}

TEST(AssociationTableRows, EmptyTableHasNoSelectionAndDisabledBoxes) {
  AssociationTable table;
  EXPECT_EQ(table.SelectedRow(), 0);
  EXPECT_EQ(table.CurrentEditBoxes(), EditBoxes{});
  EXPECT_FALSE(table.Select(1));
  table.CopySelected();
  table.DeleteSelected();
  table.SetSelectedExtension("txt");
  EXPECT_EQ(table.RowCount(), 0);
}

TEST(AssociationTableRows, ReplaceSelectsTheFirstRow) {
  AssociationTable table = TableOf({{"TXT", "/a"}, {"BMP", "/b"}});
  EXPECT_EQ(table.SelectedRow(), 1);
  EXPECT_EQ(table.CurrentEditBoxes(), (EditBoxes{"TXT", "/a", true}));
  table.Replace({});
  EXPECT_EQ(table.SelectedRow(), 0);
  EXPECT_FALSE(table.CurrentEditBoxes().enabled);
}

TEST(AssociationTableRows, SelectRefusesTheHeaderAndRowsPastTheEnd) {
  AssociationTable table = TableOf({{"TXT", "/a"}, {"BMP", "/b"}});
  EXPECT_TRUE(table.Select(2));
  EXPECT_FALSE(table.Select(0));
  EXPECT_FALSE(table.Select(3));
  EXPECT_FALSE(table.Select(-1));
  EXPECT_EQ(table.SelectedRow(), 2);
}

TEST(AssociationTableRows, AddNewAppendsAnEmptySelectedRow) {
  AssociationTable table = TableOf({{"TXT", "/a"}});
  table.AddNew();
  EXPECT_EQ(table.Rows(), (Rows{{"TXT", "/a"}, {"", ""}}));
  EXPECT_EQ(table.SelectedRow(), 2);
  EXPECT_EQ(table.CurrentEditBoxes(), (EditBoxes{"", "", true}));
}

TEST(AssociationTableRows, CopyAppendsTheSelectedRowAndSelectsTheCopy) {
  AssociationTable table = TableOf({{"TXT", "/a"}, {"BMP", "/b"}});
  table.Select(1);
  table.CopySelected();  // the table grows while it copies from itself
  table.CopySelected();
  EXPECT_EQ(table.Rows(), (Rows{{"TXT", "/a"}, {"BMP", "/b"}, {"TXT", "/a"}, {"TXT", "/a"}}));
  EXPECT_EQ(table.SelectedRow(), 4);
}

TEST(AssociationTableRows, DeleteMovesTheRowsBelowUp) {
  AssociationTable table = TableOf({{"TXT", "/a"}, {"BMP", "/b"}, {"PDF", "/c"}});
  table.Select(2);
  table.DeleteSelected();
  EXPECT_EQ(table.Rows(), (Rows{{"TXT", "/a"}, {"PDF", "/c"}}));
  EXPECT_EQ(table.SelectedRow(), 2);
  EXPECT_EQ(table.CurrentEditBoxes(), (EditBoxes{"PDF", "/c", true}));
}

TEST(AssociationTableRows, DeletingTheLastRowSelectsTheNewLastRow) {
  AssociationTable table = TableOf({{"TXT", "/a"}, {"BMP", "/b"}});
  table.Select(2);
  table.DeleteSelected();
  EXPECT_EQ(table.SelectedRow(), 1);
  table.DeleteSelected();
  EXPECT_EQ(table.RowCount(), 0);
  EXPECT_EQ(table.SelectedRow(), 0);
  EXPECT_FALSE(table.CurrentEditBoxes().enabled);
}

TEST(AssociationTableRows, ClearRemovesEveryRow) {
  AssociationTable table = TableOf({{"TXT", "/a"}, {"BMP", "/b"}});
  table.Clear();
  EXPECT_EQ(table.RowCount(), 0);
  EXPECT_EQ(table.SelectedRow(), 0);
  table.AddNew();
  EXPECT_EQ(table.SelectedRow(), 1);
}

TEST(AssociationTableRows, TypedExtensionIsStoredInUpperCaseViewerAsTyped) {
  AssociationTable table = TableOf({{"TXT", "/a"}, {"BMP", "/b"}});
  table.Select(2);
  table.SetSelectedExtension(".jpg \xc3\xa4");
  table.SetSelectedViewer("/usr/bin/Eog --new-instance");
  EXPECT_EQ(table.Row(2), (Association{".JPG \xc3\xa4", "/usr/bin/Eog --new-instance"}));
  EXPECT_EQ(table.Row(1), (Association{"TXT", "/a"}));
}

TEST(AssociationTableSort, OrdersByExtensionWithoutRegardToCase) {
  AssociationTable table = TableOf({{"txt", "/t"}, {"BMP", "/b"}, {"Pdf", "/p"}, {"", "/e"}, {"ZIP", "/z"}});
  table.Select(3);
  table.Sort();
  EXPECT_EQ(table.Rows(), (Rows{{"", "/e"}, {"BMP", "/b"}, {"Pdf", "/p"}, {"txt", "/t"}, {"ZIP", "/z"}}));
  EXPECT_EQ(table.SelectedRow(), 1);
}

TEST(AssociationTableSort, ShorterExtensionFirstEvenWithHyphens) {
  AssociationTable table = TableOf({{"A-", "/2"}, {"A", "/1"}});
  table.Sort();
  EXPECT_EQ(table.Rows(), (Rows{{"A", "/1"}, {"A-", "/2"}}));
}

TEST(AssociationTableSort, EqualExtensionsKeepTheirOrderSoTheLookupStaysTheSame) {
  Rows rows;
  for (int i = 1; i <= 10; ++i) rows.push_back({i == 2 || i == 10 ? "TXT" : "X" + std::to_string(i), "/v" + std::to_string(i)});
  AssociationTable table = TableOf(rows);
  EXPECT_EQ(GetViewer(table.Rows(), "a.txt", false, false).viewer, "/v10");
  table.Sort();
  EXPECT_EQ(GetViewer(table.Rows(), "a.txt", false, false).viewer, "/v10");
}

}  // namespace
}  // namespace varnel::ui
