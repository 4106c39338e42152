#include "ui/assoc/viewer_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "assoc_test_util.h"

namespace varnel::ui {
namespace {

using assoc_test::CaseLabel;
using assoc_test::TempFolder;
using Words = std::vector<std::string>;

struct SplitCase {
  const char* label;
  std::string entry;
  Words words;
  bool skip_check;
};

class ViewerCommandSplitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ViewerCommandSplitting, SplitsIntoWordsWithoutAShell) {
  const SplitCase& c = GetParam();
  std::string error;
  std::optional<ViewerCommand> command = ParseViewerCommand(c.entry, &error);
  ASSERT_TRUE(command) << error;
  EXPECT_EQ(command->words, c.words);
  EXPECT_EQ(command->skip_check, c.skip_check);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ViewerCommandSplitting,
    ::testing::Values(
        SplitCase{"ProgramOnly", "/usr/bin/eog", {"/usr/bin/eog"}, false},
        SplitCase{"WithOption", "/usr/bin/gedit --wait", {"/usr/bin/gedit", "--wait"}, false},
        SplitCase{"Blanks", " \t/usr/bin/gedit \t --wait  ", {"/usr/bin/gedit", "--wait"}, false},
        SplitCase{"SingleQuotes", "'/opt/My App/view' -x", {"/opt/My App/view", "-x"}, false},
        SplitCase{"DoubleQuotes", R"("/opt/My App/view" "say \"hi\" \\ \n")",
                  {"/opt/My App/view", R"(say "hi" \ \n)"}, false},
        SplitCase{"EscapedBlank", R"(/opt/My\ App/view)", {"/opt/My App/view"}, false},
        SplitCase{"QuotesJoinAWord", R"(a'b c'"d e"f)", {"ab cd ef"}, false},
        SplitCase{"EmptyArgument", "/v ''", {"/v", ""}, false},
        SplitCase{"Percent", "%xdg-open --flag", {"xdg-open", "--flag"}, true},
        SplitCase{"PercentQuoted", "%'/opt/a b/c'", {"/opt/a b/c"}, true},
        SplitCase{"ShellSyntaxIsText", "/bin/echo $(rm -rf /) ; `id` | cat > /tmp/x && $HOME *",
                  {"/bin/echo", "$(rm", "-rf", "/)", ";", "`id`", "|", "cat", ">", "/tmp/x", "&&", "$HOME", "*"},
                  false},
        SplitCase{"NewlineIsPartOfAWord", "/v a\nb", {"/v", "a\nb"}, false}),
    [](const auto& p) { return std::string(p.param.label); });

struct BadCase {
  const char* label;
  std::string entry;
  const char* error;
};

class ViewerCommandRefusals : public ::testing::TestWithParam<BadCase> {};

TEST_P(ViewerCommandRefusals, RefuseWithAReason) {
  std::string error;
  EXPECT_FALSE(ParseViewerCommand(GetParam().entry, &error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ViewerCommandRefusals,
    ::testing::Values(BadCase{"Empty", "", "No program in viewer entry"},
                      BadCase{"Blanks", " \t ", "No program in viewer entry"},
                      BadCase{"PercentAlone", "%", "No program in viewer entry"},
                      BadCase{"EmptyProgram", "'' /file", "No program in viewer entry"},
                      BadCase{"UnclosedSingle", "'/opt/a b", "Unclosed quote in viewer entry"},
                      BadCase{"UnclosedDouble", "/v \"abc", "Unclosed quote in viewer entry"},
                      BadCase{"EscapedCloser", R"("abc\")", "Unclosed quote in viewer entry"},
                      BadCase{"TrailingBackslash", "/v abc\\", "Trailing backslash in viewer entry"},
                      BadCase{"Nul", std::string("/v\0/x", 5), "NUL byte in viewer entry"}),
    [](const auto& p) { return std::string(p.param.label); });

class ViewerWordQuoting : public ::testing::TestWithParam<std::string> {};

TEST_P(ViewerWordQuoting, QuotedWordsSplitBackUnchanged) {
  const std::string& word = GetParam();
  std::string entry = "/usr/bin/v " + QuoteViewerWord(word) + " " + QuoteViewerWord(word);
  std::optional<ViewerCommand> command = ParseViewerCommand(entry);
  ASSERT_TRUE(command) << entry;
  EXPECT_EQ(command->words, (Words{"/usr/bin/v", word, word})) << entry;

  // As the program itself, too: a quoted "%" never turns into the marker.
  command = ParseViewerCommand(QuoteViewerWord(word) + " x");
  if (word.empty()) return;
  ASSERT_TRUE(command);
  EXPECT_EQ(command->words.front(), word);
  EXPECT_FALSE(command->skip_check);
}

INSTANTIATE_TEST_SUITE_P(Words, ViewerWordQuoting,
                         ::testing::Values("plain", "/opt/My Apps/vlc", "it's", "say \"hi\"", "back\\slash",
                                           "", "%percent", "tab\there", "$(x) `y`", "\\\"'", "a\nb"),
                         [](const auto& p) { return CaseLabel(p.param) + std::to_string(p.index); });

TEST(ViewerWordQuoting, PlainWordsStayUnquoted) {
  EXPECT_EQ(QuoteViewerWord("/usr/bin/gedit"), "/usr/bin/gedit");
  EXPECT_EQ(QuoteViewerWord("/opt/a b/c"), "\"/opt/a b/c\"");
}

TEST(ViewerArgumentList, TheFileIsOneLastWordWhateverItHolds) {
  ViewerCommand command = *ParseViewerCommand("%gedit --wait -s");
  const std::string hostile = "/tmp/x'; rm -rf ~; echo \"$(id)\" .txt";
  EXPECT_EQ(ViewerArguments(command, "/usr/bin/gedit", hostile),
            (Words{"/usr/bin/gedit", "--wait", "-s", hostile}));
}

class ViewerProgramResolution : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    saved_path_ = path ? path : "";
  }
  void TearDown() override { ::setenv("PATH", saved_path_.c_str(), 1); }

  static std::optional<std::string> Resolve(const std::string& entry) {
    return ResolveViewerProgram(*ParseViewerCommand(entry));
  }

  TempFolder folder_;
  std::string saved_path_;
};

TEST_F(ViewerProgramResolution, AnAbsolutePathMustExist) {
  std::string program = folder_.Program("bin/my viewer");
  EXPECT_EQ(Resolve(QuoteViewerWord(program) + " --wait"), program);
  EXPECT_EQ(Resolve(folder_ / "bin/missing"), std::nullopt);
  EXPECT_EQ(Resolve(folder_ / "bin"), std::nullopt);  // a folder is no program
}

TEST_F(ViewerProgramResolution, ABareNameIsSearchedInPath) {
  std::string program = folder_.Program("second/viewer");
  folder_.Write("first/viewer", "not executable", 0644);
  ::setenv("PATH", (folder_ / "first:" + folder_ / "second").c_str(), 1);
  EXPECT_EQ(Resolve("viewer --new-instance"), program);
  EXPECT_EQ(Resolve("otherviewer"), std::nullopt);
}

TEST_F(ViewerProgramResolution, TheCurrentFolderIsNeverSearched) {
  folder_.Program("viewer");
  folder_.Program("sub/viewer");
  ::setenv("PATH", ":.:sub", 1);
  std::string saved = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(folder_.Path().c_str()), 0);
  std::optional<std::string> bare = Resolve("viewer");
  std::optional<std::string> relative = Resolve("sub/viewer");
  ASSERT_EQ(::chdir(saved.c_str()), 0);
  EXPECT_EQ(bare, std::nullopt);
  EXPECT_EQ(relative, std::nullopt);
}

TEST_F(ViewerProgramResolution, APercentEntryIsTakenUnchecked) {
  EXPECT_EQ(Resolve("%no-such-viewer --x"), "no-such-viewer");
}

}  // namespace
}  // namespace varnel::ui
