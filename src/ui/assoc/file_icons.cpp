#include "ui/assoc/file_icons.h"

#include <array>
#include <string>

#include "ui/assoc/assoc_text.h"

namespace varnel::ui {
namespace {

struct IconGroup {
  int index;
  std::string_view extensions;  // blank-separated
};

constexpr std::array<IconGroup, 40> kIconGroups{{
    {2, "INI INF"},
    {3, "BMP"},
    {4, "EXE COM BIN CMD"},
    {5, "SYS DLL PNF CPL 386 DRV"},
    {6, "DOC RTF DOT"},
    {7, "XLS XLB XLC CSV"},
    {8, "TXT LOG"},
    {9, "MPP MPD"},
    {10, "PDF FDF"},
    {11, "PIF"},
    {12, "HLP"},
    {13, "PAS"},
    {14, "ZIP ARC ARJ SIT Z TAR"},
    {15, "DPR BPG"},
    {16, "DFM"},
    {17, "DPK"},
    {18, "AVI FLI FLC QT"},
    {19, "SCR"},
    {20, "WAV MP3 SND"},
    {21, "WRI"},
    {22, "FON PFM"},
    {23, "TTF"},
    {24, "CHM"},
    {25, "MSI"},
    {26, "CER P7B SPC CRT DER"},
    {27, "PPT PPS"},
    {28, "URL HTM HTML"},
    {29, "MDB MDN"},
    {30, "CAT"},
    {31, "DBF"},
    {32, "MSG OFT"},
    {33, "GRA"},
    {34, "INS ISP"},
    {35, "PSP"},
    {36, "JPG GIF"},
    {37, "JBF"},
    {38, "MOV"},
    {39, "CAB"},
    {40, "BAT"},
    {41, "XML"},
}};

bool InGroup(std::string_view group, std::string_view extension) {
  while (!group.empty()) {
    std::size_t blank = group.find(' ');
    std::string_view word = group.substr(0, blank);
    if (word == extension) return true;
    if (blank == std::string_view::npos) break;
    group.remove_prefix(blank + 1);
  }
  return false;
}

}  // namespace

int GetFileIconIndex(std::string_view extension) {
  if (extension.empty()) return kOtherFileIconIndex;
  std::string upper = assoc_text::Upper(extension);
  for (const IconGroup& group : kIconGroups) {
    if (InGroup(group.extensions, upper)) return group.index;
  }
  return kOtherFileIconIndex;
}

}  // namespace varnel::ui
