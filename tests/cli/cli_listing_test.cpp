// ls and nlst output as it streams: text with LF line ends whatever the
// blocks, JSON lines of entries and names, and a failing standard output
// that stops the engine's writes.
#include "cli/cli_listing.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "cli/cli_json.h"
#include "cli/cli_run_support.h"

namespace varnel::cli {
namespace {

using testing::MemoryStream;

const auto kNow = std::chrono::sys_days(std::chrono::year(2026) / 12 / 9);

std::string Print(ListingStyle style, const std::string& bytes, std::size_t block) {
  MemoryStream out;
  ListingPrinter printer(out.Fd(), style, kNow);
  for (std::size_t at = 0; at < bytes.size(); at += block) {
    EXPECT_TRUE(printer.Feed(std::string_view(bytes).substr(at, block)));
  }
  EXPECT_TRUE(printer.Finish());
  return out.Contents();
}

struct TextCase {
  std::string label;
  std::string received;
  std::string printed;
};

class TextListing : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextListing, LineEndsBecomeLfInEveryBlockSize) {
  for (std::size_t block = 1; block <= GetParam().received.size(); ++block) {
    EXPECT_EQ(Print(ListingStyle::kText, GetParam().received, block), GetParam().printed)
        << "block " << block;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextListing,
    ::testing::Values(TextCase{"crlf", "a\r\nb\r\n", "a\nb\n"},
                      TextCase{"lone_cr_and_lf", "a\rb\nc\r", "a\nb\nc\n"},
                      TextCase{"no_final_line_end", "a\r\nb", "a\nb\n"},
                      TextCase{"blank_lines_and_bytes_kept", "\r\n \t\x01\xff\r\n\r\n",
                               "\n \t\x01\xff\n\n"},
                      TextCase{"cr_then_crlf", "x\r\r\n", "x\n\n"}),
    [](const ::testing::TestParamInfo<TextCase>& row) { return row.param.label; });

TEST(JsonListing, OneLinePerEntryWithoutSummaryOrBlankLines) {
  const std::string listing =
      "total 8\r\n"
      "-rw-r--r--   1 ftp      ftp            20 Dec  8 07:38 a.txt\r\n"
      "\r\n"
      "drwxr-xr-x   2 ftp      ftp          4096 Mar  4  2019 pub\r\n";
  std::string expected;
  for (const char* line : {"-rw-r--r--   1 ftp      ftp            20 Dec  8 07:38 a.txt",
                           "drwxr-xr-x   2 ftp      ftp          4096 Mar  4  2019 pub"}) {
    expected += JsonListingEntry(
        *listing::ParseListingLine(line, listing::ListingFormat::kLong, kNow));
  }
  for (const std::size_t block : {std::size_t{1}, std::size_t{5}, listing.size()}) {
    EXPECT_EQ(Print(ListingStyle::kJsonEntries, listing, block), expected);
  }
  EXPECT_EQ(Print(ListingStyle::kJsonNames, "a\r\n\r\nb c\n", 3),
            "{\"name\":\"a\"}\n{\"name\":\"b c\"}\n");
}

TEST(JsonListing, OverlongLineIsCountedNotPrinted) {
  MemoryStream out;
  ListingPrinter printer(out.Fd(), ListingStyle::kJsonNames, kNow);
  EXPECT_TRUE(printer.Feed("a\n" + std::string(listing::ListingLineSplitter::kDefaultMaxLine + 1,
                                               'x') + "\nb\n"));
  EXPECT_TRUE(printer.Finish());
  EXPECT_EQ(out.Contents(), "{\"name\":\"a\"}\n{\"name\":\"b\"}\n");
  EXPECT_EQ(printer.DroppedLines(), 1U);
}

TEST(ListingPipeTest, PrintsWhatTheEngineWritesToItsPath) {
  MemoryStream out;
  ListingPrinter printer(out.Fd(), ListingStyle::kText, kNow);
  ListingPipe pipe(printer);
  const int fd = ::open(pipe.EnginePath().c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const std::string block(100000, 'x');
  ASSERT_EQ(::write(fd, block.data(), block.size()), static_cast<ssize_t>(block.size()));
  ASSERT_EQ(::write(fd, "\r\n", 2), 2);
  ::close(fd);
  pipe.Finish();
  EXPECT_EQ(out.Contents(), block + "\n");
  EXPECT_EQ(printer.WriteError(), "");
}

TEST(ListingPipeTest, FailingOutputMakesTheEnginesWritesFail) {
  std::signal(SIGPIPE, SIG_IGN);
  const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  ListingPrinter printer(full, ListingStyle::kText, kNow);
  ListingPipe pipe(printer);
  const int fd = ::open(pipe.EnginePath().c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  // Without the pipe closing, these writes would block once it is full.
  const std::string block(64 * 1024, 'x');
  ssize_t written = 0;
  for (int i = 0; i < 1000 && written >= 0; ++i) {
    written = ::write(fd, block.data(), block.size());
  }
  EXPECT_EQ(written, -1);
  EXPECT_EQ(errno, EPIPE);
  ::close(fd);
  pipe.Finish();
  ::close(full);
  EXPECT_EQ(printer.WriteError(), std::strerror(ENOSPC));
}

}  // namespace
}  // namespace varnel::cli
