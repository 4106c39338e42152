// Folder texts of both panes and the checked join that keeps downloads
// inside the chosen folder.
#include "listing/listing_paths.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "listing/listing_row.h"
#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using namespace std::string_literals;
using testing::CaseLabel;

struct TextCase {
  std::string Label;
  std::string Input;
  std::string Expected;
};

class RemoteParentTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(RemoteParentTest, GoesUpOneFolder) {
  EXPECT_EQ(RemoteParentFolder(GetParam().Input), GetParam().Expected);
}
INSTANTIATE_TEST_SUITE_P(Table, RemoteParentTest,
                         ::testing::Values(TextCase{"folder_with_slash", "/pub/", "/"},
                                           TextCase{"folder_without_slash", "/pub", "/"},
                                           TextCase{"root_stays", "/", "/"},
                                           TextCase{"deeper", "/pub/linux/kernel/", "/pub/linux/"},
                                           TextCase{"backslashes", "\\pub\\docs\\", "\\pub\\"},
                                           TextCase{"mixed", "/pub\\docs", "/pub\\"},
                                           TextCase{"no_separator_stays", "pub", "pub"},
                                           TextCase{"empty_stays", "", ""},
                                           TextCase{"double_slash", "//", "/"}),
                         CaseLabel());

class LocalParentTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(LocalParentTest, GoesUpOneFolder) {
  EXPECT_EQ(LocalParentFolder(GetParam().Input), GetParam().Expected);
}
INSTANTIATE_TEST_SUITE_P(
    Table, LocalParentTest,
    ::testing::Values(TextCase{"below_root_gives_root", "/home/", "/"},
                      TextCase{"root_stays", "/", "/"}, TextCase{"deeper", "/home/user/", "/home/"},
                      TextCase{"without_closing_slash", "/home/user", "/home/"},
                      TextCase{"backslash_is_a_name_character", "/tmp/a\\b/", "/tmp/"},
                      TextCase{"backslash_only_stays", "a\\b\\", "a\\b\\"},
                      TextCase{"empty_stays", "", ""}),
    CaseLabel());

class TrailingSlashTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(TrailingSlashTest, RemoteRule) {
  EXPECT_EQ(EnsureTrailingSlash(GetParam().Input), GetParam().Expected);
}
INSTANTIATE_TEST_SUITE_P(Table, TrailingSlashTest,
                         ::testing::Values(TextCase{"empty_stays_empty", "", ""},
                                           TextCase{"slash_kept", "/pub/", "/pub/"},
                                           TextCase{"backslash_kept", "\\pub\\", "\\pub\\"},
                                           TextCase{"slash_added", "/pub", "/pub/"},
                                           TextCase{"root", "/", "/"}),
                         CaseLabel());

class LocalTrailingSlashTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(LocalTrailingSlashTest, LocalRule) {
  EXPECT_EQ(EnsureLocalTrailingSlash(GetParam().Input), GetParam().Expected);
}
INSTANTIATE_TEST_SUITE_P(Table, LocalTrailingSlashTest,
                         ::testing::Values(TextCase{"empty_stays_empty", "", ""},
                                           TextCase{"slash_kept", "/tmp/", "/tmp/"},
                                           TextCase{"slash_added", "/tmp", "/tmp/"},
                                           TextCase{"after_backslash_too", "/tmp\\", "/tmp\\/"}),
                         CaseLabel());

struct NameCase {
  std::string Label;
  std::string Name;
  bool Safe;
};

class SafeNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SafeNameTest, DecidesAndJoinFollows) {
  EXPECT_EQ(IsSafeLocalName(GetParam().Name), GetParam().Safe);
  const std::optional<std::string> path = JoinLocalPath("/home/user/down", GetParam().Name);
  if (GetParam().Safe) {
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, "/home/user/down/" + GetParam().Name);
  } else {
    EXPECT_FALSE(path.has_value());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SafeNameTest,
    ::testing::Values(
        NameCase{"plain", "a.txt", true}, NameCase{"blanks", "name with blanks", true},
        NameCase{"leading_dots", "..hidden", true}, NameCase{"three_dots", "...", true},
        NameCase{"backslash", "a\\b", true}, NameCase{"link_text", "link.txt -> k1024.bin", true},
        NameCase{"utf8", "caf\xc3\xa9.txt", true}, NameCase{"empty", "", false},
        NameCase{"dot", ".", false}, NameCase{"dot_dot", "..", false},
        NameCase{"climbing", "../etc/passwd", false}, NameCase{"absolute", "/etc/passwd", false},
        NameCase{"trailing_slash", "dir/", false},
        NameCase{"link_to_absolute", "l -> /etc/passwd", false}, NameCase{"nul", "a\0b"s, false},
        NameCase{"only_nul", "\0"s, false}),
    CaseLabel());

TEST(JoinLocalPathTest, AddsTheSeparatorOnlyWhenMissing) {
  EXPECT_EQ(JoinLocalPath("/tmp", "a"), std::optional<std::string>("/tmp/a"));
  EXPECT_EQ(JoinLocalPath("/tmp/", "a"), std::optional<std::string>("/tmp/a"));
  EXPECT_EQ(JoinLocalPath("/", "a"), std::optional<std::string>("/a"));
}

TEST(JoinLocalPathTest, NoFolderNoPath) { EXPECT_FALSE(JoinLocalPath("", "a.txt").has_value()); }

TEST(RowNameTest, FolderDropsItsBlankFileKeepsCaption) {
  const auto row = [](const std::string& name, EntryKind kind) {
    ListingEntry entry;
    entry.Name = name;
    entry.Kind = kind;
    return MakeLocalRow(entry, "", ListingLookups{});
  };
  EXPECT_EQ(RowName(row("sub dir", EntryKind::kFolder)), "sub dir");
  EXPECT_EQ(RowName(row(" lead", EntryKind::kFile)), " lead");
  EXPECT_TRUE(IsFolderRow(row("x", EntryKind::kFolder)));
  EXPECT_FALSE(IsFolderRow(row("x", EntryKind::kFile)));
}

class UpperExtensionTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(UpperExtensionTest, AfterTheLastDot) {
  EXPECT_EQ(UpperExtension(GetParam().Input), GetParam().Expected);
}
INSTANTIATE_TEST_SUITE_P(
    Table, UpperExtensionTest,
    ::testing::Values(TextCase{"simple", "a.txt", "TXT"}, TextCase{"two_dots", "a.tar.Gz", "GZ"},
                      TextCase{"none", "Makefile", ""}, TextCase{"trailing_dot", "a.", ""},
                      TextCase{"hidden_file", ".bashrc", "BASHRC"},
                      TextCase{"dot_in_folder_only", "a.d/file", ""},
                      TextCase{"non_ascii_kept", "x.\xc3\xa9t\xc3\xa9", "\xc3\xa9T\xc3\xa9"}),
    CaseLabel());

}  // namespace
}  // namespace varnel::listing
