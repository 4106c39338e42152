// TCustomSocksWSocket: the SOCKS proxy layer of the socket chain. Without a
// SOCKS server set it behaves exactly as TCustomWSocket.
//
// With SocksServer set, Connect opens the TCP connection to the proxy and
// the socket negotiates a CONNECT to Addr:Port itself (version 4, 4A or 5,
// optionally with user name and password in version 5). The code above sees
// OnSessionConnected only when the relay is established, or with an error
// code when it is not; the proxy's replies never reach OnDataAvailable, and
// bytes that arrived with the last reply are handed out first by Receive.
//
// SocksServer, SocksPort and SocksLevel return to their defaults at the end
// of every close; SocksUsercode, SocksPassword and SocksAuthentication stay.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "socket/wsocket.h"

namespace varnel::socket {

enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };

// Member order is the stored ordinal.
enum TSocksAuthState {
  socksAuthStarting,   // credentials are being sent
  socksAuthSucceeded,  // the proxy accepted them
  socksAuthFailed,     // the connection ended during authentication
  socksAuthSkipped     // credentials were offered, the proxy chose none
};

// Progress of a negotiation; socksIdle (0) when none is running.
enum TSocksState {
  socksIdle,            // no negotiation: data belongs to the application
  socksWaitingMethod,   // TCP connection to the proxy, then the version 5 method reply
  socksWaitingAuth,     // the user/password reply
  socksWaitingReply     // request sent, waiting for the proxy's answer
};

using TSocksErrorEvent =
    std::function<void(TCustomWSocket* Sender, int Error, const std::string& Msg)>;
using TSocksAuthStateEvent = std::function<void(TCustomWSocket* Sender, TSocksAuthState AuthState)>;

class TCustomSocksWSocket : public TCustomWSocket {
 public:
  using TCustomWSocket::TCustomWSocket;

  void Connect() override;
  // Refused while SocksServer is set.
  void Listen() override;

  // ---- properties ----
  // Proxy host (name or dotted address); trimmed; non-empty switches the
  // negotiation on. Closed state required.
  const std::string& SocksServer() const { return socks_server_; }
  virtual void SetSocksServer(const std::string& Value);
  // Proxy port (number or service name); trimmed. Closed state required.
  const std::string& SocksPort() const { return socks_port_; }
  virtual void SetSocksPort(const std::string& Value);
  // "4", "4A" or "5"; "4a" is taken as "4A". Closed state required.
  const std::string& SocksLevel() const { return socks_level_; }
  void SetSocksLevel(const std::string& Value);
  // User id (versions 4 and 4A) or user name (version 5): at most 255
  // bytes, no zero byte.
  const std::string& SocksUsercode() const { return socks_usercode_; }
  void SetSocksUsercode(const std::string& Value);
  // Password for version 5: at most 255 bytes.
  const std::string& SocksPassword() const { return socks_password_; }
  void SetSocksPassword(const std::string& Value);
  TSocksAuthentication SocksAuthentication() const { return socks_authentication_; }
  void SetSocksAuthentication(TSocksAuthentication Value) { socks_authentication_ = Value; }
  // socksIdle unless a negotiation is running (the line layer stays out of
  // the way meanwhile).
  TSocksState SocksState() const { return socks_state_; }

  // ---- events ----
  // The TCP connection to the proxy succeeded (0) or failed, before any
  // SOCKS message.
  TSessionConnected OnSocksConnected;
  TSocksErrorEvent OnSocksError;
  TSocksAuthStateEvent OnSocksAuthState;

 protected:
  virtual void FireSocksConnected(std::uint16_t Error);
  virtual void FireSocksError(int Error, const std::string& Msg);
  void FireSocksAuthState(TSocksAuthState AuthState);

  void ResetToDefaults() override;
  int GetRcvdCount() override;
  bool FireDataAvailable(std::uint16_t Error) override;
  void FireSessionConnected(std::uint16_t Error) override;
  void FireSessionClosed(std::uint16_t Error) override;
  int RecvRaw(void* Buffer, int BufferSize, int Flags) override;
  bool ReadsFromHandle() const override;

 private:
  // Holds every version 5 reply (at most 262 bytes) with room for the
  // application bytes that may follow it in the same read.
  static constexpr std::size_t kReplyAreaSize = 512;

  bool Socks4() const { return socks_level_[0] == '4'; }
  bool ResolveProxy();
  // The negotiation: one handler per reply, each reading into the area.
  bool ReadReply(std::size_t Limit);
  void HandleMethodReply();
  void HandleAuthReply();
  bool HandleV4Reply();
  bool HandleV5Reply();
  void SendMethodSelection();
  void SendSocksCredentials();
  void SendSocksRequest();
  void SendSocksMessage(const std::string& Message);
  // The relay is up: OnSessionConnected, then the application's data.
  bool Established(std::size_t ReplyLength);
  bool HasLeftover() const { return leftover_count_ > 0 && leftover_session_ == session_; }
  // The one end of every failed negotiation: OnSocksError, then
  // OnSessionConnected and OnSessionClosed with the code.
  void FailSocks(int Code, const std::string& Msg);

  std::string socks_server_;
  std::string socks_port_;
  std::string socks_level_ = "5";
  std::string socks_usercode_;
  std::string socks_password_;
  TSocksAuthentication socks_authentication_ = socksNoAuthentication;

  TSocksState socks_state_ = socksIdle;
  std::uint8_t socks_method_ = 0;      // the version 5 method offered
  std::uint16_t target_port_ = 0;      // Port, resolved at Connect
  std::array<std::uint8_t, kReplyAreaSize> reply_{};
  std::size_t reply_count_ = 0;        // bytes of the current reply read so far
  std::int64_t negotiation_read_ = 0;  // bytes read from the proxy for this connection
  // Application bytes that arrived behind the last reply, for the
  // connection counted by leftover_session_.
  std::size_t leftover_pos_ = 0;
  std::size_t leftover_count_ = 0;
  std::uint64_t leftover_session_ = 0;
};

}  // namespace varnel::socket
