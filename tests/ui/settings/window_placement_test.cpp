#include "ui/settings/window_placement.h"

#include <gtest/gtest.h>

#include <climits>

namespace varnel::ui {
namespace {

struct OffsetCase {
  int screen;
  int window;
  int expected;
};

class CentredOffsetTest : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(CentredOffsetTest, HalvesTheDifferenceTowardZero) {
  EXPECT_EQ(CentredOffset(GetParam().screen, GetParam().window), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CentredOffsetTest,
    ::testing::Values(OffsetCase{1920, 778, 571}, OffsetCase{1080, 554, 263},
                      OffsetCase{1081, 554, 263}, OffsetCase{800, 1001, -100},
                      OffsetCase{800, 1000, -100}, OffsetCase{0, 0, 0}, OffsetCase{0, 1, 0},
                      OffsetCase{0, 3, -1}, OffsetCase{INT_MAX, INT_MIN, INT_MAX},
                      OffsetCase{INT_MIN, INT_MAX, -INT_MAX}, OffsetCase{INT_MIN, INT_MIN, 0}));

runtime::IniFile FromBytes(const std::string& bytes) {
  runtime::IniFile file("/nonexistent/w.INI");
  file.SetBytes(bytes);
  return file;
}

struct SectionCase {
  const char* name;
  const char* content;
  TWindowBounds expected;
};

class WindowSectionTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(WindowSectionTest, CentresWithTheSizeJustRead) {
  runtime::IniFile file = FromBytes(GetParam().content);
  EXPECT_EQ(ReadWindowSection(file, {1024, 768}, {}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WindowSectionTest,
    ::testing::Values(
        SectionCase{"empty", "", {107, 123, 778, 554}},
        SectionCase{"all_given", "[Window]\r\nTop=1\r\nLeft=2\r\nWidth=3\r\nHeight=4\r\n", {1, 2, 3, 4}},
        SectionCase{"size_only", "[Window]\r\nWidth=1024\r\nHeight=968\r\n", {-100, 0, 1024, 968}},
        SectionCase{"top_only", "[window]\r\ntop=-5\r\n", {-5, 123, 778, 554}},
        SectionCase{"extreme_size", "[Window]\r\nWidth=-2147483648\r\nHeight=-2147483648\r\n",
                    {1073742208, 1073742336, INT_MIN, INT_MIN}},
        SectionCase{"no_numbers", "[Window]\r\nTop=x\r\nLeft=\r\nWidth=w\r\nHeight=h\r\n",
                    {107, 123, 778, 554}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(WindowPlacementTest, WritesTopLeftWidthHeightInOrder) {
  runtime::IniFile file = FromBytes("");
  WriteWindowSection(file, {10, -20, 640, 480});
  EXPECT_EQ(file.Bytes(), "[Window]\r\nTop=10\r\nLeft=-20\r\nWidth=640\r\nHeight=480\r\n");
}

TEST(WindowPlacementTest, CentredBoundsUsesTheGivenSize) {
  EXPECT_EQ(CentredBounds({1024, 768}, {800, 600}), (TWindowBounds{84, 112, 800, 600}));
}

}  // namespace
}  // namespace varnel::ui
