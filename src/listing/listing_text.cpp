#include "listing/listing_text.h"

#include <algorithm>

namespace varnel::listing {
namespace {

unsigned char FoldAscii(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(FoldAscii(c));
  }
  return text;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

std::string_view TrimControls(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlankOrControl(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::size_t FindLineEnd(std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\n' || text[at] == '\r') return at;
  }
  return std::string_view::npos;
}

bool LessIgnoringCase(std::string_view first, std::string_view second) {
  return std::lexicographical_compare(first.begin(), first.end(), second.begin(), second.end(),
                                      [](char a, char b) { return FoldAscii(a) < FoldAscii(b); });
}

}  // namespace varnel::listing
