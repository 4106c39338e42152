#include "ui/settings/window_placement.h"

namespace varnel::ui {
namespace {

constexpr const char* kSection = "Window";

}  // namespace

int CentredOffset(int screen_extent, int window_extent) {
  // The difference of two ints needs 33 bits; its half fits an int again.
  long long difference = static_cast<long long>(screen_extent) - window_extent;
  return static_cast<int>(difference / 2);
}

TWindowBounds CentredBounds(TScreenSize screen, TWindowSize size) {
  return {CentredOffset(screen.Height, size.Height), CentredOffset(screen.Width, size.Width),
          size.Width, size.Height};
}

TWindowBounds ReadWindowSection(const runtime::IniFile& file, TScreenSize screen,
                                TWindowSize designed) {
  TWindowBounds bounds;
  bounds.Width = file.ReadInteger(kSection, "Width", designed.Width);
  bounds.Height = file.ReadInteger(kSection, "Height", designed.Height);
  TWindowBounds centred = CentredBounds(screen, {bounds.Width, bounds.Height});
  bounds.Top = file.ReadInteger(kSection, "Top", centred.Top);
  bounds.Left = file.ReadInteger(kSection, "Left", centred.Left);
  return bounds;
}

void WriteWindowSection(runtime::IniFile& file, const TWindowBounds& bounds) {
  file.WriteInteger(kSection, "Top", bounds.Top);
  file.WriteInteger(kSection, "Left", bounds.Left);
  file.WriteInteger(kSection, "Width", bounds.Width);
  file.WriteInteger(kSection, "Height", bounds.Height);
}

}  // namespace varnel::ui
