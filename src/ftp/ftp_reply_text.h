// Pure text helpers of the engine: reading reply lines, building command
// texts and the transfer summary. No state, no I/O.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ftp/ftp_types.h"

namespace varnel::ftp {

// True when the first character is a decimal digit (an empty line is not).
bool StartsWithDigit(std::string_view line);

// The leading number: blanks, TAB, CR and LF skipped, one optional sign,
// then decimal digits; 0 when there are none. Saturates instead of
// overflowing on over-long digit runs.
int LeadingNumber(std::string_view line);

// A line of a multi-line reply that is not its last: the leading number is
// followed directly by "-".
bool IsContinuationLine(std::string_view line);

// True when `line` is the last line of a reply (RFC 959 section 4.2). A line
// "ddd text" is a reply of its own; "ddd-text" opens a multi-line reply,
// which ends only at a line that starts with the same code followed by a
// blank (or nothing); the lines between are text, whatever they start with.
// `open_code` carries the code of the open multi-line reply from line to
// line, 0 when none is open.
bool EndsReply(std::string_view line, int& open_code);

// The double-quoted name after the reply code ("" doubled stands for one
// quote; the end of the line also ends the name). Empty when the first
// character after the code and its following blanks is not a quote.
std::string QuotedName(std::string_view line);

// The number after the reply code (SIZE), read like the leading number.
std::int64_t SecondNumber(std::string_view line);

// The data port named by a 227 reply: the six comma-separated numbers inside
// the parentheses, or, without parentheses, the first six after the reply
// code. Nothing unless all six are numbers of 0 to 255 and the port is not 0.
std::optional<std::uint16_t> PasvPort(std::string_view reply);

// "PORT a,b,c,d,h,l" for an IPv4 address given as its four bytes in network
// order and a port.
std::string PortCommand(const std::uint8_t (&address)[4], std::uint16_t port);

// The USER command: "USER name", or through an FTP proxy "USER name@host",
// with ":" + port appended unless the port is "ftp" or "21" (any case).
std::string UserCommand(TFtpConnectionType type, const std::string& user_name,
                        const std::string& host_name, const std::string& port);

// The summary of a transfer, without the "! " prefix:
// "<n> bytes received/sent in <s> seconds" + " (<rate> Bytes/sec)" when the
// elapsed time is not 0.
std::string TransferSummary(std::int64_t byte_count, std::int64_t elapsed_ms);

// True when the text holds a CR or an LF: such a text would end the command
// line early and smuggle a second command onto the control connection.
bool ContainsLineBreak(std::string_view text);

// The error word for a failing reply code: the code itself when it fits in
// 1..65535, else 500, so that a failure is never reported as 0.
std::uint16_t ReplyErrorWord(int status_code);

// The text of a command as the engine logs and sends it: the word, one blank
// and the argument (no quoting, no trimming).
inline std::string CommandWithArgument(std::string_view word, std::string_view argument) {
  std::string command(word);
  command += ' ';
  command += argument;
  return command;
}

}  // namespace varnel::ftp
