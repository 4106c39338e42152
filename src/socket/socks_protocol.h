// The SOCKS 4, 4A and 5 wire formats used by TCustomSocksWSocket: protocol
// bytes, the socket layer's SOCKS error codes and texts, message builders and
// the tables that turn a proxy's refusal into a code and a text.
//
// Only the CONNECT command is spoken. Every multi-byte number goes out in
// network byte order. The builders take fields that the socket has already
// checked against kMaxFieldLength (see SocksFieldProblem).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnel::socket::socks {

// ---- protocol bytes ----
constexpr std::uint8_t kVersion4 = 4;
constexpr std::uint8_t kVersion5 = 5;
constexpr std::uint8_t kV4ReplyVersion = 0;   // first byte of every version 4 reply
constexpr std::uint8_t kAuthVersion = 1;      // user/password sub-negotiation
constexpr std::uint8_t kCommandConnect = 1;
constexpr std::uint8_t kReserved = 0;
constexpr std::uint8_t kOneMethod = 1;        // count of methods offered
constexpr std::uint8_t kMethodNoAuthentication = 0;
constexpr std::uint8_t kMethodUserPassword = 2;
constexpr std::uint8_t kAddressIPv4 = 1;
constexpr std::uint8_t kAddressDomainName = 3;
constexpr std::uint8_t kV5Succeeded = 0;
constexpr std::uint8_t kAuthSucceeded = 0;
constexpr std::uint8_t kV4Granted = 90;
constexpr std::uint8_t kV4Rejected = 91;
constexpr std::uint8_t kV4NoIdentd = 92;
constexpr std::uint8_t kV4IdentMismatch = 93;
constexpr std::uint8_t kStringEnd = 0;         // ends version 4 user ids and host names
// Version 4A: an address 0.0.0.x (x not 0) says "the host name follows".
constexpr std::uint32_t kV4aMarkerAddress = 0x00000001;  // host order

constexpr std::size_t kMethodReplySize = 2;
constexpr std::size_t kAuthReplySize = 2;
constexpr std::size_t kV4ReplySize = 8;
// A version 5 reply up to and including the byte that fixes its length.
constexpr std::size_t kV5ReplyHeadSize = 5;
// Length-prefixed fields of version 5 carry at most this many bytes; the
// same bound holds for version 4 user ids and 4A host names.
constexpr std::size_t kMaxFieldLength = 255;

// ---- error codes (the Error of OnSocksError and OnSessionConnected) ----
constexpr int socksProtocolError = 20001;
constexpr int socksVersionError = 20002;
constexpr int socksAuthMethodError = 20003;
constexpr int socksGeneralFailure = 20004;
constexpr int socksConnectionNotAllowed = 20005;
constexpr int socksNetworkUnreachable = 20006;
constexpr int socksHostUnreachable = 20007;
constexpr int socksConnectionRefused = 20008;
constexpr int socksTtlExpired = 20009;
constexpr int socksUnknownCommand = 20010;
constexpr int socksUnknownAddressType = 20011;
constexpr int socksUnassignedError = 20012;
constexpr int socksAuthenticationFailed = 20015;
constexpr int socksRejectedOrFailed = 20016;
constexpr int socksHostResolutionFailed = 20017;

// ---- texts ----
inline constexpr const char* kMsgDataReceiveError = "data receive error";
inline constexpr const char* kMsgLogicError = "TWSocket logic error";
inline constexpr const char* kMsgTooMuchData = "too much data availaible";
inline constexpr const char* kMsgVersionError = "socks version error";
inline constexpr const char* kMsgMethodNotAcceptable = "authentification method not acceptable";
inline constexpr const char* kMsgAddressTypeNotSupported = "address type not supported";
inline constexpr const char* kMsgV5AuthenticationFailed = "socks authentication failed";
inline constexpr const char* kMsgV4AuthenticationFailed = "authentification failed";
inline constexpr const char* kMsgRejectedOrFailed = "request rejected or failed";
inline constexpr const char* kMsgConnectionRefused = "connection refused";
inline constexpr const char* kMsgUnassignedError = "unassigned error #";
// The proxy ended the connection before the relay was established.
inline constexpr const char* kMsgProxyClosed = "connection closed by socks server";

inline constexpr const char* kMsgTcpOnly = "tcp is the only protocol supported thru socks server";
inline constexpr const char* kMsgNoListen = "Listening is not supported thru socks server";
inline constexpr const char* kMsgInvalidLevel = "Invalid socks level. Must be 4, 4A or 5.";
inline constexpr const char* kMsgLevelNotClosed = "Can't change socks level if not closed";
inline constexpr const char* kMsgServerNotClosed = "Can't change socks server if not closed";
inline constexpr const char* kMsgPortNotClosed = "Can't change socks port if not closed";

// A refusal: the code and text reported through OnSocksError.
struct Failure {
  int code;
  std::string message;
  bool operator==(const Failure&) const = default;
};

// Version 5 reply codes 1 to 8 and any other non-zero code.
Failure V5ReplyFailure(std::uint8_t reply);
// Version 4 reply codes other than kV4Granted.
Failure V4ReplyFailure(std::uint8_t reply);

// Length of a version 5 reply from its address type and the byte after it
// (the name length for a domain name); types other than IPv4 and domain
// name count as kV5ReplyHeadSize (they are refused once that much is in).
std::size_t V5ReplyLength(std::uint8_t address_type, std::uint8_t fifth_byte);

// "4", "4A", "4a" or "5" (exactly) in stored form ("4a" becomes "4A");
// empty for anything else.
std::string NormalizeSocksLevel(const std::string& level);

// Why `value` cannot be sent as the field `what` (a length-prefixed or
// zero-terminated string of at most kMaxFieldLength bytes); empty when it
// can. `zero_terminated` also refuses zero bytes inside the value.
std::string SocksFieldProblem(const std::string& what, const std::string& value,
                              bool zero_terminated);

// ---- messages ----
std::string MethodSelection(std::uint8_t method);
std::string UserPasswordRequest(const std::string& user, const std::string& password);
std::string V5ConnectRequest(const std::string& host, std::uint16_t port);
// `address` in network order.
std::string V4ConnectRequest(std::uint16_t port, std::uint32_t address, const std::string& user_id);
std::string V4aConnectRequest(std::uint16_t port, const std::string& user_id,
                              const std::string& host);

}  // namespace varnel::socket::socks
