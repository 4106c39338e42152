#include "ui/settings/connection_profiles.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace varnel::ui {
namespace {

TProfileTable TableOf(std::initializer_list<TConnectionProfile> profiles) {
  TProfileTable table;
  for (const TConnectionProfile& profile : profiles) table.Append(profile);
  return table;
}

TEST(ProfileTableTest, HoldsAtMostMaxProfiles) {
  TProfileTable table;
  for (int i = 0; i < MaxProfiles; ++i) ASSERT_TRUE(table.Append({std::to_string(i), "", "", ""}));
  EXPECT_TRUE(table.Full());
  EXPECT_FALSE(table.Append({"one too many", "", "", ""}));
  EXPECT_EQ(table.ProfileCount(), MaxProfiles);
  EXPECT_EQ(table.Profile(MaxProfiles - 1).Name, "100");
  EXPECT_THROW(table.Profile(MaxProfiles), std::out_of_range);
}

TEST(ProfileTableTest, RemoveMovesTheRestUp) {
  TProfileTable table = TableOf({{"a", "1", "", ""}, {"b", "2", "", ""}, {"c", "3", "", ""}});
  table.Remove(0);
  EXPECT_EQ(table.Names(), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(table.Profile(0).Address, "2");
  EXPECT_THROW(table.Profile(2), std::out_of_range);
  EXPECT_THROW(table.Remove(-1), std::out_of_range);
  EXPECT_THROW(table.Remove(2), std::out_of_range);
  table.Remove(1);
  table.Remove(0);
  EXPECT_EQ(table.ProfileCount(), 0);
  EXPECT_TRUE(table.Append({"again", "", "", ""}));
  EXPECT_EQ(table.Profile(0).Address, "") << "a freed slot keeps no old field";
}

struct LookupCase {
  const char* name;
  const char* text;
  int exact;    // FindProfileByName
  int folded;   // FindNameIgnoringCase
  int reselect; // ReselectIndex
};

class ProfileLookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ProfileLookupTest, MatchesAsTheMainWindowDoes) {
  TProfileTable table = TableOf({{"Home", "h1", "", ""},
                                 {"work", "w", "", ""},
                                 {"Home", "h2", "", ""},
                                 {"HOME", "h3", "", ""}});
  EXPECT_EQ(FindProfileByName(table, GetParam().text), GetParam().exact);
  EXPECT_EQ(FindNameIgnoringCase(table.Names(), GetParam().text), GetParam().folded);
  EXPECT_EQ(ReselectIndex(table.Names(), GetParam().text), GetParam().reselect);
}

INSTANTIATE_TEST_SUITE_P(Names, ProfileLookupTest,
                         ::testing::Values(LookupCase{"last_exact_wins", "Home", 2, 0, 0},
                                           LookupCase{"case_counts_exactly", "HOME", 3, 0, 0},
                                           LookupCase{"folded_only", "WORK", -1, 1, 1},
                                           LookupCase{"unknown", "gone", -1, -1, 0},
                                           LookupCase{"empty_text", "", -1, -1, 0}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(ProfileLookupTest, ReselectOnEmptyListSelectsNothing) {
  EXPECT_EQ(ReselectIndex({}, "Home"), -1);
}

TEST(ProfileChoiceTest, TakesTheLastEqualProfileOrFallsBack) {
  TProfileTable table = TableOf({{"Same", "first.host", "u1", "p1"}, {"Same", "second.host", "u2", "p2"}});
  EXPECT_EQ(ChooseProfile(table, "Same"), (TProfileChoice{"u2", "p2", "second.host"}));
  EXPECT_EQ(ChooseProfile(table, "same"), (TProfileChoice{"", "", "127.0.0.1"}));
  EXPECT_EQ(ChooseProfile(TProfileTable{}, ""), (TProfileChoice{"", "", "127.0.0.1"}));
}

}  // namespace
}  // namespace varnel::ui
