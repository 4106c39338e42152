#include "socket/resolve.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <memory>

#include "socket/socket_exception.h"
#include "socket/winsock_errors.h"

namespace varnel::socket {
namespace {

constexpr std::size_t kMaxHostLength = 256;
constexpr std::size_t kMaxNameLength = 32;  // port and protocol texts
constexpr std::uint32_t kAllOnes = 0xFFFFFFFFu;

std::atomic<HostLookupFunction> g_host_lookup{nullptr};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A text with an embedded NUL would be cut short by the C resolver calls and
// name something else; such a text names nothing.
bool HasNul(const std::string& text) {
  return text.find('\0') != std::string::npos;
}

// Formats "...'%s', Error #%d" messages without a length limit on the text.
std::string FormatError(const char* prefix, const std::string& text,
                        int error) {
  return std::string(prefix) + " '" + text + "', Error #" +
         std::to_string(error);
}

int SystemHostLookup(const std::string& name,
                     std::vector<std::uint32_t>& addresses) {
  if (HasNul(name)) {
    return WSAHOST_NOT_FOUND;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  const int rc = getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (rc != 0) {
    return WinsockErrorFromResolver(rc);
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found,
                                                           &freeaddrinfo);
  for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET || !entry->ai_addr) {
      continue;
    }
    const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    const std::uint32_t address = in->sin_addr.s_addr;
    // One entry per socket type comes back for the same address.
    if (std::find(addresses.begin(), addresses.end(), address) ==
        addresses.end()) {
      addresses.push_back(address);
    }
  }
  return addresses.empty() ? WSANO_DATA : 0;
}

// Runs a reentrant netdb call, `call(entry, buffer, size, result)`, with a
// buffer that grows while the call asks for more room: 0 when it found an
// entry, else a Winsock error. Only the entry's numbers outlive the buffer.
template <typename Entry, typename Call>
int ReentrantLookup(Entry& entry, const Call& call) {
  std::vector<char> buffer(1024);
  for (;;) {
    Entry* result = nullptr;
    const int rc = call(&entry, buffer.data(), buffer.size(), &result);
    if (rc == ERANGE && buffer.size() < 1024 * 1024) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0) {
      return WinsockErrorFromErrno(rc);
    }
    return result ? 0 : WSANO_DATA;
  }
}

// getservbyname_r: 0 and the port (network order) or a Winsock error.
int LookupService(const std::string& name, const std::string& proto,
                  int& port) {
  if (HasNul(name) || HasNul(proto)) {
    return WSANO_DATA;
  }
  servent entry{};
  const int error = ReentrantLookup(
      entry, [&](servent* found, char* buffer, std::size_t size, servent** result) {
        return getservbyname_r(name.c_str(), proto.c_str(), found, buffer, size,
                               result);
      });
  if (error == 0) {
    port = entry.s_port;
  }
  return error;
}

// getprotobyname_r: 0 and the protocol number or a Winsock error.
int LookupProtocol(const std::string& name, int& number) {
  if (HasNul(name)) {
    return WSANO_DATA;
  }
  protoent entry{};
  const int error = ReentrantLookup(
      entry, [&](protoent* found, char* buffer, std::size_t size, protoent** result) {
        return getprotobyname_r(name.c_str(), found, buffer, size, result);
      });
  if (error == 0) {
    number = entry.p_proto;
  }
  return error;
}

}  // namespace

std::string TrimBlanks(const std::string& text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  auto first = std::find_if_not(text.begin(), text.end(), blank);
  auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  return first < last ? std::string(first, last) : std::string();
}

int LookupHostAddresses(const std::string& name,
                        std::vector<std::uint32_t>& addresses) {
  addresses.clear();
  HostLookupFunction lookup = g_host_lookup.load();
  return lookup ? lookup(name, addresses) : SystemHostLookup(name, addresses);
}

HostLookupFunction SetHostLookupFunction(HostLookupFunction lookup) {
  return g_host_lookup.exchange(lookup);
}

std::uint32_t WSocketResolveHost(const std::string& host) {
  if (host.empty() || host.size() > kMaxHostLength) {
    throw ESocketException("WSocketResolveHost: '" + host +
                           "' Invalid Hostname.");
  }
  const std::string trimmed = TrimBlanks(host);
  if (IsDottedIP(host)) {
    std::uint32_t address = 0;
    if (!InetAddr(trimmed, address)) {
      throw ESocketException("WSocketResolveHost: '" + host +
                             "' Invalid IP address.");
    }
    return address;
  }
  std::vector<std::uint32_t> addresses;
  const int error = LookupHostAddresses(trimmed, addresses);
  if (error != 0) {
    throw ESocketException(FormatError(
        "WSocketResolveHost: Cannot convert host address", host, error));
  }
  return addresses.front();
}

int WSocketResolvePort(const std::string& port, const std::string& proto) {
  if (port.empty() || port.size() >= kMaxNameLength) {
    throw ESocketException("WSocketResolvePort: Invalid Port.");
  }
  if (proto.empty() || proto.size() >= kMaxNameLength) {
    throw ESocketException("WSocketResolvePort: Invalid Proto.");
  }
  if (IsDigit(port[0])) {
    return ParseDecimal(port);
  }
  int network_port = 0;
  const int error = LookupService(TrimBlanks(port), TrimBlanks(proto), network_port);
  if (error != 0) {
    throw ESocketException(FormatError(
        "WSocketResolvePort: Cannot convert port", port, error));
  }
  return ntohs(static_cast<std::uint16_t>(network_port));
}

int WSocketResolveProto(const std::string& proto) {
  if (proto.empty() || proto.size() >= kMaxNameLength) {
    throw ESocketException("WSocketResolveProto: Invalid Protocol.");
  }
  const std::string trimmed = TrimBlanks(proto);
  if (!trimmed.empty() && IsDigit(trimmed[0])) {
    return ParseDecimal(trimmed);
  }
  int number = 0;
  const int error = LookupProtocol(trimmed, number);
  if (error != 0) {
    throw ESocketException(FormatError(
        "WSocketResolveProto: Cannot convert protocol", proto, error));
  }
  return number;
}

int ParseDecimal(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') {
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
  }
  return static_cast<int>(value);
}

bool IsDottedIP(const std::string& text) {
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size && text[i] == ' ') {
    ++i;
  }
  if (i < size && text[i] == '.') {
    return false;
  }
  int dots = 0;
  int group = 0;
  for (; i < size; ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      // Saturate: any group beyond 255 fails alike.
      group = std::min(group * 10 + (c - '0'), 256);
    } else if (c == '.') {
      ++dots;
      if (dots > 3 || group > 255 || i + 1 >= size || !IsDigit(text[i + 1])) {
        return false;
      }
      group = 0;
    } else {
      // Only trailing blanks may follow the last group.
      if (text.find_first_not_of(' ', i) != std::string::npos) {
        return false;
      }
      break;
    }
  }
  return dots == 3 && group <= 255;
}

bool InetAddr(const std::string& text, std::uint32_t& network_order) {
  // Like inet_addr, the address may be followed by blanks, but nothing else.
  const std::size_t end = text.find_first_of(" \t\r\n\v\f");
  const std::string number = text.substr(0, end);
  if (end != std::string::npos &&
      text.find_first_not_of(" \t\r\n\v\f", end) != std::string::npos) {
    return false;
  }
  if (number.empty() || HasNul(number)) {
    return false;
  }
  in_addr address{};
  if (inet_aton(number.c_str(), &address) == 0) {
    return false;
  }
  // inet_addr cannot tell the broadcast address from a failure; only its
  // plain dotted form is taken as an address.
  if (address.s_addr == kAllOnes && number != "255.255.255.255") {
    return false;
  }
  network_order = address.s_addr;
  return true;
}

std::string DottedAddress(std::uint32_t network_order) {
  in_addr address{};
  address.s_addr = network_order;
  char buffer[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, buffer, sizeof buffer);
  return buffer;
}

}  // namespace varnel::socket
