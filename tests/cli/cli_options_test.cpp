// Command-line and URL parsing of varnel-ftp.
#include <gtest/gtest.h>

#include <functional>

#include "cli/cli_options.h"

namespace varnel::cli {
namespace {

struct UrlCase {
  const char* text;
  std::optional<std::string> user;
  std::optional<std::string> password;
  std::string host;
  std::string port;
  std::string path;
};

class UrlParse : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlParse, GivesTheDecodedParts) {
  const UrlCase& c = GetParam();
  const FtpUrl url = ParseFtpUrl(c.text);
  EXPECT_EQ(url.user, c.user);
  EXPECT_EQ(url.password, c.password);
  EXPECT_EQ(url.host, c.host);
  EXPECT_EQ(url.port, c.port);
  EXPECT_EQ(url.path, c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UrlParse,
    ::testing::Values(
        UrlCase{"ftp://host", std::nullopt, std::nullopt, "host", "21", ""},
        UrlCase{"FTP://Host:2121/", std::nullopt, std::nullopt, "Host", "2121", ""},
        UrlCase{"ftp://u@h/pub/", "u", std::nullopt, "h", "21", "pub/"},
        UrlCase{"ftp://u:p@h/a/b.txt", "u", "p", "h", "21", "a/b.txt"},
        // The last "@" ends the user part; ":" inside the password stays.
        UrlCase{"ftp://me%40x.org:a:b@c@h", "me@x.org", "a:b@c", "h", "21", ""},
        UrlCase{"ftp://u:@h", "u", "", "h", "21", ""},
        UrlCase{"ftp://h/%2Fetc/", std::nullopt, std::nullopt, "h", "21", "/etc/"},
        UrlCase{"ftp://h/my%20dir/x%25y", std::nullopt, std::nullopt, "h", "21", "my dir/x%y"},
        UrlCase{"ftp://[::1]:2100/p", std::nullopt, std::nullopt, "::1", "2100", "p"},
        UrlCase{"ftp://u:p@127.0.0.1:65535", "u", "p", "127.0.0.1", "65535", ""}));

class BadUrl : public ::testing::TestWithParam<const char*> {};

TEST_P(BadUrl, IsAUsageError) { EXPECT_THROW(ParseFtpUrl(GetParam()), UsageError); }

INSTANTIATE_TEST_SUITE_P(Table, BadUrl,
                         ::testing::Values("http://h/", "h/pub", "ftp://", "ftp:///pub",
                                           "ftp://u@", "ftp://h:0", "ftp://h:65536",
                                           "ftp://h:21x", "ftp://h:", "ftp://[::1",
                                           "ftp://[::1]x", "ftp://h/a%2", "ftp://h/a%zz",
                                           // Decoded line breaks would end an FTP command.
                                           "ftp://h/a%0d%0aDELE%20x", "ftp://u%0a:p@h",
                                           "ftp://u:p%0d@h", "ftp://h/a%00b"));

struct ArgsCase {
  std::vector<std::string> args;
  std::function<bool(const CliOptions&)> check;
};

class ArgumentParse : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(ArgumentParse, SetsTheOptions) {
  const CliOptions options = ParseArguments(GetParam().args);
  EXPECT_TRUE(GetParam().check(options));
}

using Words = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Table, ArgumentParse,
    ::testing::Values(
        ArgsCase{{"ftp://h"},
                 [](const CliOptions& o) {
                   return o.passive && !o.resume && o.command.empty() && !o.commands_from_stdin &&
                          o.timeout_seconds == 15 && o.max_time_seconds == 0 &&
                          o.proxy == ProxyKind::kNone;
                 }},
        ArgsCase{{"--max-time", "90", "--timeout", "5", "ftp://h"},
                 [](const CliOptions& o) {
                   return o.max_time_seconds == 90 && o.timeout_seconds == 5;
                 }},
        ArgsCase{{"--active", "--resume", "ftp://h", "get", "a", "b"},
                 [](const CliOptions& o) {
                   return !o.passive && o.resume && o.command == Words{"get", "a", "b"};
                 }},
        // Options may follow the URL and the command; "-" is a value of -o.
        ArgsCase{{"ftp://h", "get", "a", "-o", "-", "-q", "--json"},
                 [](const CliOptions& o) {
                   return o.output == "-" && o.quiet && o.json && o.command == Words{"get", "a"};
                 }},
        ArgsCase{{"ftp://h", "-"}, [](const CliOptions& o) { return o.commands_from_stdin; }},
        ArgsCase{{"--timeout=0", "-v", "ftp://h", "--", "rm", "-x"},
                 [](const CliOptions& o) {
                   return o.timeout_seconds == 0 && o.verbose && o.command == Words{"rm", "-x"};
                 }},
        ArgsCase{{"--socks5", "proxy:1081", "--socks-user", "su", "--socks-password", "sp",
                  "ftp://h"},
                 [](const CliOptions& o) {
                   return o.proxy == ProxyKind::kSocks5 && o.proxy_address.host == "proxy" &&
                          o.proxy_address.port == "1081" && o.socks_user == "su" &&
                          o.socks_password == "sp";
                 }},
        ArgsCase{{"--socks4a", "[::1]", "ftp://h"},
                 [](const CliOptions& o) {
                   return o.proxy == ProxyKind::kSocks4A && o.proxy_address.host == "::1" &&
                          o.proxy_address.port == "1080";
                 }},
        ArgsCase{{"--ftp-proxy", "gw", "--user", "me", "--password", "pw", "ftp://h"},
                 [](const CliOptions& o) {
                   return o.proxy == ProxyKind::kFtpProxy && o.proxy_address.port == "21" &&
                          o.user == "me" && o.password == "pw";
                 }},
        ArgsCase{{"ftp://h", "quote", "SITE", "CHMOD", "644", "x"},
                 [](const CliOptions& o) { return o.command.size() == 5; }}));

class BadArguments : public ::testing::TestWithParam<Words> {};

TEST_P(BadArguments, AreUsageErrors) { EXPECT_THROW(ParseArguments(GetParam()), UsageError); }

INSTANTIATE_TEST_SUITE_P(
    Table, BadArguments,
    ::testing::Values(Words{}, Words{"--json"}, Words{"--bogus", "ftp://h"},
                      Words{"ftp://h", "frobnicate"}, Words{"ftp://h", "get"},
                      Words{"ftp://h", "get", "a", "b", "c"}, Words{"ftp://h", "pwd", "x"},
                      Words{"ftp://h", "mv", "a"}, Words{"ftp://h", "quote"},
                      Words{"ftp://h", "-", "ls"}, Words{"--timeout", "x", "ftp://h"},
                      Words{"--timeout", "-1", "ftp://h"}, Words{"ftp://h", "--timeout"},
                      Words{"--max-time", "1.5", "ftp://h"}, Words{"--max-time=86401", "ftp://h"},
                      Words{"--json=yes", "ftp://h"}, Words{"--socks5", "p:1", "--socks4", "q:1",
                                                            "ftp://h"},
                      Words{"--socks5", "p:0", "ftp://h"}, Words{"--socks-user", "u", "ftp://h"},
                      Words{"--active", "--ftp-proxy", "gw", "ftp://h"},
                      Words{"-o", "x", "ftp://h", "put", "a"},
                      Words{"ftp://h", "rm", "a\r\nDELE b"}, Words{"--user", "a\nb", "ftp://h"},
                      Words{"--socks5", "p:1", "--socks-password", "a\rb", "ftp://h"}));

TEST(ArgumentParse, HelpAndVersionNeedNoUrl) {
  EXPECT_TRUE(ParseArguments({"--help"}).help);
  EXPECT_TRUE(ParseArguments({"--version"}).version);
}

struct SplitCase {
  const char* line;
  std::vector<std::string> words;
};

class CommandLineSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CommandLineSplit, GivesTheWords) {
  EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineSplit,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"  ls  ", {"ls"}},
                      SplitCase{"get a\tb", {"get", "a", "b"}},
                      SplitCase{"quote \"SITE CHMOD 644 x\"", {"quote", "SITE CHMOD 644 x"}},
                      SplitCase{"get 'it''s' x\\ y", {"get", "its", "x y"}},
                      SplitCase{"get \"a \\\" b\" ''", {"get", "a \" b", ""}},
                      SplitCase{"get 'a\\b'", {"get", "a\\b"}}));

TEST(CommandLineSplit, AnOpenQuoteIsAUsageError) {
  EXPECT_THROW(SplitCommandLine("get \"a b"), UsageError);
  EXPECT_THROW(SplitCommandLine("get 'a"), UsageError);
}

struct CredentialCase {
  std::vector<std::string> args;
  const char* env;
  std::string user;
  std::string password;
};

class Credentials : public ::testing::TestWithParam<CredentialCase> {};

TEST_P(Credentials, FollowTheOrderOfSources) {
  const CredentialCase& c = GetParam();
  const auto resolved = ResolveCredentials(ParseArguments(c.args), c.env);
  EXPECT_EQ(resolved.user, c.user);
  EXPECT_EQ(resolved.password, c.password);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Credentials,
    ::testing::Values(
        CredentialCase{{"ftp://h"}, nullptr, kAnonymousUser, kAnonymousPassword},
        // The environment's password is for named users only.
        CredentialCase{{"ftp://h"}, "envpw", kAnonymousUser, kAnonymousPassword},
        CredentialCase{{"ftp://anonymous@h"}, "envpw", "anonymous", kAnonymousPassword},
        CredentialCase{{"ftp://u@h"}, "envpw", "u", "envpw"},
        CredentialCase{{"ftp://u@h"}, nullptr, "u", ""},
        CredentialCase{{"ftp://u:urlpw@h"}, "envpw", "u", "urlpw"},
        CredentialCase{{"--password", "optpw", "ftp://u:urlpw@h"}, "envpw", "u", "optpw"},
        CredentialCase{{"--user", "o", "ftp://u:urlpw@h"}, nullptr, "o", "urlpw"}));

}  // namespace
}  // namespace varnel::cli
