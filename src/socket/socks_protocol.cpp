// SOCKS message builders and reply tables.
#include "socket/socks_protocol.h"

#include <arpa/inet.h>

namespace varnel::socket::socks {
namespace {

void AppendByte(std::string& message, std::uint8_t value) {
  message.push_back(static_cast<char>(value));
}

void AppendPort(std::string& message, std::uint16_t port) {
  AppendByte(message, static_cast<std::uint8_t>(port >> 8));
  AppendByte(message, static_cast<std::uint8_t>(port & 0xFF));
}

// A length byte and the bytes; the caller checked the length.
void AppendCounted(std::string& message, const std::string& field) {
  AppendByte(message, static_cast<std::uint8_t>(field.size()));
  message += field;
}

void AppendTerminated(std::string& message, const std::string& field) {
  message += field;
  AppendByte(message, kStringEnd);
}

// Command, port and address of a version 4 request; `address` in host order.
std::string V4Head(std::uint16_t port, std::uint32_t address) {
  std::string message;
  AppendByte(message, kVersion4);
  AppendByte(message, kCommandConnect);
  AppendPort(message, port);
  for (int shift = 24; shift >= 0; shift -= 8) {
    AppendByte(message, static_cast<std::uint8_t>((address >> shift) & 0xFF));
  }
  return message;
}

Failure Unassigned(std::uint8_t reply) {
  return {socksUnassignedError, kMsgUnassignedError + std::to_string(reply)};
}

}  // namespace

Failure V5ReplyFailure(std::uint8_t reply) {
  switch (reply) {
    case 1: return {socksGeneralFailure, "general SOCKS server failure"};
    case 2: return {socksConnectionNotAllowed, "connection not allowed by ruleset"};
    case 3: return {socksNetworkUnreachable, "network unreachable"};
    case 4: return {socksHostUnreachable, "host unreachable"};
    case 5: return {socksConnectionRefused, kMsgConnectionRefused};
    case 6: return {socksTtlExpired, "time to live expired"};
    case 7: return {socksUnknownCommand, "command not supported"};
    case 8: return {socksUnknownAddressType, kMsgAddressTypeNotSupported};
    default: return Unassigned(reply);
  }
}

Failure V4ReplyFailure(std::uint8_t reply) {
  switch (reply) {
    case kV4Rejected: return {socksRejectedOrFailed, kMsgRejectedOrFailed};
    case kV4NoIdentd: return {socksConnectionRefused, kMsgConnectionRefused};
    case kV4IdentMismatch: return {socksAuthenticationFailed, kMsgV4AuthenticationFailed};
    default: return Unassigned(reply);
  }
}

std::size_t V5ReplyLength(std::uint8_t address_type, std::uint8_t fifth_byte) {
  // Version, reply, reserved, type, then the address, then the port.
  constexpr std::size_t kFixed = 4 + 2;
  switch (address_type) {
    case kAddressIPv4: return kFixed + 4;
    case kAddressDomainName: return kFixed + 1 + fifth_byte;
    default: return kV5ReplyHeadSize;
  }
}

std::string NormalizeSocksLevel(const std::string& level) {
  if (level == "4" || level == "5" || level == "4A") return level;
  if (level == "4a") return "4A";
  return std::string();
}

std::string SocksFieldProblem(const std::string& what, const std::string& value,
                              bool zero_terminated) {
  if (value.size() > kMaxFieldLength) {
    return what + " too long. Must be at most " + std::to_string(kMaxFieldLength) + " bytes.";
  }
  if (zero_terminated && value.find('\0') != std::string::npos) {
    return what + " can't contain a zero byte.";
  }
  return std::string();
}

std::string MethodSelection(std::uint8_t method) {
  std::string message;
  AppendByte(message, kVersion5);
  AppendByte(message, kOneMethod);
  AppendByte(message, method);
  return message;
}

std::string UserPasswordRequest(const std::string& user, const std::string& password) {
  std::string message;
  AppendByte(message, kAuthVersion);
  AppendCounted(message, user);
  AppendCounted(message, password);
  return message;
}

std::string V5ConnectRequest(const std::string& host, std::uint16_t port) {
  std::string message;
  AppendByte(message, kVersion5);
  AppendByte(message, kCommandConnect);
  AppendByte(message, kReserved);
  AppendByte(message, kAddressDomainName);
  AppendCounted(message, host);
  AppendPort(message, port);
  return message;
}

std::string V4ConnectRequest(std::uint16_t port, std::uint32_t address,
                             const std::string& user_id) {
  std::string message = V4Head(port, ntohl(address));
  AppendTerminated(message, user_id);
  return message;
}

std::string V4aConnectRequest(std::uint16_t port, const std::string& user_id,
                              const std::string& host) {
  std::string message = V4Head(port, kV4aMarkerAddress);
  AppendTerminated(message, user_id);
  AppendTerminated(message, host);
  return message;
}

}  // namespace varnel::socket::socks
