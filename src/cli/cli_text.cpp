#include "cli/cli_text.h"

namespace varnel::cli {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr unsigned char kTab = 0x09;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7f;
constexpr unsigned char kFirstC1 = 0x80;
constexpr unsigned char kLastC1 = 0x9f;
// U+0080..U+009F in UTF-8: this lead byte and a second byte in the C1 range.
constexpr unsigned char kC1Lead = 0xc2;

bool IsContinuation(std::string_view text, std::size_t at) {
  return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xc0) == 0x80;
}

bool IsC1(unsigned char byte) { return byte >= kFirstC1 && byte <= kLastC1; }

void AppendEscape(std::string& out, unsigned char byte) {
  out += "\\x";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0f];
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char second_min = 0x80;
  unsigned char second_max = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) second_min = 0xa0;
    if (lead == 0xed) second_max = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) second_min = 0x90;
    if (lead == 0xf4) second_max = 0x8f;
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(1) < second_min || byte(1) > second_max) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!IsContinuation(text, at + i)) return 0;
  }
  return length;
}

std::string VisibleText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t sequence = Utf8SequenceLength(text, i);
    if (sequence > 0) {
      const bool c1 = byte == kC1Lead && IsC1(static_cast<unsigned char>(text[i + 1]));
      for (std::size_t k = 0; k < sequence; ++k) {
        if (c1) {
          AppendEscape(shown, static_cast<unsigned char>(text[i + k]));
        } else {
          shown += text[i + k];
        }
      }
      i += sequence;
      continue;
    }
    // Outside a UTF-8 sequence a byte is read as Latin-1, where 0x80..0x9f
    // are the C1 controls (0x9b starts a sequence like ESC "[").
    if ((byte < kFirstPrintable && byte != kTab) || byte == kDelete || IsC1(byte)) {
      AppendEscape(shown, byte);
    } else {
      shown += text[i];
    }
    ++i;
  }
  return shown;
}

}  // namespace varnel::cli
