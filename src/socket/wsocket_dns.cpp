// Asynchronous name and address lookups. Results come back through the
// socket's own target, so they are dropped when the socket is destroyed.
#include <memory>

#include "socket/dns_resolver.h"
#include "socket/resolve.h"
#include "socket/winsock_errors.h"
#include "socket/wsocket.h"

namespace varnel::socket {
namespace {

constexpr std::size_t kMaxHostText = 256;

std::uint64_t ErrorParam(int error) {
  return static_cast<std::uint64_t>(error & 0xFFFF) << 16;
}

}  // namespace

void TCustomWSocket::DnsLookup(const std::string& HostName) {
  if (HostName.empty()) {
    ReportError("DNS lookup: invalid host name.");
    FireDnsLookupDone(WSAEINVAL);
    return;
  }
  ForgetDnsRequest();
  std::uint32_t address = 0;
  if (InetAddr(HostName, address)) {
    dns_result_ = DottedAddress(address);
    FireDnsLookupDone(0);
    return;
  }
  // The id is known only after the call; the result always comes later.
  auto request = std::make_shared<std::uint64_t>(0);
  *request = DnsResolver::LookupName(
      *loop_, window_->Id(), HostName,
      [this, request](int error, std::vector<std::string> dotted_addresses) {
        dns_answer_ = std::move(dotted_addresses);
        DispatchNotification(NotifyHostByName, *request, ErrorParam(error));
      });
  dns_request_ = *request;
}

void TCustomWSocket::ReverseDnsLookup(const std::string& HostAddr) {
  if (HostAddr.empty() || HostAddr.size() > kMaxHostText) {
    ReportError("ReverseDnsLookup: Invalid host name.");
    FireDnsLookupDone(WSAEINVAL);
    return;
  }
  ForgetDnsRequest();
  auto request = std::make_shared<std::uint64_t>(0);
  *request = DnsResolver::LookupAddr(
      *loop_, window_->Id(), HostAddr, [this, request](int error, std::string host_name) {
        dns_answer_.assign(1, std::move(host_name));
        DispatchNotification(NotifyHostByAddr, *request, ErrorParam(error));
      });
  dns_request_ = *request;
}

// A new lookup supersedes the one still running and its results.
void TCustomWSocket::ForgetDnsRequest() {
  if (dns_request_ != 0) DnsResolver::Cancel(dns_request_);
  dns_request_ = 0;
  dns_result_.clear();
  dns_result_list_.clear();
}

void TCustomWSocket::HandleDnsResult(unsigned Msg, std::uint64_t Request, std::uint16_t Error) {
  if (dns_request_ == 0 || Request != dns_request_) return;
  dns_request_ = 0;
  std::vector<std::string> answer = std::move(dns_answer_);
  dns_answer_.clear();
  if (Error == 0 && Msg == NotifyHostByName) {
    dns_result_list_ = std::move(answer);
    if (!dns_result_list_.empty()) dns_result_ = dns_result_list_.front();
  } else if (Error == 0 && !answer.empty()) {
    dns_result_ = answer.front();
    dns_result_list_.assign(1, dns_result_);
  }
  FireDnsLookupDone(Error);
}

void TCustomWSocket::CancelDnsLookup() {
  if (dns_request_ == 0) return;
  const std::uint64_t request = dns_request_;
  dns_request_ = 0;
  if (!DnsResolver::Cancel(request)) {
    ReportSocketError("WSACancelAsyncRequest", WSAEINVAL);
    return;
  }
  if (!destroying_) FireDnsLookupDone(WSAEINTR);
}

}  // namespace varnel::socket
