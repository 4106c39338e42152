// JSON escaping, server text on a terminal, log masking, progress texts and
// failure texts.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "cli/cli_output.h"
#include "cli/cli_progress.h"
#include "cli/cli_text.h"

namespace varnel::cli {
namespace {

struct EscapeCase {
  std::string raw;
  std::string json;
};

class JsonEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JsonEscape, GivesValidJson) { EXPECT_EQ(JsonString(GetParam().raw), GetParam().json); }

INSTANTIATE_TEST_SUITE_P(
    Table, JsonEscape,
    ::testing::Values(
        EscapeCase{"", "\"\""}, EscapeCase{"plain name.txt", "\"plain name.txt\""},
        EscapeCase{"a\"b\\c/d", "\"a\\\"b\\\\c/d\""},
        EscapeCase{"\n\r\t\b\f", "\"\\n\\r\\t\\b\\f\""},
        EscapeCase{std::string("\0\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\\u007f\""},
        // Valid UTF-8 of two, three and four bytes passes through.
        EscapeCase{"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
                   "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
        // Each byte of an invalid sequence is its Latin-1 reading.
        EscapeCase{"caf\xe9", "\"caf\\u00e9\""},
        EscapeCase{"\x80x", "\"\\u0080x\""},
        EscapeCase{"\xc0\x80", "\"\\u00c0\\u0080\""},              // overlong NUL
        EscapeCase{"\xe0\x80\xaf", "\"\\u00e0\\u0080\\u00af\""},   // overlong "/"
        EscapeCase{"\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},   // surrogate
        EscapeCase{"\xf4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},  // > U+10FFFF
        EscapeCase{"\xf5\x80", "\"\\u00f5\\u0080\""},
        EscapeCase{"\xe2\x82", "\"\\u00e2\\u0082\""},              // cut short at the end
        EscapeCase{"\xe2\x82x", "\"\\u00e2\\u0082x\""}));

TEST(JsonLines, ResultLineCarriesEveryField) {
  CommandResult result{"get", false, 550, "550 No \"such\" file", 12, ""};
  EXPECT_EQ(JsonResultLine(result),
            "{\"command\":\"get\",\"result\":\"error\",\"error\":550,"
            "\"message\":\"550 No \\\"such\\\" file\",\"bytes\":12}\n");
  result = {"pwd", true, 0, "", 0, "/pub\n"};
  EXPECT_EQ(JsonResultLine(result),
            "{\"command\":\"pwd\",\"result\":\"ok\",\"error\":0,\"message\":\"\",\"bytes\":0,"
            "\"output\":\"/pub\\n\"}\n");
}

struct EntryJsonCase {
  std::string label;
  std::string line;
  listing::ListingFormat format;
  std::string json;
};

class ListingEntryJson : public ::testing::TestWithParam<EntryJsonCase> {};

TEST_P(ListingEntryJson, GivesEveryFieldAsData) {
  const EntryJsonCase& c = GetParam();
  const auto now = std::chrono::sys_days(std::chrono::year(2026) / 12 / 9);
  const std::optional<listing::ListingEntry> entry = listing::ParseListingLine(c.line, c.format, now);
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(JsonListingEntry(*entry), c.json + "\n");
}

constexpr listing::ListingFormat kLong = listing::ListingFormat::kLong;
constexpr listing::ListingFormat kNames = listing::ListingFormat::kNames;

INSTANTIATE_TEST_SUITE_P(
    Table, ListingEntryJson,
    ::testing::Values(
        EntryJsonCase{"file_of_this_year",
                      "-rw-r--r--    1 0        0              20 Dec 08 07:38 a \"b\".txt", kLong,
                      R"({"name":"a \"b\".txt","type":"file","size":20,"modified":"2026-12-08T07:38",)"
                      R"("permissions":"rw-r--r--","owner":"0","group":"0",)"
                      R"("raw":"-rw-r--r--    1 0        0              20 Dec 08 07:38 a \"b\".txt"})"},
        EntryJsonCase{"old_folder_gives_the_day",
                      "drwxr-xr-x   2 ftp      ftp          4096 Mar  4  2019 pub", kLong,
                      R"({"name":"pub","type":"folder","size":4096,"modified":"2019-03-04",)"
                      R"("permissions":"rwxr-xr-x","owner":"ftp","group":"ftp",)"
                      R"("raw":"drwxr-xr-x   2 ftp      ftp          4096 Mar  4  2019 pub"})"},
        EntryJsonCase{"link_with_target", "lrwxrwxrwx 1 o g 9 Mar 04  2019 l -> t\x01.bin", kLong,
                      R"({"name":"l","type":"link","size":9,"modified":"2019-03-04",)"
                      R"("permissions":"rwxrwxrwx","owner":"o","group":"g","target":"t\u0001.bin",)"
                      R"("raw":"lrwxrwxrwx 1 o g 9 Mar 04  2019 l -> t\u0001.bin"})"},
        EntryJsonCase{"link_without_target", "lrwxrwxrwx 1 o g 9 Mar 04  2019 l", kLong,
                      R"({"name":"l","type":"link","size":9,"modified":"2019-03-04",)"
                      R"("permissions":"rwxrwxrwx","owner":"o","group":"g","target":null,)"
                      R"("raw":"lrwxrwxrwx 1 o g 9 Mar 04  2019 l"})"},
        EntryJsonCase{"unknowns_are_null", "?--------- 1 o g many Feb 30 10:00 x\t", kLong,
                      R"({"name":"x","type":null,"size":null,"modified":null,)"
                      R"("permissions":"---------","owner":"o","group":"g",)"
                      R"("raw":"?--------- 1 o g many Feb 30 10:00 x\t"})"},
        EntryJsonCase{"bare_folder_name", "[pub]", kNames,
                      R"({"name":"pub","type":"folder","size":null,"modified":null,)"
                      R"("permissions":null,"owner":null,"group":null,"raw":"[pub]"})"},
        EntryJsonCase{"bare_name", "README", kNames,
                      R"({"name":"README","type":null,"size":null,"modified":null,)"
                      R"("permissions":null,"owner":null,"group":null,"raw":"README"})"}),
    [](const ::testing::TestParamInfo<EntryJsonCase>& row) { return row.param.label; });

TEST(JsonLines, NameEntry) { EXPECT_EQ(JsonNameEntry("x\ny"), "{\"name\":\"x\\ny\"}\n"); }

struct MaskCase {
  const char* line;
  const char* shown;
};

class PassMasking : public ::testing::TestWithParam<MaskCase> {};

TEST_P(PassMasking, HidesEveryPassword) {
  EXPECT_EQ(MaskLogLine(GetParam().line), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PassMasking,
    ::testing::Values(MaskCase{"> PASS s3cret", "> PASS ****"},
                      MaskCase{"> pass s3cret", "> PASS ****"},
                      MaskCase{"> PaSs  two words", "> PASS ****"},
                      MaskCase{">  PASS lead", "> PASS ****"}, MaskCase{"> PASS", "> PASS ****"},
                      MaskCase{"> PASV", "> PASV"}, MaskCase{"> PASSWORD x", "> PASSWORD x"},
                      MaskCase{"> USER pass", "> USER pass"},
                      MaskCase{"< 230 PASS accepted", "< 230 PASS accepted"},
                      MaskCase{"! PASS note", "! PASS note"}));

struct ProgressCase {
  std::int64_t done;
  std::int64_t total;
  std::int64_t resumed;
  std::int64_t elapsed_ms;
  const char* line;
};

class ProgressLine : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressLine, ShowsBytesPercentRateAndTimeLeft) {
  const ProgressCase& c = GetParam();
  EXPECT_EQ(FormatProgressLine(c.done, c.total, c.resumed, c.elapsed_ms), c.line);
}

constexpr std::int64_t kMiB = 1024 * 1024;

INSTANTIATE_TEST_SUITE_P(
    Table, ProgressLine,
    ::testing::Values(
        ProgressCase{0, -1, 0, 0, "0 B  --/s"},
        ProgressCase{3 * kMiB, -1, 0, 1000, "3.0 MiB  3.0 MiB/s"},
        ProgressCase{kMiB, 4 * kMiB, 0, 1000,
                     "[######..................] 25%  1.0 MiB / 4.0 MiB  1.0 MiB/s  ETA 0:03"},
        // Bytes that were there before a resume count for the percentage only.
        ProgressCase{3 * kMiB, 4 * kMiB, 2 * kMiB, 2000,
                     "[##################......] 75%  3.0 MiB / 4.0 MiB  512.0 KiB/s  ETA 0:02"},
        ProgressCase{4 * kMiB, 4 * kMiB, 0, 500,
                     "[########################] 100%  4.0 MiB / 4.0 MiB  8.0 MiB/s"},
        // More than announced: the size was wrong, no percentage.
        ProgressCase{5 * kMiB, 4 * kMiB, 0, 1000, "5.0 MiB  5.0 MiB/s"},
        ProgressCase{100, 7200 * 100, 0, 1000,
                     "[........................] 0%  100 B / 703.1 KiB  100 B/s  ETA 1:59:59"}));

TEST(ProgressLine, ByteCountsAndDurations) {
  EXPECT_EQ(FormatByteCount(1023), "1023 B");
  EXPECT_EQ(FormatByteCount(1024), "1.0 KiB");
  EXPECT_EQ(FormatByteCount(1536 * kMiB), "1.5 GiB");
  EXPECT_EQ(FormatDuration(59), "0:59");
  EXPECT_EQ(FormatDuration(3600), "1:00:00");
}

TEST(FailureText, PutsTheCommandBeforeTheMessage) {
  CommandReport report{{"get", false, 550, "the server refused RETR (550 No such file)", 0, ""},
                       CommandContext({"get", "a b.txt", "local"}),
                       kExitCommand};
  EXPECT_EQ(FailureText(report),
            "get \"a b.txt\" \"local\": the server refused RETR (550 No such file)");
  report.context.clear();
  EXPECT_EQ(FailureText(report), "the server refused RETR (550 No such file)");
  EXPECT_EQ(CommandContext({"quote", "SITE", "CHMOD", "644", "x"}), "quote \"SITE CHMOD 644 x\"");
  EXPECT_EQ(CommandContext({}), "ls");
}

struct VisibleCase {
  std::string raw;
  std::string shown;
};

class ServerTextOnATerminal : public ::testing::TestWithParam<VisibleCase> {};

TEST_P(ServerTextOnATerminal, ShowsControlCharactersAsEscapes) {
  EXPECT_EQ(VisibleText(GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServerTextOnATerminal,
    ::testing::Values(
        VisibleCase{"550 No such file", "550 No such file"},
        VisibleCase{"tab\tstays", "tab\tstays"},
        VisibleCase{"\x1b]0;owned\x07title", "\\x1b]0;owned\\x07title"},
        VisibleCase{"\x1b[2J\x1b[1;1H", "\\x1b[2J\\x1b[1;1H"},
        VisibleCase{"cr\rover", "cr\\x0dover"},
        VisibleCase{"lf\nnext", "lf\\x0anext"},
        VisibleCase{std::string("nul\0byte", 8), "nul\\x00byte"},
        VisibleCase{"bs\x08 del\x7f", "bs\\x08 del\\x7f"},
        // C1 controls: a raw byte (CSI is 0x9b) and the same in UTF-8.
        VisibleCase{"\x9b" "31m", "\\x9b" "31m"},
        VisibleCase{"\xc2\x9b" "31m", "\\xc2\\x9b" "31m"},
        // Printable UTF-8 and Latin-1 letters pass, continuation bytes included.
        VisibleCase{"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
                    "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
        VisibleCase{"caf\xe9", "caf\xe9"},
        // A C1 byte after a lead byte that does not make a sequence.
        VisibleCase{"\xe2\x82\x1b", "\xe2\\x82\\x1b"}));

}  // namespace
}  // namespace varnel::cli
