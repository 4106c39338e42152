// SOCKS negotiation: the messages the socket sends and the proxy's replies,
// read inside FireDataAvailable while a negotiation runs.
//
// Version 5: method selection -> [user/password] -> CONNECT request.
// Versions 4 and 4A: CONNECT request only. Each reply is collected in the
// reply area until complete, so a reply split across reads waits for its
// rest and bytes behind it are kept for the application.
#include <string>

#include "socket/resolve.h"
#include "socket/socks_protocol.h"
#include "socket/socks_wsocket.h"

namespace varnel::socket {

bool TCustomSocksWSocket::FireDataAvailable(std::uint16_t Error) {
  if (socks_state_ == socksIdle) return TCustomWSocket::FireDataAvailable(Error);
  // The data counts as taken even when the negotiation fails: the socket is
  // closed then and nothing is left to discard.
  if (Error != 0) {
    FailSocks(Error, socks::kMsgDataReceiveError);
    return true;
  }
  if (socks_state_ == socksWaitingMethod) {
    HandleMethodReply();
    return true;
  }
  if (socks_state_ == socksWaitingAuth) {
    HandleAuthReply();
    return true;
  }
  return Socks4() ? HandleV4Reply() : HandleV5Reply();
}

// Reads behind the bytes already collected, up to `Limit` in all; false when
// nothing could be read now.
bool TCustomSocksWSocket::ReadReply(std::size_t Limit) {
  const std::size_t room = Limit > reply_count_ ? Limit - reply_count_ : 0;
  const int count = Receive(reply_.data() + reply_count_, static_cast<int>(room));
  if (count <= 0) return false;
  reply_count_ += static_cast<std::size_t>(count);
  negotiation_read_ += count;
  return true;
}

void TCustomSocksWSocket::HandleMethodReply() {
  if (!ReadReply(kReplyAreaSize)) return;
  if (Socks4()) {
    FailSocks(socks::socksProtocolError, socks::kMsgLogicError);
    return;
  }
  if (reply_count_ < socks::kMethodReplySize) return;
  reply_count_ = 0;
  if (reply_[0] != socks::kVersion5) {
    FailSocks(socks::socksVersionError, socks::kMsgVersionError);
    return;
  }
  switch (reply_[1]) {
    case socks::kMethodNoAuthentication: {
      if (socks_method_ == socks::kMethodUserPassword) {
        const std::uint64_t session = session_;
        FireSocksAuthState(socksAuthSkipped);
        if (SessionEnded(session)) return;
      }
      SendSocksRequest();
      return;
    }
    case socks::kMethodUserPassword:
      SendSocksCredentials();
      return;
    default:
      FailSocks(socks::socksAuthMethodError, socks::kMsgMethodNotAcceptable);
      return;
  }
}

void TCustomSocksWSocket::HandleAuthReply() {
  if (!ReadReply(kReplyAreaSize)) return;
  if (reply_[0] != socks::kAuthVersion) {
    FailSocks(socks::socksVersionError, socks::kMsgVersionError);
    return;
  }
  if (reply_count_ > socks::kAuthReplySize) {
    FailSocks(socks::socksProtocolError, socks::kMsgTooMuchData);
    return;
  }
  if (reply_count_ < socks::kAuthReplySize) return;
  if (reply_[1] != socks::kAuthSucceeded) {
    FailSocks(socks::socksAuthenticationFailed, socks::kMsgV5AuthenticationFailed);
    return;
  }
  reply_count_ = 0;
  const std::uint64_t session = session_;
  FireSocksAuthState(socksAuthSucceeded);
  if (SessionEnded(session)) return;
  SendSocksRequest();
}

// Reads no further than the 8 bytes of the reply: what follows stays with
// the OS for the application.
bool TCustomSocksWSocket::HandleV4Reply() {
  if (!ReadReply(socks::kV4ReplySize) || reply_count_ < socks::kV4ReplySize) return true;
  reply_count_ = 0;
  if (reply_[0] != socks::kV4ReplyVersion) {
    FailSocks(socks::socksVersionError, socks::kMsgVersionError);
    return true;
  }
  if (reply_[1] != socks::kV4Granted) {
    const socks::Failure failure = socks::V4ReplyFailure(reply_[1]);
    FailSocks(failure.code, failure.message);
    return true;
  }
  return Established(socks::kV4ReplySize);
}

bool TCustomSocksWSocket::HandleV5Reply() {
  if (!ReadReply(kReplyAreaSize)) return true;
  if (reply_[0] != socks::kVersion5) {
    FailSocks(socks::socksVersionError, socks::kMsgVersionError);
    return true;
  }
  if (reply_count_ >= 2 && reply_[1] != socks::kV5Succeeded) {
    const socks::Failure failure = socks::V5ReplyFailure(reply_[1]);
    FailSocks(failure.code, failure.message);
    return true;
  }
  if (reply_count_ < socks::kV5ReplyHeadSize) return true;
  const std::uint8_t address_type = reply_[3];
  const std::size_t length = socks::V5ReplyLength(address_type, reply_[4]);
  if (reply_count_ < length) return true;
  if (address_type != socks::kAddressIPv4 && address_type != socks::kAddressDomainName) {
    FailSocks(socks::socksUnknownAddressType, socks::kMsgAddressTypeNotSupported);
    return true;
  }
  return Established(length);
}

// From here on ReadCount counts only what the application receives, the
// bytes behind the reply included, once.
bool TCustomSocksWSocket::Established(std::size_t ReplyLength) {
  const std::uint64_t session = session_;
  socks_state_ = socksIdle;
  leftover_pos_ = ReplyLength;
  leftover_count_ = reply_count_ > ReplyLength ? reply_count_ - ReplyLength : 0;
  leftover_session_ = session;
  reply_count_ = 0;
  UncountRead(negotiation_read_);
  negotiation_read_ = 0;
  FireSessionConnected(0);
  if (SessionEnded(session)) return true;
  // Bytes behind the reply are read already, so nothing from the OS will
  // announce them: the application is asked while it takes some. Data still
  // with the OS is announced as usual.
  bool handled = true;
  while (HasLeftover()) {
    const std::size_t before = leftover_count_;
    handled = FireDataAvailable(0);
    if (!handled || leftover_count_ == before) break;
  }
  return handled;
}

// ---- messages ----

void TCustomSocksWSocket::SendMethodSelection() {
  socks_method_ = socks_authentication_ == socksAuthenticateUsercode
                      ? socks::kMethodUserPassword
                      : socks::kMethodNoAuthentication;
  SendSocksMessage(socks::MethodSelection(socks_method_));
}

void TCustomSocksWSocket::SendSocksCredentials() {
  socks_state_ = socksWaitingAuth;
  const std::uint64_t session = session_;
  FireSocksAuthState(socksAuthStarting);
  if (SessionEnded(session)) return;
  SendSocksMessage(socks::UserPasswordRequest(socks_usercode_, socks_password_));
}

void TCustomSocksWSocket::SendSocksRequest() {
  socks_state_ = socksWaitingReply;
  if (!Socks4()) {
    SendSocksMessage(socks::V5ConnectRequest(addr_str_, target_port_));
  } else if (socks_level_ == "4A") {
    SendSocksMessage(socks::V4aConnectRequest(target_port_, socks_usercode_, addr_str_));
  } else {
    std::uint32_t address = 0;
    try {
      address = WSocketResolveHost(addr_str_);
    } catch (const ESocketException& e) {
      FailSocks(socks::socksHostResolutionFailed, "ESocketException " + std::string(e.what()));
      return;
    }
    SendSocksMessage(socks::V4ConnectRequest(target_port_, address, socks_usercode_));
  }
}

// Send raises only after the core has dealt with the failure: a lost
// connection is closed, which fails the negotiation through
// OnSessionClosed. The report has no caller to go to from inside an event.
void TCustomSocksWSocket::SendSocksMessage(const std::string& Message) {
  try {
    Send(Message.data(), static_cast<int>(Message.size()));
  } catch (const ESocketException&) {
  }
}

}  // namespace varnel::socket
