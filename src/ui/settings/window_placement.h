// The main window's outer bounds as the settings file keeps them, centred
// on the screen when the file does not say where.
#pragma once

#include "runtime/ini_file.h"

namespace varnel::ui {

// The main window's designed size.
constexpr int kDesignedWidth = 778;
constexpr int kDesignedHeight = 554;

struct TScreenSize {
  int Width = 0;
  int Height = 0;
};

struct TWindowSize {
  int Width = kDesignedWidth;
  int Height = kDesignedHeight;
};

struct TWindowBounds {
  int Top = 0;
  int Left = 0;
  int Width = kDesignedWidth;
  int Height = kDesignedHeight;

  bool operator==(const TWindowBounds&) const = default;
};

// (screen - window) / 2, truncating toward zero. Exact for any two ints
// (a stored size may be anything), never an overflow.
int CentredOffset(int screen_extent, int window_extent);

// The bounds a window of `size` gets when centred on `screen`.
TWindowBounds CentredBounds(TScreenSize screen, TWindowSize size);

// Reads section "Window": "Width", then "Height" (designed size by
// default), then "Top" and "Left", whose defaults centre the size just read.
TWindowBounds ReadWindowSection(const runtime::IniFile& file, TScreenSize screen,
                                TWindowSize designed);

// Writes "Top", "Left", "Width", "Height" in that order. Throws
// runtime::EIniFileException like IniFile::WriteString.
void WriteWindowSection(runtime::IniFile& file, const TWindowBounds& bounds);

}  // namespace varnel::ui
