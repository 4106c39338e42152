// TCustomSyncWSocket: the synchronous-waiting layer of the socket chain.
#pragma once

#include "socket/line_wsocket.h"

namespace varnel::socket {

class TCustomSyncWSocket : public TCustomLineWSocket {
 public:
  using TCustomLineWSocket::TCustomLineWSocket;
};

}  // namespace varnel::socket
