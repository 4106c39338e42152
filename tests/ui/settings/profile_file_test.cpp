#include "ui/settings/profile_file.h"

#include <gtest/gtest.h>

#include "runtime/test_temp_folder.h"

namespace varnel::ui {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

TProfileTable TableOf(std::initializer_list<TConnectionProfile> profiles) {
  TProfileTable table;
  for (const TConnectionProfile& profile : profiles) table.Append(profile);
  return table;
}

TEST(ProfileFileTest, EmptyTableIsTheSingleLineZero) {
  EXPECT_EQ(FormatProfiles(TProfileTable{}), "0\r\n");
}

TEST(ProfileFileTest, FieldsGoInFileOrder) {
  TProfileTable table = TableOf({{"Name", "host.example", "user", "pw"}});
  EXPECT_EQ(FormatProfiles(table), "1\r\nName\r\nuser\r\npw\r\nhost.example\r\n");
}

TEST(ProfileFileTest, FormattedTablesParseBackByteForByte) {
  TProfileTable table = TableOf({{"A", "10.0.0.1", "anonymous", ""},
                                 {"", "", "", ""},
                                 {"K\xC3\xB6ln ;=[x]", " spaced ", "u", "p w"},
                                 {"A", "dup", "x", "y"}});
  const std::string bytes = FormatProfiles(table);
  TProfileTable parsed = ParseProfiles(bytes);
  EXPECT_EQ(parsed, table);
  EXPECT_EQ(FormatProfiles(parsed), bytes);
}

TEST(ProfileFileTest, LineBreaksInFieldsCannotShiftRecords) {
  TProfileTable table = TableOf({{"a\r\nb", "h\rx", "u\nv", "p"}, {"next", "h2", "u2", "p2"}});
  TProfileTable parsed = ParseProfiles(FormatProfiles(table));
  ASSERT_EQ(parsed.ProfileCount(), 2);
  EXPECT_EQ(parsed.Profile(0), (TConnectionProfile{"a  b", "h x", "u v", "p"}));
  EXPECT_EQ(parsed.Profile(1), table.Profile(1));
}

struct CountCase {
  const char* name;
  std::string count_line;
  int expected;  // -1: "Invalid numeric input"
};

class CountLineTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountLineTest, ReadsOrRefuses) {
  std::string bytes = GetParam().count_line + "\r\n";
  for (int k = 0; k < 120; ++k) {
    bytes += "n" + std::to_string(k) + "\r\nu\r\np\r\na\r\n";
  }
  if (GetParam().expected < 0) {
    try {
      ParseProfiles(bytes);
      FAIL() << "accepted";
    } catch (const EProfileFileError& error) {
      EXPECT_STREQ(error.what(), "Invalid numeric input");
    }
    return;
  }
  TProfileTable table = ParseProfiles(bytes);
  ASSERT_EQ(table.ProfileCount(), GetParam().expected);
  if (table.ProfileCount() > 0) {
    EXPECT_EQ(table.Profile(table.ProfileCount() - 1).Name,
              "n" + std::to_string(table.ProfileCount() - 1));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CountLineTest,
    ::testing::Values(CountCase{"plain", "2", 2}, CountCase{"zero", "0", 0},
                      CountCase{"blanks", " \t3 ", 3}, CountCase{"plus", "+1", 1},
                      CountCase{"leading_zeros", "007", 7}, CountCase{"full", "101", 101},
                      CountCase{"above_table", "102", 101}, CountCase{"far_above", "500", 101},
                      CountCase{"overflowing", "99999999999999999999", 101},
                      CountCase{"negative", "-3", 0}, CountCase{"negative_huge", "-99999999999", 0},
                      CountCase{"letters", "abc", -1}, CountCase{"trailing_letters", "2x", -1},
                      CountCase{"empty", "", -1}, CountCase{"sign_only", "-", -1},
                      CountCase{"hex", "0x10", -1}, CountCase{"inner_blank", "1 2", -1},
                      CountCase{"nul", std::string("1\0", 2), -1}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ProfileFileTest, ShortFileGivesEmptyFields) {
  TProfileTable table = ParseProfiles("3\r\nfirst\r\nuser");
  ASSERT_EQ(table.ProfileCount(), 3);
  EXPECT_EQ(table.Profile(0), (TConnectionProfile{"first", "", "user", ""}));
  EXPECT_EQ(table.Profile(2), TConnectionProfile{});
}

TEST(ProfileFileTest, AnyLineEndIsAccepted) {
  TProfileTable table = ParseProfiles("2\nA\nu\rp\r\nh\nB\r\r\r");
  ASSERT_EQ(table.ProfileCount(), 2);
  EXPECT_EQ(table.Profile(0), (TConnectionProfile{"A", "h", "u", "p"}));
  EXPECT_EQ(table.Profile(1), (TConnectionProfile{"B", "", "", ""}));
}

TEST(ProfileFileTest, EmptyFileHoldsNoProfile) {
  EXPECT_EQ(ParseProfiles("").ProfileCount(), 0);
}

TEST(ProfileFileDiskTest, MissingFileGivesAnEmptyTableAndIsNotCreated) {
  TempFolder folder;
  EXPECT_EQ(ReadProfileFile(folder.File("x.UCN")).ProfileCount(), 0);
  EXPECT_FALSE(testing::Exists(folder.File("x.UCN")));
}

TEST(ProfileFileDiskTest, UnreadableFileNamesTheReason) {
  TempFolder folder;
  try {
    ReadProfileFile(folder.Path());
    FAIL() << "read a folder";
  } catch (const EProfileFileError& error) {
    EXPECT_NE(std::string(error.what()).find(folder.Path()), std::string::npos) << error.what();
  }
}

TEST(ProfileFileDiskTest, WriteIsPrivateAndReadsBack) {
  TempFolder folder;
  const std::string path = folder.File("x.UCN");
  WriteBytes(path, "0\r\n", 0644);
  TProfileTable table = TableOf({{"Home", "192.168.0.2", "me", "secret"}});
  WriteProfileFile(path, table);
  EXPECT_EQ(testing::ModeOf(path), 0600u);
  EXPECT_EQ(ReadBytes(path), "1\r\nHome\r\nme\r\nsecret\r\n192.168.0.2\r\n");
  EXPECT_EQ(ReadProfileFile(path), table);
}

TEST(ProfileFileDiskTest, FailedWriteThrowsAndKeepsTheOldFile) {
  TempFolder folder;
  const std::string path = folder.File("x.UCN");
  WriteBytes(path, "1\r\nOld\r\nu\r\np\r\na\r\n", 0644);
  ASSERT_EQ(::chmod(folder.Path().c_str(), 0555), 0);
  bool refused = testing::RunUnprivileged([&path] {
    try {
      WriteProfileFile(path, TProfileTable{});
    } catch (const EProfileFileError& error) {
      return std::string(error.what()).find(path) != std::string::npos;
    }
    return false;
  });
  EXPECT_TRUE(refused);
  EXPECT_EQ(ReadBytes(path), "1\r\nOld\r\nu\r\np\r\na\r\n");
}

}  // namespace
}  // namespace varnel::ui
