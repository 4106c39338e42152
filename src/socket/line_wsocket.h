// TCustomLineWSocket: the line-mode layer of the socket chain. With line mode
// off it behaves exactly as the SOCKS layer below it.
#pragma once

#include "socket/socks_wsocket.h"

namespace varnel::socket {

class TCustomLineWSocket : public TCustomSocksWSocket {
 public:
  using TCustomSocksWSocket::TCustomSocksWSocket;
};

}  // namespace varnel::socket
