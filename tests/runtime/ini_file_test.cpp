#include "runtime/ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "runtime/test_temp_folder.h"

namespace varnel::runtime {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

IniFile FromBytes(const std::string& bytes) {
  IniFile file("/nonexistent/test.INI");
  file.SetBytes(bytes);
  return file;
}

// ---- reading ---------------------------------------------------------------

struct ReadCase {
  const char* name;
  std::string content;
  const char* section;
  const char* key;
  std::string expected;  // "<default>" when the fallback must come back
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, FindsTheValueOrFallsBack) {
  const ReadCase& c = GetParam();
  IniFile file = FromBytes(c.content);
  EXPECT_EQ(file.ReadString(c.section, c.key, "<default>"), c.expected);
  EXPECT_EQ(file.ValueExists(c.section, c.key), c.expected != "<default>");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IniReadTest,
    ::testing::Values(
        ReadCase{"plain", "[Data]\r\nPort=ftp\r\n", "Data", "Port", "ftp"},
        ReadCase{"section_case", "[DATA]\r\nPort=ftp\r\n", "data", "Port", "ftp"},
        ReadCase{"key_case", "[Data]\r\nsocksPASSWORD=x\r\n", "Data", "SocksPassword", "x"},
        ReadCase{"blanks_around_key_and_name", "[ Data ]\r\n  Port\t=21\r\n", "Data", "Port", "21"},
        ReadCase{"value_as_it_stands", "[D]\r\nK= \"a b\" ;c \r\n", "D", "K", " \"a b\" ;c "},
        ReadCase{"value_holds_equals", "[D]\r\nK=a=b\r\n", "D", "K", "a=b"},
        ReadCase{"empty_value_is_present", "[D]\r\nK=\r\n", "D", "K", ""},
        ReadCase{"missing_key", "[D]\r\nA=1\r\n", "D", "B", "<default>"},
        ReadCase{"missing_section", "[D]\r\nA=1\r\n", "E", "A", "<default>"},
        ReadCase{"key_in_other_section", "[D]\r\n[E]\r\nA=1\r\n", "D", "A", "<default>"},
        ReadCase{"key_before_any_section", "A=1\r\n[D]\r\n", "D", "A", "<default>"},
        ReadCase{"semicolon_comment", "[D]\r\n;A=1\r\n", "D", ";A", "<default>"},
        ReadCase{"hash_comment", "[D]\r\n#A=1\r\nA=2\r\n", "D", "A", "2"},
        ReadCase{"first_duplicate_wins", "[D]\r\nA=1\r\nA=2\r\n", "D", "A", "1"},
        ReadCase{"repeated_section", "[D]\r\nA=1\r\n[E]\r\n[d]\r\nB=2\r\n", "D", "B", "2"},
        ReadCase{"header_without_bracket_is_no_header", "[D]\r\n[E\r\nA=1\r\n", "D", "A", "1"},
        ReadCase{"junk_after_header", "[D] ; note\r\nA=1\r\n", "D", "A", "1"},
        ReadCase{"line_without_equals", "[D]\r\nnonsense\r\nA=1\r\n", "D", "A", "1"},
        ReadCase{"lf_only", "[D]\nA=1\nB=2\n", "D", "B", "2"},
        ReadCase{"lone_cr_ends_lines", "[D]\rA=1\rB=2", "D", "A", "1"},
        ReadCase{"no_final_line_break", "[D]\r\nA=last", "D", "A", "last"},
        ReadCase{"utf8_bom", "\xEF\xBB\xBF[D]\r\nA=1\r\n", "D", "A", "1"},
        ReadCase{"utf8_value", "[D]\r\nA=K\xC3\xB6ln\r\n", "D", "A", "K\xC3\xB6ln"},
        ReadCase{"nul_in_value", std::string("[D]\r\nA=x\0y\r\n", 12), "D", "A",
                 std::string("x\0y", 3)},
        ReadCase{"non_ascii_not_folded", "[D]\r\n\xC3\x84=1\r\n", "D", "\xC3\xA4", "<default>"}),
    [](const auto& test) { return std::string(test.param.name); });

struct IntegerCase {
  const char* name;
  const char* value;
  int expected;  // with fallback -7
};

class IniIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IniIntegerTest, ReadsLeadingDecimalDigits) {
  IniFile file = FromBytes(std::string("[D]\r\nN=") + GetParam().value + "\r\n");
  EXPECT_EQ(file.ReadInteger("D", "N", -7), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniIntegerTest,
    ::testing::Values(IntegerCase{"plain", "42", 42}, IntegerCase{"trailing_junk", "12abc", 12},
                      IntegerCase{"leading_blanks", " \t7", 7}, IntegerCase{"negative", "-5", -5},
                      IntegerCase{"plus", "+3", 3}, IntegerCase{"letters", "abc", -7},
                      IntegerCase{"empty", "", -7}, IntegerCase{"sign_only", "-", -7},
                      IntegerCase{"blank_after_sign", "- 5", -7},
                      IntegerCase{"hex_is_not_read", "0x10", 0},
                      IntegerCase{"int_max", "2147483647", INT_MAX},
                      IntegerCase{"int_min", "-2147483648", INT_MIN},
                      IntegerCase{"above_int", "2147483648", -7},
                      IntegerCase{"far_above_int", "99999999999999999999999", -7}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(IniFileTest, BooleansAreAnyNonZeroInteger) {
  IniFile file = FromBytes("[D]\r\nA=0\r\nB=1\r\nC=2\r\nE=-1\r\nF=yes\r\nG=\r\n");
  EXPECT_FALSE(file.ReadBool("D", "A", true));
  EXPECT_TRUE(file.ReadBool("D", "B", false));
  EXPECT_TRUE(file.ReadBool("D", "C", false));
  EXPECT_TRUE(file.ReadBool("D", "E", false));
  EXPECT_TRUE(file.ReadBool("D", "F", true));
  EXPECT_FALSE(file.ReadBool("D", "F", false));
  EXPECT_TRUE(file.ReadBool("D", "G", true));
  EXPECT_TRUE(file.ReadBool("D", "Missing", true));
}

TEST(IniFileTest, SectionExistsIgnoresCaseAndBrokenHeaders) {
  IniFile file = FromBytes("[Window]\r\n[Data\r\n");
  EXPECT_TRUE(file.SectionExists("WINDOW"));
  EXPECT_FALSE(file.SectionExists("Data"));
}

// ---- writing ---------------------------------------------------------------

struct WriteCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteTest, ChangesOnlyWhatItMust) {
  const WriteCase& c = GetParam();
  IniFile file = FromBytes(c.before);
  file.WriteString(c.section, c.key, c.value);
  EXPECT_EQ(file.Bytes(), c.after);
  EXPECT_EQ(file.ReadString(c.section, c.key, "<default>"), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, IniWriteTest,
    ::testing::Values(
        WriteCase{"empty_file", "", "Data", "Port", "ftp", "[Data]\r\nPort=ftp\r\n"},
        WriteCase{"rewrite_in_place", "; mine\n[data]\nPORT = 21\nOther=x\n", "Data", "Port", "ftp",
                  "; mine\n[data]\nPORT =ftp\nOther=x\n"},
        WriteCase{"rewrite_to_empty", "[D]\r\nA=1\r\nB=2\r\n", "D", "A", "", "[D]\r\nA=\r\nB=2\r\n"},
        WriteCase{"rewrite_first_duplicate", "[D]\r\nA=1\r\nA=2\r\n", "D", "A", "3",
                  "[D]\r\nA=3\r\nA=2\r\n"},
        WriteCase{"rewrite_unterminated_last", "[D]\r\nA=1", "D", "A", "22", "[D]\r\nA=22"},
        WriteCase{"new_key_after_last_key", "[D]\r\nA=1\r\n; about E\r\n\r\n[E]\r\nX=1\r\n", "D", "B",
                  "2", "[D]\r\nA=1\r\nB=2\r\n; about E\r\n\r\n[E]\r\nX=1\r\n"},
        WriteCase{"new_key_in_empty_section", "[D]\r\n[E]\r\n", "D", "B", "2", "[D]\r\nB=2\r\n[E]\r\n"},
        WriteCase{"new_key_after_unterminated_line", "[D]\r\nA=1", "D", "B", "2",
                  "[D]\r\nA=1\r\nB=2\r\n"},
        WriteCase{"new_key_in_first_of_repeated_sections", "[D]\r\nA=1\r\n[d]\r\nC=3\r\n", "D", "B",
                  "2", "[D]\r\nA=1\r\nB=2\r\n[d]\r\nC=3\r\n"},
        WriteCase{"new_section_at_end", "[D]\r\nA=1\r\n", "Window", "Top", "5",
                  "[D]\r\nA=1\r\n\r\n[Window]\r\nTop=5\r\n"},
        WriteCase{"new_section_after_blank_line", "[D]\r\nA=1\r\n\r\n", "W", "T", "5",
                  "[D]\r\nA=1\r\n\r\n[W]\r\nT=5\r\n"},
        WriteCase{"new_section_after_unterminated", "[D]\nA=1", "W", "T", "5",
                  "[D]\nA=1\r\n\r\n[W]\r\nT=5\r\n"},
        WriteCase{"broken_header_kept", "[Data\r\nPort=21\r\n", "Data", "Port", "ftp",
                  "[Data\r\nPort=21\r\n\r\n[Data]\r\nPort=ftp\r\n"},
        WriteCase{"lone_cr_file_kept", "[D]\rA=1\rB=2", "D", "A", "9", "[D]\rA=9\rB=2"},
        WriteCase{"binary_junk_kept", std::string("\x01\xFF\0junk\r\n[D]\r\nA=1\r\n", 19), "D", "A",
                  "2", std::string("\x01\xFF\0junk\r\n[D]\r\nA=2\r\n", 19)},
        WriteCase{"bom_kept", "\xEF\xBB\xBF[D]\r\nA=1\r\n", "D", "A", "2", "\xEF\xBB\xBF[D]\r\nA=2\r\n"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(IniFileTest, IntegersAndBooleansAreWrittenAsDecimal) {
  IniFile file = FromBytes("");
  file.WriteInteger("D", "N", -12);
  file.WriteBool("D", "T", true);
  file.WriteBool("D", "F", false);
  EXPECT_EQ(file.Bytes(), "[D]\r\nN=-12\r\nT=1\r\nF=0\r\n");
}

struct RefusalCase {
  const char* name;
  std::string section;
  std::string key;
  std::string value;
};

class IniRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(IniRefusalTest, RefusesWhatWouldBreakTheFile) {
  const RefusalCase& c = GetParam();
  const std::string before = "[D]\r\nA=1\r\n";
  IniFile file("/some/where.INI");
  file.SetBytes(before);
  try {
    file.WriteString(c.section, c.key, c.value);
    FAIL() << "accepted";
  } catch (const EIniFileException& error) {
    EXPECT_STREQ(error.what(), "Unable to write to /some/where.INI");
    EXPECT_FALSE(error.Reason().empty());
  }
  EXPECT_EQ(file.Bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, IniRefusalTest,
    ::testing::Values(RefusalCase{"value_lf", "D", "A", "x\ny"},
                      RefusalCase{"value_cr", "D", "A", "x\r[E]"},
                      RefusalCase{"key_with_equals", "D", "A=B", "1"},
                      RefusalCase{"empty_key", "D", "", "1"},
                      RefusalCase{"key_looks_like_header", "D", "[E]", "1"},
                      RefusalCase{"key_looks_like_comment", "D", ";A", "1"},
                      RefusalCase{"key_with_outer_blank", "D", " A", "1"},
                      RefusalCase{"key_with_line_break", "D", "A\nB", "1"},
                      RefusalCase{"section_with_bracket", "D]x", "A", "1"},
                      RefusalCase{"empty_section", "", "A", "1"},
                      RefusalCase{"section_with_line_break", "D\r\n", "A", "1"}),
    [](const auto& test) { return std::string(test.param.name); });

// ---- broken files never crash and never lose bytes ------------------------

std::string RandomFile(std::mt19937& random) {
  static const char kAlphabet[] = "[]=;#\r\n\t ABCabc0129\x00\xFF\xEF\xBB";
  std::uniform_int_distribution<std::size_t> length(0, 80);
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
  std::string bytes(length(random), '\0');
  for (char& c : bytes) c = kAlphabet[pick(random)];
  return bytes;
}

TEST(IniFileTest, RandomBytesSurviveParsingAndEditing) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 2000; ++round) {
    const std::string original = RandomFile(random);
    IniFile file = FromBytes(original);
    ASSERT_EQ(file.Bytes(), original) << "round " << round;

    file.WriteString("Fresh Section", "Key", "value");
    std::string edited = file.Bytes();
    std::string kept = original;
    if (!kept.empty() && kept.back() != '\n' && kept.back() != '\r') kept += "\r\n";
    EXPECT_EQ(edited.substr(0, kept.size()), kept) << "round " << round;
    EXPECT_EQ(file.ReadString("fresh section", "KEY", ""), "value") << "round " << round;

    file.WriteString("A", "b", "rewritten");
    EXPECT_EQ(file.ReadString("A", "B", ""), "rewritten") << "round " << round;
    EXPECT_EQ(file.ReadString("Fresh Section", "Key", ""), "value") << "round " << round;
  }
}

// ---- files on disk ---------------------------------------------------------

TEST(IniFileDiskTest, MissingFileLoadsEmpty) {
  TempFolder folder;
  IniFile file(folder.File("none.INI"));
  std::string error;
  EXPECT_TRUE(file.Load(&error));
  EXPECT_EQ(file.Bytes(), "");
}

TEST(IniFileDiskTest, UnreadableFileIsReported) {
  TempFolder folder;
  IniFile file(folder.Path());  // a folder: exists, cannot be read as a file
  std::string error;
  EXPECT_FALSE(file.Load(&error));
  EXPECT_NE(error.find(folder.Path()), std::string::npos);
}

TEST(IniFileDiskTest, SaveAndLoadRoundTripByteForByte) {
  TempFolder folder;
  const std::string bytes = "; comment\r\n[Data]\nKey=v\r\nodd line\r[Window]\r\nTop=1";
  WriteBytes(folder.File("a.INI"), bytes);
  IniFile file(folder.File("a.INI"));
  ASSERT_TRUE(file.Load());
  file.Save();
  EXPECT_EQ(ReadBytes(folder.File("a.INI")), bytes);
}

TEST(IniFileDiskTest, ForcedModeNarrowsAFileThatHoldsPasswords) {
  TempFolder folder;
  const std::string path = folder.File("pw.INI");
  WriteBytes(path, "[Data]\r\nSocksPassword=old\r\n", 0644);
  IniFile file(path);
  ASSERT_TRUE(file.Load());
  file.WriteString("Data", "SocksPassword", "secret");
  file.Save(0600, true);
  EXPECT_EQ(testing::ModeOf(path), 0600u);

  IniFile fresh(folder.File("new.INI"));
  fresh.WriteString("Data", "SocksPassword", "secret");
  fresh.Save(0600, true);
  EXPECT_EQ(testing::ModeOf(folder.File("new.INI")), 0600u);
}

TEST(IniFileDiskTest, SaveIntoMissingFolderThrowsTheFixedText) {
  TempFolder folder;
  const std::string path = folder.File("missing/x.INI");
  IniFile file(path);
  file.WriteString("D", "A", "1");
  try {
    file.Save();
    FAIL() << "saved";
  } catch (const EIniFileException& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    EXPECT_NE(error.Reason().find("No such file"), std::string::npos) << error.Reason();
  }
}

TEST(IniFileDiskTest, FailedRewriteLeavesTheOldFileIntact) {
  TempFolder folder;
  const std::string path = folder.File("keep.INI");
  const std::string bytes = "[Data]\r\nPort=2121\r\n";
  WriteBytes(path, bytes, 0644);
  ASSERT_EQ(::chmod(folder.Path().c_str(), 0555), 0);
  bool refused = testing::RunUnprivileged([&path] {
    IniFile file(path);
    if (!file.Load()) return false;
    file.WriteString("Data", "Port", "ftp");
    try {
      file.Save();
    } catch (const EIniFileException& error) {
      return std::string(error.what()) == "Unable to write to " + path;
    }
    return false;
  });
  EXPECT_TRUE(refused);
  EXPECT_EQ(ReadBytes(path), bytes);
  ::chmod(folder.Path().c_str(), 0700);
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    EXPECT_EQ(entry.path().filename(), "keep.INI") << "left behind: " << entry.path();
  }
}

}  // namespace
}  // namespace varnel::runtime
