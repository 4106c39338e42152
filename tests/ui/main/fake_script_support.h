// Scripts of the scripted FTP server for the window's session: the login
// with its first listing, listings answered on an active data connection,
// exchanges of commands and replies, and comparing the command stream the
// server received.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <utility>
#include <vector>

#include "ftp/support/fake_ftp_server.h"

namespace varnel::ui::testing {

using ftp::testing::FakeFtpScript;
using Lines = std::vector<std::string>;

inline constexpr const char* kListing =
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 pub\r\n"
    "-rw-r--r--   1 bob  bob        10 Mar 01 10:00 a.txt\r\n";

// PORT, LIST with `listing` on the data connection, PWD answered by
// `pwd_reply`.
inline FakeFtpScript& ListingReplies(FakeFtpScript& script, const std::string& pwd_reply,
                                     const std::string& listing = kListing) {
  return script.ExpectPort()
      .Expect("LIST")
      .OpenData()
      .Reply("150 Here comes the listing\r\n")
      .SendData(listing)
      .CloseData()
      .Reply("226 Directory send OK\r\n")
      .Expect("PWD")
      .Reply(pwd_reply);
}

// The reply of PWD naming `folder`.
inline std::string PwdReply(const std::string& folder) {
  return "257 \"" + folder + "\" is the current directory\r\n";
}

// Banner, USER bob, PASS secret, TYPE I and the first listing, in
// `folder`.
inline FakeFtpScript LoggedInScript(const std::string& listing = kListing,
                                    const std::string& folder = "/home/bob") {
  FakeFtpScript script;
  script.Reply("220 Fake FTP ready\r\n")
      .Expect("USER bob")
      .Reply("331 Password required for bob\r\n")
      .Expect("PASS secret")
      .Reply("230 User bob logged in\r\n")
      .Expect("TYPE I")
      .Reply("200 Type set to I\r\n");
  ListingReplies(script, PwdReply(folder), listing);
  return script;
}

// What the client sends for a listing, as SameCommands compares it.
inline const Lines kListingCommands{"PORT 127,0,0,1,*", "LIST", "PWD"};

// Commands the server expects, each with its reply; "PORT" is answered as
// an active data connection is.
using Exchange = std::vector<std::pair<std::string, std::string>>;

// Adds `exchange` to `script`; the commands as SameCommands expects them.
inline Lines Answer(FakeFtpScript& script, const Exchange& exchange) {
  Lines commands;
  for (const auto& [command, reply] : exchange) {
    if (command == "PORT") {
      script.ExpectPort();
      commands.push_back("PORT 127,0,0,1,*");
    } else {
      script.Expect(command).Reply(reply + "\r\n");
      commands.push_back(command);
    }
  }
  return commands;
}

inline const Lines kLoginCommands{"USER bob",         "PASS secret", "TYPE I",
                                  "PORT 127,0,0,1,*", "LIST",        "PWD"};

// `actual` equals `expected`, where an expected line ending in "*" matches
// every line that starts with the rest.
inline bool SameCommands(const Lines& actual, const Lines& expected) {
  if (actual.size() != expected.size()) return false;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    const std::string& want = expected[i];
    const bool prefix = !want.empty() && want.back() == '*';
    if (prefix ? actual[i].rfind(want.substr(0, want.size() - 1), 0) != 0 : actual[i] != want) {
      return false;
    }
  }
  return true;
}

inline QString Joined(const Lines& lines) {
  QStringList out;
  for (const auto& line : lines) out << QString::fromStdString(line);
  return out.join(" | ");
}

template <typename T>
std::vector<T> After(const std::vector<T>& all, std::size_t skip) {
  return all.size() <= skip ? std::vector<T>{} : std::vector<T>(all.begin() + skip, all.end());
}

}  // namespace varnel::ui::testing
