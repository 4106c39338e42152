// Picture indexes of the file panes' image list, chosen by extension.
#pragma once

#include <string_view>

namespace varnel::ui {

// Index 0 is the folder picture; files get 1 ... kLastFileIconIndex.
inline constexpr int kFolderIconIndex = 0;
inline constexpr int kOtherFileIconIndex = 1;
inline constexpr int kLastFileIconIndex = 41;

// The picture index for an extension given without its dot, in any letter
// case; an extension outside the known groups gives kOtherFileIconIndex.
int GetFileIconIndex(std::string_view extension);

}  // namespace varnel::ui
