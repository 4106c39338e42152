#include "ui/assoc/type_names.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <string>

#include "assoc_test_util.h"
#include "ui/assoc/file_icons.h"

namespace varnel::ui {
namespace {

using assoc_test::CaseLabel;

struct NameCase {
  const char* name;
  const char* expected;
};

class FileTypeNames : public ::testing::TestWithParam<NameCase> {
 protected:
  // The MIME database describes types in the user's language.
  static void SetUpTestSuite() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

TEST_P(FileTypeNames, NameTheTypeOfAFile) {
  EXPECT_EQ(GetFileTypeName(GetParam().name), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    FixedTable, FileTypeNames,
    ::testing::Values(NameCase{"setup.exe", "Application"}, NameCase{"README.TXT", "Text Document"},
                      NameCase{"server.log", "Text Document"}, NameCase{"x.Ini", "Configuration Settings"},
                      NameCase{"page.html", "HTML Document"}, NameCase{"page.htm", "HTML Document"},
                      NameCase{"vxd.386", "Virtul Device Driver"},
                      NameCase{"data.csv", "Microsoft Comma Separated Value File"},
                      NameCase{"a.b.pdf", "Adobe Acrobat Document"},
                      // The fixed table wins over the MIME database.
                      NameCase{"picture.bmp", "Bitmap Image"}, NameCase{"feed.xml", "XML Document"}),
    [](const auto& p) { return CaseLabel(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    MimeDatabase, FileTypeNames,
    ::testing::Values(NameCase{"photo.png", "PNG image"}, NameCase{"PHOTO.PNG", "PNG image"},
                      NameCase{"notes.md", "Markdown document"},
                      NameCase{"backup.tar.gz", "Gzip archive"}),
    [](const auto& p) { return CaseLabel(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Unknown, FileTypeNames,
    ::testing::Values(NameCase{"data.xyz", "XYZ File"}, NameCase{"data.XyZ", "XYZ File"},
                      NameCase{"Makefile", "File"}, NameCase{"trailing.", "File"},
                      NameCase{"dir.d/inner", "File"}, NameCase{"", ""},
                      NameCase{".qqqhidden", "QQQHIDDEN File"}),
    [](const auto& p) { return CaseLabel(p.param.name); });

class TypeNameDescriptions : public ::testing::TestWithParam<NameCase> {};

TEST_P(TypeNameDescriptions, TurnClassNamesIntoWords) {
  EXPECT_EQ(DescribeTypeName(GetParam().name), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ClassNames, TypeNameDescriptions,
    ::testing::Values(NameCase{"txtfile", "TXT File"}, NameCase{"Word.Document.8", "Word Document 8"},
                      NameCase{"Paint.Picture", "Paint Picture File"}, NameCase{"WinZip", "Win Zip File"},
                      NameCase{"JPEGFile", "JPEG File"}, NameCase{"ABC", "ABC"},
                      NameCase{"Word.Document", "Word Document"}, NameCase{".Foo", "Foo File"},
                      NameCase{"a.b", "a .b File"}, NameCase{"", ""},
                      NameCase{"image/png", "image /png File"}),
    [](const auto& p) { return CaseLabel(p.param.name); });

TEST(FixedTypeNameTable, AnswersOnlyForLowerCaseExtensionsWithTheirDot) {
  EXPECT_EQ(FixedTypeName(".doc"), "Microsoft Word Document");
  EXPECT_EQ(FixedTypeName(".DOC"), std::nullopt);
  EXPECT_EQ(FixedTypeName("doc"), std::nullopt);
  EXPECT_EQ(FixedTypeName(".png"), std::nullopt);
}

struct IconCase {
  const char* extension;
  int index;
};

class FileIconIndexes : public ::testing::TestWithParam<IconCase> {};

TEST_P(FileIconIndexes, PickThePictureOfTheExtensionsGroup) {
  EXPECT_EQ(GetFileIconIndex(GetParam().extension), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, FileIconIndexes,
    ::testing::Values(IconCase{"INI", 2}, IconCase{"inf", 2}, IconCase{"Bmp", 3}, IconCase{"CMD", 4},
                      IconCase{"386", 5}, IconCase{"dot", 6}, IconCase{"CSV", 7}, IconCase{"LOG", 8},
                      IconCase{"FDF", 10}, IconCase{"Z", 14}, IconCase{"tar", 14}, IconCase{"QT", 18},
                      IconCase{"MP3", 20}, IconCase{"DER", 26}, IconCase{"html", 28},
                      IconCase{"GIF", 36}, IconCase{"BAT", 40}, IconCase{"XML", 41},
                      IconCase{"xyz", kOtherFileIconIndex}, IconCase{"", kOtherFileIconIndex},
                      IconCase{"JPEG", kOtherFileIconIndex}, IconCase{".TXT", kOtherFileIconIndex},
                      IconCase{"INI INF", kOtherFileIconIndex}, IconCase{"ZI", kOtherFileIconIndex}),
    [](const auto& p) { return CaseLabel(p.param.extension) + "_" + std::to_string(p.param.index); });

}  // namespace
}  // namespace varnel::ui
