#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace varnel::cli {
namespace {

constexpr std::string_view kScheme = "ftp://";
constexpr int kMaxPort = 65535;

struct CommandSpec {
  std::string_view name;
  std::size_t min_args;
  std::size_t max_args;
};

constexpr std::size_t kUnbounded = 1000000;
constexpr std::array<CommandSpec, 13> kCommands{{
    {"ls", 0, 1},
    {"nlst", 0, 1},
    {"get", 1, 2},
    {"put", 1, 2},
    {"append", 1, 2},
    {"mkdir", 1, 1},
    {"rmdir", 1, 1},
    {"rm", 1, 1},
    {"mv", 2, 2},
    {"size", 1, 1},
    {"pwd", 0, 0},
    {"cd", 1, 1},
    {"quote", 1, kUnbounded},
}};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// A decimal number in [min, max], or nothing.
std::optional<int> ParseNumber(std::string_view text, int min, int max) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min ||
      value > max) {
    return std::nullopt;
  }
  return value;
}

std::string CheckedPort(std::string_view text, std::string_view what) {
  if (!ParseNumber(text, 1, kMaxPort)) {
    throw UsageError(std::string(what) + ": bad port \"" + std::string(text) + "\"");
  }
  return std::string(text);
}

// The authority's host and port: host, [v6] or either followed by :port.
void ParseHostAndPort(std::string_view text, std::string_view what, std::string& host,
                      std::string& port) {
  std::string_view rest;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) throw UsageError(std::string(what) + ": unclosed \"[\"");
    host = std::string(text.substr(1, close - 1));
    rest = text.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') {
      throw UsageError(std::string(what) + ": unexpected text after \"]\"");
    }
  } else {
    const std::size_t colon = text.find(':');
    host = std::string(text.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : text.substr(colon);
  }
  if (host.empty()) throw UsageError(std::string(what) + ": no host name");
  if (!rest.empty()) port = CheckedPort(rest.substr(1), what);
}

bool IsAnonymousUser(std::string_view user) {
  return user.size() == std::string_view(kAnonymousUser).size() &&
         StartsWithNoCase(user, kAnonymousUser);
}

const CommandSpec* FindCommand(std::string_view name) {
  const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                  [name](const CommandSpec& spec) { return spec.name == name; });
  return found == kCommands.end() ? nullptr : &*found;
}

}  // namespace

std::string PercentDecode(std::string_view text, std::string_view part) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low < 0) throw UsageError("bad %-escape in the URL's " + std::string(part));
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  if (HasLineBreakOrNul(decoded)) {
    throw UsageError("the URL's " + std::string(part) + " holds a CR, LF or NUL byte");
  }
  return decoded;
}

FtpUrl ParseFtpUrl(std::string_view text) {
  if (!StartsWithNoCase(text, kScheme)) throw UsageError("the URL must begin with ftp://");
  text.remove_prefix(kScheme.size());
  const std::size_t slash = text.find('/');
  std::string_view authority = text.substr(0, slash);
  FtpUrl url;
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view user_info = authority.substr(0, at);
    const std::size_t colon = user_info.find(':');
    url.user = PercentDecode(user_info.substr(0, colon), "user name");
    if (colon != std::string_view::npos) {
      url.password = PercentDecode(user_info.substr(colon + 1), "password");
    }
    authority.remove_prefix(at + 1);
  }
  std::string host;
  ParseHostAndPort(authority, "URL", host, url.port);
  url.host = PercentDecode(host, "host name");
  if (slash != std::string_view::npos) url.path = PercentDecode(text.substr(slash + 1), "path");
  return url;
}

HostPort ParseHostPort(std::string_view text, std::string_view option,
                       std::string_view default_port) {
  HostPort result{"", std::string(default_port)};
  ParseHostAndPort(text, option, result.host, result.port);
  if (HasLineBreakOrNul(result.host)) {
    throw UsageError(std::string(option) + ": the host name holds a CR, LF or NUL byte");
  }
  return result;
}

void ValidateCommand(const std::vector<std::string>& words) {
  if (words.empty()) return;
  const CommandSpec* spec = FindCommand(words.front());
  if (spec == nullptr) throw UsageError("unknown command \"" + words.front() + "\"");
  const std::size_t count = words.size() - 1;
  if (count < spec->min_args || count > spec->max_args) {
    throw UsageError("wrong number of arguments for \"" + words.front() + "\"");
  }
  for (const std::string& word : words) {
    if (HasLineBreakOrNul(word)) {
      throw UsageError("an argument of \"" + words.front() + "\" holds a CR, LF or NUL byte");
    }
  }
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  char quote = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quote == '\'' ? c == '\'' : quote == '"' && c == '"') {
      quote = 0;
    } else if (c == '\\' && quote != '\'' && i + 1 < line.size()) {
      word += line[++i];
      in_word = true;
    } else if (quote != 0) {
      word += c;
    } else if (c == '"' || c == '\'') {
      quote = c;
      in_word = true;
    } else if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (quote != 0) throw UsageError("unclosed quote in the command line");
  if (in_word) words.push_back(std::move(word));
  return words;
}

Credentials ResolveCredentials(const CliOptions& options, const char* env_password) {
  const std::optional<std::string>& user = options.user ? options.user : options.url.user;
  const std::optional<std::string>& password =
      options.password ? options.password : options.url.password;
  if (!user || user->empty()) return {kAnonymousUser, password.value_or(kAnonymousPassword)};
  if (password) return {*user, *password};
  // The environment's password belongs to a named account: it is never sent
  // as an anonymous password.
  if (IsAnonymousUser(*user)) return {*user, kAnonymousPassword};
  return {*user, env_password != nullptr ? env_password : ""};
}

}  // namespace varnel::cli
