#include "cli/cli_failure.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>
#include <string_view>

#include "socket/winsock_errors.h"

namespace varnel::cli {
namespace {

constexpr int kFirstSocketError = socket::WSABASEERR;
constexpr int kLastSocketError = 11999;
constexpr int kFirstSocksError = 20001;
constexpr int kLastSocksError = 20099;
constexpr int kFirstReplyCode = 100;
constexpr int kLastReplyCode = 599;
constexpr int kCannotOpenData = 425;
constexpr int kNotLoggedIn = 530;
constexpr int kNeedAccount = 532;

// The engine's own lines (after a reply code, when they carry one), by what
// went wrong.
enum class EngineLine {
  kDataConnect,
  kPasvPort,
  kDataBroken,
  kDataEarlyEnd,
  kClosed,
  kAborted,
  kLocalOpen,
  kLocalWrite,
  kLocalRead,
  kSocketException,
};

struct EngineLineText {
  std::string_view start;
  EngineLine kind;
};

constexpr std::array<EngineLineText, 11> kEngineLines{{
    {"Unable to establish data connection, error #", EngineLine::kDataConnect},
    {"No data port in the PASV reply: ", EngineLine::kPasvPort},
    {"Data connection closed with error #", EngineLine::kDataBroken},
    {"Data: Receive error ", EngineLine::kDataBroken},
    {"Data connection closed before the end of the file", EngineLine::kDataEarlyEnd},
    {"Connection closed before the reply", EngineLine::kClosed},
    {"Operation aborted.", EngineLine::kAborted},
    {"Unable to open local file ", EngineLine::kLocalOpen},
    {"Error writing local file ", EngineLine::kLocalWrite},
    {"Error reading local file ", EngineLine::kLocalRead},
    {"ESocketException: ", EngineLine::kSocketException},
}};

struct SocksText {
  int code;
  std::string_view text;
};

constexpr std::array<SocksText, 8> kSocksTexts{{
    {20004, "general failure"},
    {20005, "the connection is not allowed"},
    {20006, "network unreachable"},
    {20007, "host unreachable"},
    {20008, "connection refused"},
    {20015, "authentication failed"},
    {20016, "request rejected"},
    {20017, "cannot resolve the host name"},
}};

// How servers word a refusal for lack of rights (vsftpd and proftpd say
// "Permission denied", pyftpdlib "Not enough privileges").
constexpr std::array<std::string_view, 3> kPermissionWords{"permission denied", "privileges",
                                                           "access denied"};

std::string Seconds(int count) {
  return std::to_string(count) + (count == 1 ? " second" : " seconds");
}

std::string LowerFirst(std::string text) {
  if (text.empty()) return text;
  text.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(text.front())));
  return text;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         }) != text.end();
}

bool StartsWithReplyCode(std::string_view line) {
  return line.size() >= 3 && std::all_of(line.begin(), line.begin() + 3, [](char c) {
           return std::isdigit(static_cast<unsigned char>(c)) != 0;
         });
}

// The first number in `text` after `from`.
std::optional<int> NumberAfter(std::string_view text, std::size_t from) {
  const std::size_t digit = text.find_first_of("0123456789", from);
  if (digit == std::string_view::npos) return std::nullopt;
  int value = 0;
  std::from_chars(text.data() + digit, text.data() + text.size(), value);
  return value;
}

std::string SocketErrorText(int error) { return LowerFirst(socket::WinsockErrorText(error)); }

std::string SocketFailure(int error, const FailureScene& scene) {
  if (error >= socket::WSAHOST_NOT_FOUND && error <= socket::WSANO_DATA) {
    return "cannot resolve host \"" + scene.lookup_host + "\"";
  }
  if (scene.step != "connect") {
    if (error == socket::WSAENOTCONN) return "not connected to the server";
    return "the connection to the server failed (" + SocketErrorText(error) + ")";
  }
  if (error == socket::WSAECONNREFUSED) return "connection refused by " + scene.peer;
  return "cannot connect to " + scene.peer + " (" + SocketErrorText(error) + ")";
}

std::string SocksFailure(int error, const FailureScene& scene) {
  const auto found = std::find_if(kSocksTexts.begin(), kSocksTexts.end(),
                                  [error](const SocksText& entry) { return entry.code == error; });
  const std::string text =
      found != kSocksTexts.end() ? std::string(found->text) : "error " + std::to_string(error);
  return "the SOCKS proxy " + scene.peer + " failed: " + text;
}

std::optional<std::string> EngineLineFailure(std::string_view line) {
  if (StartsWithReplyCode(line) && line.size() > 4 && line[3] == ' ') line.remove_prefix(4);
  const auto found =
      std::find_if(kEngineLines.begin(), kEngineLines.end(), [line](const EngineLineText& entry) {
        return line.substr(0, entry.start.size()) == entry.start;
      });
  if (found == kEngineLines.end()) return std::nullopt;
  const std::string rest(line.substr(found->start.size()));
  // The socket error number that ends the line, as words.
  const auto reason = [&rest] {
    const std::optional<int> number = NumberAfter(rest, 0);
    return number ? " (" + SocketErrorText(*number) + ")" : std::string();
  };
  switch (found->kind) {
    case EngineLine::kDataConnect:
      return "cannot open the data connection" + reason();
    case EngineLine::kPasvPort:
      return "the server's answer to PASV names no data port (" + rest + ")";
    case EngineLine::kDataBroken:
      return "the data connection broke" + reason();
    case EngineLine::kDataEarlyEnd:
      return "the server closed the data connection before the whole file was sent";
    case EngineLine::kClosed:
      return "the server closed the connection";
    case EngineLine::kAborted:
      return "aborted";
    case EngineLine::kLocalOpen:
      return "cannot open the local file " + rest;
    case EngineLine::kLocalWrite:
      return "cannot write the local file " + rest;
    case EngineLine::kLocalRead:
      return "cannot read the local file " + rest;
    case EngineLine::kSocketException:
      return rest;
  }
  return std::nullopt;
}

std::string ReplyFailure(const std::string& line, int code, const FailureScene& scene) {
  if (scene.login && (scene.step == "USER" || scene.step == "PASS")) {
    return "login refused (" + line + ")";
  }
  if (scene.step == "connect") return "the server refused the connection (" + line + ")";
  const bool rights =
      std::any_of(kPermissionWords.begin(), kPermissionWords.end(),
                  [&line](std::string_view word) { return ContainsNoCase(line, word); });
  if (code == kNotLoggedIn || code == kNeedAccount || rights) {
    return "permission denied by the server (" + line + ")";
  }
  if (code == kCannotOpenData) return "the server cannot open the data connection (" + line + ")";
  return "the server refused " + scene.step + " (" + line + ")";
}

}  // namespace

std::string HostPortText(const std::string& host, const std::string& port) {
  return (host.find(':') == std::string::npos ? host : "[" + host + "]") + ":" + port;
}

std::string FailureMessage(const Outcome& outcome, const FailureScene& scene) {
  const bool connecting = scene.step == "connect";
  std::string stage;
  if (connecting) {
    stage = "connecting to " + scene.peer + " ";
  } else if (scene.login) {
    stage = "login ";
  }
  switch (outcome.ending) {
    case Ending::kMaxTime:
      return stage + "stopped by --max-time after " + Seconds(scene.max_time_seconds);
    case Ending::kTimedOut:
      if (connecting) {
        return "no answer from " + scene.peer + " within " + Seconds(scene.timeout_seconds) +
               " (--timeout)";
      }
      return stage + "timed out: no progress for " + Seconds(scene.timeout_seconds) +
             " (--timeout)";
    case Ending::kNotStarted:
      if (outcome.message.find("not connected") != std::string::npos) {
        return "not connected to the server";
      }
      return outcome.message;
    case Ending::kDone:
    case Ending::kFailed:
      break;
  }
  const int error = outcome.error;
  if (std::optional<std::string> engine = EngineLineFailure(outcome.message)) return *engine;
  if (error >= kFirstSocketError && error <= kLastSocketError) return SocketFailure(error, scene);
  if (error >= kFirstSocksError && error <= kLastSocksError) return SocksFailure(error, scene);
  if (StartsWithReplyCode(outcome.message) && error >= kFirstReplyCode && error <= kLastReplyCode) {
    return ReplyFailure(outcome.message, error, scene);
  }
  if (!outcome.message.empty()) return outcome.message;
  return scene.step + " failed (error " + std::to_string(error) + ")";
}

}  // namespace varnel::cli
