// The command line of varnel-ftp: options, the ftp:// URL and the command
// words, checked completely before any connection is made.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::cli {

// Exit statuses: usage errors, connection and login failures, and command
// failures are told apart.
enum ExitStatus { kExitOk = 0, kExitUsage = 2, kExitConnection = 3, kExitCommand = 4 };

// Bad arguments: the message says what is wrong; the status is kExitUsage.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct FtpUrl {
  std::optional<std::string> user;
  std::optional<std::string> password;
  std::string host;  // an IPv6 literal without its brackets
  std::string port = "21";
  // Relative to the login folder; "/" in front only for an absolute path
  // (written %2F in the URL). Empty for the login folder itself.
  std::string path;
};

// Decodes %XX escapes. A bad escape, or a decoded CR, LF or NUL (which
// would end or cut an FTP command), is a UsageError naming `part`.
std::string PercentDecode(std::string_view text, std::string_view part);

// ftp://[user[:password]@]host[:port][/path]; the scheme is matched without
// regard to case. Throws UsageError.
FtpUrl ParseFtpUrl(std::string_view text);

struct HostPort {
  std::string host;
  std::string port;
};

// HOST[:PORT] or [IPv6]:PORT, with `default_port` when no port is given.
HostPort ParseHostPort(std::string_view text, std::string_view option,
                       std::string_view default_port);

enum class ProxyKind { kNone, kFtpProxy, kSocks4, kSocks4A, kSocks5 };

struct CliOptions {
  bool passive = true;
  bool resume = false;
  ProxyKind proxy = ProxyKind::kNone;
  HostPort proxy_address;
  std::string socks_user;
  std::string socks_password;
  std::optional<std::string> user;
  std::optional<std::string> password;
  // --timeout: seconds without progress before a request gives up.
  int timeout_seconds = 15;
  // --max-time: seconds a command may take in all, connecting and logging
  // in included; with commands from standard input each line has its own.
  // 0: no limit.
  int max_time_seconds = 0;
  bool verbose = false;
  bool quiet = false;
  bool json = false;
  std::optional<std::string> output;  // -o: where get writes; "-" is standard output
  bool help = false;
  bool version = false;
  FtpUrl url;
  bool commands_from_stdin = false;
  // The command and its arguments; empty for the default listing.
  std::vector<std::string> command;
};

// Parses the arguments after the program name. Options may stand anywhere
// before "--"; the first other word is the URL, the rest the command. With
// --help or --version nothing else is required. Throws UsageError.
CliOptions ParseArguments(const std::vector<std::string>& args);

// Checks a command's name and argument count, and that no argument holds a
// CR, LF or NUL byte. Throws UsageError.
void ValidateCommand(const std::vector<std::string>& words);

// Splits one line of standard input into words: blanks separate, double or
// single quotes group, a backslash outside single quotes takes the next
// character literally. Throws UsageError on an open quote.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The user and password for the login: options, else the URL, else the
// environment's password (`env_password`, may be null), else anonymous.
// A user without any password gets an empty one.
struct Credentials {
  std::string user;
  std::string password;
};
Credentials ResolveCredentials(const CliOptions& options, const char* env_password);

inline constexpr const char* kAnonymousUser = "anonymous";
inline constexpr const char* kAnonymousPassword = "varnel-ftp@";

std::string HelpText();

}  // namespace varnel::cli
