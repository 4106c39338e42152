// Error reporting: operation failures become ESocketException (or OnError),
// exceptions escaping a handler go to OnBgException.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "socket/winsock_errors.h"
#include "socket/wsocket.h"

namespace varnel::socket {

void TCustomWSocket::ReportSocketError(const std::string& FunctionName, int Code) {
  std::string text = "Error ";
  text.append(std::to_string(Code)).append(" in function ").append(FunctionName);
  text.append("\r\n").append(WinsockErrorText(Code));
  if (Code == WSAECONNRESET || Code == WSAENOTCONN) {
    // The connection is gone: forget the handle before anyone reacts.
    if (socket_handle_ >= 0) ReleaseHandle();
    if (state_ != wsClosed) FireSessionClosed(static_cast<std::uint16_t>(Code));
    SetState(wsClosed);
  }
  last_error_ = Code;
  ReportError(text);
}

void TCustomWSocket::ReportError(const std::string& Message) {
  if (OnError) {
    FireError();
    return;
  }
  throw ESocketException(Message);
}

void TCustomWSocket::ReportErrorFmt(const char* Format, ...) {
  va_list args;
  va_start(args, Format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, Format, measure);
  va_end(measure);
  std::vector<char> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1);
  std::vsnprintf(text.data(), text.size(), Format, args);
  va_end(args);
  ReportError(text.data());
}

void TCustomWSocket::ReportBgException(const std::exception& E) {
  bool can_close = true;
  if (OnBgException) {
    try {
      OnBgException(this, E, can_close);
    } catch (const std::exception&) {
      // A failing exception handler must not take the loop down.
    }
  }
  if (can_close) {
    try {
      Abort();
    } catch (const std::exception&) {
      // The socket is being given up; a failing close changes nothing.
    }
  }
}

}  // namespace varnel::socket
