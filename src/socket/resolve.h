// Blocking conversion of host, port and protocol texts to numbers, used
// inside Connect and Listen. Every failure raises ESocketException with a
// fixed text, whatever the socket's OnError handler would say.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnel::socket {

// IPv4 address of a host text (dotted or name), in network order.
std::uint32_t WSocketResolveHost(const std::string& host);

// Port number of a decimal or service text, in host order. Decimal texts are
// not range checked; the socket keeps the port as a 16-bit number.
int WSocketResolvePort(const std::string& port, const std::string& proto);

// Protocol number of a decimal or protocol-name text.
int WSocketResolveProto(const std::string& proto);

// True for four decimal groups of at most 255 separated by dots, with
// optional leading and trailing blanks.
bool IsDottedIP(const std::string& text);

// `text` without the bytes up to and including the space (blanks and control
// characters) at either end: the form in which the socket keeps its address,
// port and protocol texts and in which they are looked up.
std::string TrimBlanks(const std::string& text);

// Leading blanks skipped, then the decimal digits up to the first non-digit;
// no digits give 0. A value beyond INT_MAX is clamped to INT_MAX.
int ParseDecimal(const std::string& text);

// inet_addr: the address of a numeric IPv4 text in network order. False
// where inet_addr reports INADDR_NONE, except for a valid "255.255.255.255".
bool InetAddr(const std::string& text, std::uint32_t& network_order);

// The dotted form ("a.b.c.d") of an address in network order.
std::string DottedAddress(std::uint32_t network_order);

// Blocking IPv4 lookup of a host name: 0 and its addresses (network order,
// the resolver's order, duplicates removed), or a Winsock error. Safe to call
// from any thread; the asynchronous resolver uses it too.
int LookupHostAddresses(const std::string& name,
                        std::vector<std::uint32_t>& addresses);

// The function behind LookupHostAddresses. Tests install their own so that
// no name server is ever asked; nullptr restores the system resolver.
// Returns the previous one. Install before any lookup is pending.
using HostLookupFunction = int (*)(const std::string& name,
                                   std::vector<std::uint32_t>& addresses);
HostLookupFunction SetHostLookupFunction(HostLookupFunction lookup);

}  // namespace varnel::socket
