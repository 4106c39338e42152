// The client's preferences while the program runs, with the defaults that
// apply when the settings file lacks a key.
#pragma once

#include <string>

namespace varnel::ui {

// Connection types, numbered as the engine's connection types are.
enum class TConnectionKind { Direct = 0, Proxy = 1, Socks4 = 2, Socks4A = 3, Socks5 = 4 };

// The kind a stored `Connection` value stands for: values outside 0 to 4
// act as a direct connection (the value itself is kept as it is).
TConnectionKind ConnectionKindOf(int connection);

struct TClientSettings {
  int Connection = 0;
  std::string ProxyAddr = "0.0.0.0";
  std::string ProxyPort = "21";
  std::string SocksServer;
  std::string SocksPort;
  std::string SocksUser;
  std::string SocksPassword;  // plain text, as the user typed it
  std::string Port = "ftp";   // "ftp" is the standard port
  bool ActiveStart = false;
  bool SuppressError = false;
  bool ClearCache = true;

  bool operator==(const TClientSettings&) const = default;
};

}  // namespace varnel::ui
