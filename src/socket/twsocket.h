// TWSocket: the concrete socket component used by the FTP engine.
//
// Ownership: the creator owns a TWSocket like any object (a member or a
// unique_ptr). Release() is the one exception: it is for a socket created
// with new whose owner gives it up by calling it; the socket then deletes
// itself from a later notification, so it may be called from inside the
// socket's own event handlers.
#pragma once

#include "socket/sync_wsocket.h"

namespace varnel::socket {

class TWSocket : public TCustomSyncWSocket {
 public:
  using TCustomSyncWSocket::TCustomSyncWSocket;
};

}  // namespace varnel::socket
