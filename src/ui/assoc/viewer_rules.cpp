#include "ui/assoc/viewer_rules.h"

#include <algorithm>
#include <array>
#include <utility>

namespace varnel::ui {
namespace {

constexpr std::string_view kTextEditor = "mousepad";
constexpr std::string_view kPreferredTextEditor = "gedit";
constexpr std::string_view kImageViewer = "eog";
constexpr std::string_view kPreferredImageViewer = "gimp";
constexpr std::string_view kPdfViewer = "evince";
constexpr std::string_view kPreferredPdfViewer = "okular";
constexpr std::string_view kOffice = "libreoffice";
constexpr std::string_view kArchiver = "file-roller";
constexpr std::string_view kMediaPlayer = "vlc";

// gedit, eog and GIMP pass a file to an instance already running and return
// at once unless told otherwise; the viewing wait would then end before the
// file was edited. mousepad has no such option: it waits unless another
// mousepad window is open.
constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kWaitOptions{{
    {kPreferredTextEditor, "--wait"},
    {kImageViewer, "--new-instance"},
    {kPreferredImageViewer, "--new-instance"},
}};

}  // namespace

const std::vector<ViewerRule>& ViewerRules() {
  static const std::vector<ViewerRule> rules{
      {"TXT", kTextEditor, kPreferredTextEditor},
      {"LOG", kTextEditor, kPreferredTextEditor},
      {"INI", kTextEditor, kPreferredTextEditor},
      {"BMP", kImageViewer, kPreferredImageViewer},
      {"JPG", kImageViewer, kPreferredImageViewer},
      {"GIF", kImageViewer, kPreferredImageViewer},
      {"PNG", kImageViewer, kPreferredImageViewer},
      {"DOC", kOffice, ""},
      {"DOT", kOffice, ""},
      {"RTF", kOffice, ""},
      {"PDF", kPdfViewer, kPreferredPdfViewer},
      {"HTM", kTextEditor, kPreferredTextEditor},
      {"HTML", kTextEditor, kPreferredTextEditor},
      {"XML", kTextEditor, kPreferredTextEditor},
      {"ZIP", kArchiver, ""},
      {"WRI", kOffice, ""},
      {"PPT", kOffice, ""},
      {"PPS", kOffice, ""},
      {"MP3", kMediaPlayer, ""},
      {"WAV", kMediaPlayer, ""},
      {"AVI", kMediaPlayer, ""},
      {"XLS", kOffice, ""},
      {"CSV", kTextEditor, kPreferredTextEditor},
  };
  return rules;
}

std::vector<std::string> TargetNames(const std::vector<ViewerRule>& rules) {
  std::vector<std::string> names;
  auto add = [&names](std::string_view name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
      names.emplace_back(name);
    }
  };
  for (const ViewerRule& rule : rules) {
    add(rule.program);
    add(rule.preferred);
  }
  return names;
}

std::string_view WaitOption(std::string_view program) {
  for (const auto& [name, option] : kWaitOptions) {
    if (name == program) return option;
  }
  return {};
}

}  // namespace varnel::ui
