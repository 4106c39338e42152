// Byte-count texts: the size column, FormatByteCount and the progress label
// and hint.
#include "listing/display_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace varnel::listing {
namespace {

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

struct SizeCase {
  std::int64_t Bytes;
  std::string Expected;
};

class FileSizeTextTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FileSizeTextTest, WholeKilobytesHalvesToEven) {
  EXPECT_EQ(FileSizeText(GetParam().Bytes), GetParam().Expected) << GetParam().Bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileSizeTextTest,
    ::testing::Values(SizeCase{-1, "?? KB"}, SizeCase{-5, "?? KB"}, SizeCase{kMin, "?? KB"},
                      SizeCase{0, "0 KB"}, SizeCase{1, "1 KB"}, SizeCase{100, "1 KB"},
                      SizeCase{300, "1 KB"}, SizeCase{512, "1 KB"}, SizeCase{1023, "1 KB"},
                      SizeCase{1024, "1 KB"}, SizeCase{1535, "1 KB"}, SizeCase{1536, "2 KB"},
                      SizeCase{2560, "2 KB"}, SizeCase{2561, "3 KB"}, SizeCase{3584, "4 KB"},
                      SizeCase{5242880, "5120 KB"}, SizeCase{5000000000, "4882812 KB"},
                      SizeCase{kMax, "9007199254740992 KB"}));

struct CountCase {
  std::int64_t Value;
  bool WithDecimals;
  std::string Expected;
};

class FormatByteCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(FormatByteCountTest, Text) {
  EXPECT_EQ(FormatByteCount(GetParam().Value, GetParam().WithDecimals), GetParam().Expected)
      << GetParam().Value << (GetParam().WithDecimals ? " with decimals" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatByteCountTest,
    ::testing::Values(CountCase{1500000, false, "1.43Mb"}, CountCase{1500000, true, "1.43Mb"},
                      CountCase{1536, true, "1.50Kb"}, CountCase{1536, false, "1Kb"},
                      CountCase{1024, true, "1024bytes"}, CountCase{1024, false, "1024bytes"},
                      CountCase{1048576, true, "1024.00Kb"}, CountCase{1048576, false, "1024Kb"},
                      CountCase{0, false, "0bytes"}, CountCase{1, true, "1bytes"},
                      CountCase{1025, true, "1.00Kb"}, CountCase{1025, false, "1Kb"},
                      CountCase{1126, true, "1.09Kb"}, CountCase{1048577, false, "1.00Mb"},
                      CountCase{1101005, true, "1.05Mb"}, CountCase{3000000, false, "2.86Mb"},
                      CountCase{750000, true, "732.42Kb"}, CountCase{-1536, true, "1.50Kb"},
                      CountCase{-1500000, false, "1.43Mb"},
                      CountCase{kMax, true, "8796093022207.99Mb"},
                      CountCase{kMin, true, "8796093022208.00Mb"}));

struct LabelCase {
  std::int64_t Count;
  std::int64_t Total;
  std::string Expected;
};

class ProgressLabelTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(ProgressLabelTest, CountOfTotalWithPercent) {
  EXPECT_EQ(TransferProgressLabel(GetParam().Count, GetParam().Total), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgressLabelTest,
    ::testing::Values(
        LabelCase{1500000, 3000000, "1.43Mb of 2.86Mb (50%)"},
        LabelCase{0, 0, "0bytes of 0bytes (??%)"}, LabelCase{700, 0, "700bytes of 0bytes (??%)"},
        LabelCase{0, 5000, "0bytes of 4Kb (0%)"}, LabelCase{1, 8, "1bytes of 8bytes (12%)"},
        LabelCase{3, 8, "3bytes of 8bytes (38%)"}, LabelCase{5, 1000, "5bytes of 1000bytes (0%)"},
        LabelCase{2048, 1024, "2Kb of 1024bytes (200%)"},
        LabelCase{1025, 1024, "1Kb of 1024bytes (100%)"},
        LabelCase{kMax, kMax, "8796093022207.99Mb of 8796093022207.99Mb (100%)"}));

struct HintCase {
  std::int64_t Count;
  std::int64_t ElapsedMs;
  std::string Expected;
};

class ProgressHintTest : public ::testing::TestWithParam<HintCase> {};

TEST_P(ProgressHintTest, RateOrBracketedLabel) {
  EXPECT_EQ(TransferProgressHint("L", GetParam().Count, GetParam().ElapsedMs), GetParam().Expected)
      << GetParam().ElapsedMs << " ms";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgressHintTest,
    ::testing::Values(HintCase{1500000, 2000, "L at 732.42Kb/Sec"}, HintCase{1500000, 0, "[L]"},
                      HintCase{1500000, 499, "[L]"},
                      HintCase{1500000, 500, "[L]"},  // 0.5 s rounds to 0
                      HintCase{1000, 501, "L at 1000bytes/Sec"},
                      HintCase{2000, 1500, "L at 1000bytes/Sec"},  // 1.5 s rounds to 2
                      HintCase{2000, 2500, "L at 1000bytes/Sec"},  // 2.5 s rounds to 2
                      HintCase{2000, 2501, "L at 666bytes/Sec"},
                      HintCase{7, 2000, "L at 3bytes/Sec"},  // integer division
                      HintCase{1500000, -3000, "[L]"}));

TEST(ProgressTexts, LabelAndHintTogether) {
  const std::string label = TransferProgressLabel(1500000, 3000000);
  EXPECT_EQ(TransferProgressHint(label, 1500000, 2000), "1.43Mb of 2.86Mb (50%) at 732.42Kb/Sec");
}

}  // namespace
}  // namespace varnel::listing
