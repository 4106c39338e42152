// TCustomSocksWSocket: the SOCKS proxy layer of the socket chain. Without a
// SOCKS server set it behaves exactly as TCustomWSocket.
#pragma once

#include "socket/wsocket.h"

namespace varnel::socket {

class TCustomSocksWSocket : public TCustomWSocket {
 public:
  using TCustomWSocket::TCustomWSocket;
};

}  // namespace varnel::socket
