// Enumerations, option set, event types and notification identifiers of the
// socket classes.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>

namespace varnel::socket {

// Member order is the stored ordinal.
enum TSocketState {
  wsInvalidState,
  wsOpened,
  wsBound,
  wsConnecting,
  wsConnected,
  wsAccepting,
  wsListening,
  wsClosed
};

enum TSocketSendFlags { wsSendNormal, wsSendUrgent };

enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

enum TWSocketOption { wsoNoReceiveLoop, wsoTcpNoDelay };

// A set of TWSocketOption.
class TWSocketOptions {
 public:
  constexpr TWSocketOptions() = default;
  constexpr TWSocketOptions(std::initializer_list<TWSocketOption> options) {
    for (TWSocketOption option : options) bits_ |= Bit(option);
  }

  constexpr bool Contains(TWSocketOption option) const { return (bits_ & Bit(option)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TWSocketOptions& Include(TWSocketOption option) {
    bits_ |= Bit(option);
    return *this;
  }
  constexpr TWSocketOptions& Exclude(TWSocketOption option) {
    bits_ &= ~Bit(option);
    return *this;
  }
  constexpr bool operator==(const TWSocketOptions&) const = default;

 private:
  static constexpr unsigned Bit(TWSocketOption option) { return 1u << static_cast<unsigned>(option); }
  unsigned bits_ = 0;
};

class TCustomWSocket;

// Error words are Winsock error codes, 0 for success.
using TSessionConnected = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TSessionAvailable = TSessionConnected;
using TSessionClosed = TSessionConnected;
using TDataAvailable = TSessionConnected;
using TDataSent = TSessionConnected;
using TDnsLookupDone = TSessionConnected;
using TSendData = std::function<void(TCustomWSocket* Sender, int BytesSent)>;
using TChangeState =
    std::function<void(TCustomWSocket* Sender, TSocketState OldState, TSocketState NewState)>;
using TNotifyEvent = std::function<void(TCustomWSocket* Sender)>;
using TBgExceptionEvent =
    std::function<void(TCustomWSocket* Sender, const std::exception& E, bool& CanClose)>;

// Notification identifiers handled by DispatchNotification.
constexpr unsigned NotifySocketEvent = 1025;  // wparam: handle; lparam: bits | error << 16
constexpr unsigned NotifyHostByName = 1026;   // wparam: lookup id; lparam: error << 16
constexpr unsigned NotifyHostByAddr = 1027;   // wparam: lookup id; lparam: error << 16
constexpr unsigned NotifyCloseDelayed = 1028;
constexpr unsigned NotifyRelease = 1029;
constexpr unsigned NotifyTestException = 1030;
constexpr unsigned NotifyLineModeChanged = 1044;

// Readiness bits of NotifySocketEvent.
constexpr std::uint16_t FdRead = 1;
constexpr std::uint16_t FdWrite = 2;
constexpr std::uint16_t FdOob = 4;
constexpr std::uint16_t FdAccept = 8;
constexpr std::uint16_t FdConnect = 16;
constexpr std::uint16_t FdClose = 32;

}  // namespace varnel::socket
