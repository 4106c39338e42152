// Reading reply lines and building command and summary texts.
#include "ftp/ftp_reply_text.h"

#include <array>
#include <cctype>
#include <climits>
#include <cstddef>

namespace varnel::ftp {
namespace {

constexpr std::size_t kPasvNumbers = 6;
constexpr int kMaxPasvByte = 255;
// Digits beyond this many cannot form a byte: such a number is refused
// without being read further.
constexpr std::size_t kMaxPasvDigits = 3;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

// Reads an optionally signed decimal number at `pos` (after blanks),
// saturating at `limit`; `pos` ends behind the digits.
std::int64_t ReadNumber(std::string_view text, std::size_t& pos, std::int64_t limit) {
  pos = SkipBlanks(text, pos);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  std::int64_t value = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
    const int digit = text[pos] - '0';
    value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
  }
  return negative ? -value : value;
}

// The position just behind the leading number (and its blanks and sign).
std::size_t EndOfLeadingNumber(std::string_view line) {
  std::size_t pos = 0;
  ReadNumber(line, pos, INT_MAX);
  return pos;
}

// Reads one PASV number of 1 to 3 digits at `pos`, blanks around it allowed.
std::optional<int> ReadPasvByte(std::string_view text, std::size_t& pos) {
  pos = SkipBlanks(text, pos);
  const std::size_t start = pos;
  int value = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    if (pos - start == kMaxPasvDigits) return std::nullopt;
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  if (pos == start || value > kMaxPasvByte) return std::nullopt;
  pos = SkipBlanks(text, pos);
  return value;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool StartsWithDigit(std::string_view line) { return !line.empty() && IsDigit(line.front()); }

int LeadingNumber(std::string_view line) {
  std::size_t pos = 0;
  return static_cast<int>(ReadNumber(line, pos, INT_MAX));
}

bool IsContinuationLine(std::string_view line) {
  const std::size_t pos = EndOfLeadingNumber(line);
  return pos > 0 && IsDigit(line[pos - 1]) && pos < line.size() && line[pos] == '-';
}

bool EndsReply(std::string_view line, int& open_code) {
  if (!StartsWithDigit(line)) return false;
  if (open_code == 0) {
    if (!IsContinuationLine(line)) return true;
    open_code = LeadingNumber(line);
    return false;
  }
  const std::size_t end = EndOfLeadingNumber(line);
  if (LeadingNumber(line) != open_code || (end < line.size() && line[end] != ' ')) return false;
  open_code = 0;
  return true;
}

std::string QuotedName(std::string_view line) {
  std::size_t pos = SkipBlanks(line, EndOfLeadingNumber(line));
  std::string name;
  if (pos >= line.size() || line[pos] != '"') return name;
  for (++pos; pos < line.size(); ++pos) {
    if (line[pos] == '"') {
      if (pos + 1 >= line.size() || line[pos + 1] != '"') break;
      ++pos;  // a doubled quote stands for one
    }
    name += line[pos];
  }
  return name;
}

std::int64_t SecondNumber(std::string_view line) {
  std::size_t pos = EndOfLeadingNumber(line);
  return ReadNumber(line, pos, INT64_MAX);
}

std::optional<std::uint16_t> PasvPort(std::string_view reply) {
  std::size_t pos = reply.find('(');
  if (pos == std::string_view::npos) {
    pos = EndOfLeadingNumber(reply);
    while (pos < reply.size() && !IsDigit(reply[pos])) ++pos;
  } else {
    ++pos;
  }
  std::array<int, kPasvNumbers> numbers{};
  for (std::size_t i = 0; i < kPasvNumbers; ++i) {
    const std::optional<int> number = ReadPasvByte(reply, pos);
    if (!number) return std::nullopt;
    numbers[i] = *number;
    const bool last = i + 1 == kPasvNumbers;
    if (!last) {
      if (pos >= reply.size() || reply[pos] != ',') return std::nullopt;
      ++pos;
    } else if (pos < reply.size() && IsDigit(reply[pos])) {
      return std::nullopt;
    }
  }
  const int port = numbers[4] * 256 + numbers[5];
  if (port == 0) return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

std::string PortCommand(const std::uint8_t (&address)[4], std::uint16_t port) {
  return "PORT " + std::to_string(address[0]) + "," + std::to_string(address[1]) + "," +
         std::to_string(address[2]) + "," + std::to_string(address[3]) + "," +
         std::to_string(port / 256) + "," + std::to_string(port % 256);
}

std::string UserCommand(TFtpConnectionType type, const std::string& user_name,
                        const std::string& host_name, const std::string& port) {
  if (type != ftpProxy) return "USER " + user_name;
  std::string command = "USER " + user_name + '@' + host_name;
  if (!EqualsIgnoringCase(port, "ftp") && port != "21") command += ":" + port;
  return command;
}

std::string TransferSummary(std::int64_t byte_count, std::int64_t elapsed_ms) {
  std::string text = std::to_string(byte_count) + " bytes received/sent in " +
                     std::to_string(elapsed_ms / 1000) + " seconds";
  if (elapsed_ms != 0) {
    // Exact bytes × 1000 / elapsed without overflowing for huge counts.
    const std::int64_t rate = byte_count / elapsed_ms * 1000 +
                              byte_count % elapsed_ms * 1000 / elapsed_ms;
    text += " (" + std::to_string(rate) + " Bytes/sec)";
  }
  return text;
}

bool ContainsLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

std::uint16_t ReplyErrorWord(int status_code) {
  constexpr int kUnreadableReply = 500;
  if (status_code >= 1 && status_code <= 0xFFFF) return static_cast<std::uint16_t>(status_code);
  return kUnreadableReply;
}

}  // namespace varnel::ftp
