// ParseArguments: the option table and the checks across options.
#include <charconv>
#include <functional>

#include "cli/cli_options.h"

namespace varnel::cli {
namespace {

constexpr const char* kDefaultSocksPort = "1080";
constexpr const char* kDefaultFtpPort = "21";
constexpr int kMaxTimeoutSeconds = 86400;

class ArgumentReader {
 public:
  explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}

  bool AtEnd() const { return next_ >= args_.size(); }
  const std::string& Take() { return args_[next_++]; }

  // The value of an option: "--name=value" or the next word.
  std::string Value(const std::string& name, const std::optional<std::string>& inline_value) {
    if (inline_value) return *inline_value;
    if (AtEnd()) throw UsageError(name + " needs a value");
    return Take();
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
};

void SetProxy(CliOptions& options, ProxyKind kind, const std::string& name,
              const std::string& value) {
  if (options.proxy != ProxyKind::kNone) throw UsageError("only one proxy option may be given");
  options.proxy = kind;
  options.proxy_address =
      ParseHostPort(value, name, kind == ProxyKind::kFtpProxy ? kDefaultFtpPort : kDefaultSocksPort);
}

int ParseSeconds(const std::string& name, const std::string& text) {
  int value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
      value > kMaxTimeoutSeconds) {
    throw UsageError(name + ": expected whole seconds from 0 to 86400, got \"" + text + "\"");
  }
  return value;
}

// True when `word` was an option of the table (its value taken too).
bool TakeOption(CliOptions& options, ArgumentReader& reader, const std::string& word) {
  const std::size_t equals = word.find('=');
  const std::string name = word.substr(0, equals);
  std::optional<std::string> inline_value;
  if (equals != std::string::npos && word.rfind("--", 0) == 0) inline_value = word.substr(equals + 1);
  const auto value = [&] { return reader.Value(name, inline_value); };
  const auto no_value = [&] {
    if (inline_value) throw UsageError(name + " takes no value");
  };
  const auto flag = [&](bool& target) {
    no_value();
    target = true;
  };
  if (name == "--active") {
    no_value();
    options.passive = false;
  } else if (name == "--resume") {
    flag(options.resume);
  } else if (name == "--ftp-proxy") {
    SetProxy(options, ProxyKind::kFtpProxy, name, value());
  } else if (name == "--socks4") {
    SetProxy(options, ProxyKind::kSocks4, name, value());
  } else if (name == "--socks4a") {
    SetProxy(options, ProxyKind::kSocks4A, name, value());
  } else if (name == "--socks5") {
    SetProxy(options, ProxyKind::kSocks5, name, value());
  } else if (name == "--socks-user") {
    options.socks_user = value();
  } else if (name == "--socks-password") {
    options.socks_password = value();
  } else if (name == "--user") {
    options.user = value();
  } else if (name == "--password") {
    options.password = value();
  } else if (name == "--timeout") {
    options.timeout_seconds = ParseSeconds(name, value());
  } else if (name == "--max-time") {
    options.max_time_seconds = ParseSeconds(name, value());
  } else if (word == "-v" || name == "--verbose") {
    flag(options.verbose);
  } else if (word == "-q" || name == "--quiet") {
    flag(options.quiet);
  } else if (word == "-o" || name == "--output") {
    options.output = value();
  } else if (name == "--json") {
    flag(options.json);
  } else if (word == "-h" || name == "--help") {
    flag(options.help);
  } else if (name == "--version") {
    flag(options.version);
  } else {
    return false;
  }
  return true;
}

void CheckCombinations(const CliOptions& options) {
  if (options.proxy != ProxyKind::kNone && !options.passive) {
    throw UsageError("--active cannot be used with a proxy: proxies work in passive mode only");
  }
  const bool socks = options.proxy == ProxyKind::kSocks4 || options.proxy == ProxyKind::kSocks4A ||
                     options.proxy == ProxyKind::kSocks5;
  if (!socks && (!options.socks_user.empty() || !options.socks_password.empty())) {
    throw UsageError("--socks-user and --socks-password need --socks4, --socks4a or --socks5");
  }
  for (const std::string* text : {&options.socks_user, &options.socks_password}) {
    if (text->find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
      throw UsageError("a SOCKS credential holds a CR, LF or NUL byte");
    }
  }
  for (const auto* text : {&options.user, &options.password}) {
    if (*text && (*text)->find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
      throw UsageError("--user or --password holds a CR, LF or NUL byte");
    }
  }
  if (options.output && !options.commands_from_stdin && !options.command.empty() &&
      options.command.front() != "get") {
    throw UsageError("-o is where get writes; the command is \"" + options.command.front() + "\"");
  }
}

}  // namespace

CliOptions ParseArguments(const std::vector<std::string>& args) {
  CliOptions options;
  ArgumentReader reader(args);
  std::vector<std::string> positional;
  bool options_ended = false;
  while (!reader.AtEnd()) {
    const std::string& word = reader.Take();
    if (!options_ended && word == "--") {
      options_ended = true;
    } else if (options_ended || word == "-" || word.empty() || word.front() != '-') {
      positional.push_back(word);
    } else if (!TakeOption(options, reader, word)) {
      throw UsageError("unknown option \"" + word + "\"");
    }
  }
  if (options.help || options.version) return options;
  if (positional.empty()) throw UsageError("no ftp:// URL given");
  options.url = ParseFtpUrl(positional.front());
  options.command.assign(positional.begin() + 1, positional.end());
  if (options.command.size() == 1 && options.command.front() == "-") {
    options.commands_from_stdin = true;
    options.command.clear();
  }
  ValidateCommand(options.command);
  CheckCombinations(options);
  return options;
}

std::string HelpText() {
  return R"(Usage: varnel-ftp [options] ftp://[user[:password]@]host[:port][/path] [command [args...]]
       varnel-ftp [options] ftp://... -      (commands from standard input, one per line)

Commands (remote paths are relative to the URL's path):
  ls [path]             list (LIST); the default command
  nlst [path]           names only (NLST)
  get REMOTE [LOCAL]    download; without LOCAL into the current folder
  put LOCAL [REMOTE]    upload
  append LOCAL [REMOTE] append to a remote file
  mkdir PATH, rmdir PATH, rm PATH, mv OLD NEW, size PATH, pwd, cd PATH
  quote "RAW COMMAND"   send a raw command and print the reply

Options:
  --active              active mode (PORT); passive (PASV) is the default
  --resume              continue get and put where the target ends (REST)
  --ftp-proxy HOST[:PORT]
  --socks4 HOST:PORT, --socks4a HOST:PORT, --socks5 HOST:PORT
  --socks-user NAME, --socks-password PASSWORD
  --user NAME, --password PASSWORD
                        else the URL's, else $VARNEL_FTP_PASSWORD, else anonymous
  --timeout SECONDS     give up after this long without progress (default 15, 0: never)
  --max-time SECONDS    give up when a command takes longer in all, connecting
                        and logging in included; with commands from standard
                        input each line has its own limit (default 0: none)
  -v                    show the FTP dialogue on standard error (passwords hidden)
  -q                    no progress bar
  -o FILE               where get writes; "-" is standard output
  --json                one JSON line per entry of ls and nlst and per command result;
                        an ls entry has name, type (file, folder, link or null), size
                        (bytes or null), modified (ISO 8601: a date, or a date and minute),
                        permissions, owner, group, target (links) and raw (the line as sent)
  --help, --version

A get checks the file against the size the server announces (SIZE) and fails when
they differ; a resumed file that came out longer is cut back to what it was.
Control characters in server text (messages, -v, pwd and quote output) are shown
as \xNN; listing output and downloads are not escaped.

Exit status: 0 success, 2 usage error, 3 connection or login failure, 4 command failure.
)";
}

}  // namespace varnel::cli
