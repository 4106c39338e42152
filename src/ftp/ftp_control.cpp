// The control connection: construction, state changes, opening (lookup,
// connect, banner), reply assembly and judgement, completion reporting,
// the engine's notifications, closing and the local abort.
#include <cstring>
#include <string_view>

#include "ftp/ftp_client.h"
#include "ftp/ftp_reply_text.h"
#include "socket/winsock_errors.h"

namespace varnel::ftp {
namespace {

// Error word of a completion: 0, a socket error or a reply code; anything
// that does not fit in 16 bits must not read as success.
std::uint16_t ErrorWord(int error) {
  return error == 0 ? std::uint16_t{0} : ReplyErrorWord(error);
}

std::string WinsockFailureLine(std::uint16_t error) {
  return "500 " + socket::WinsockErrorText(error) + " (Winsock error #" + std::to_string(error) +
         ")";
}

}  // namespace

TCustomFtpCli::TCustomFtpCli(runtime::EventLoop& loop)
    : loop_(&loop),
      notify_(std::make_unique<runtime::NotifyTarget>(loop)),
      receive_buffer_(new char[kReceiveBlockSize]),
      send_buffer_(new char[kSendBlockSize]),
      control_socket_(loop),
      data_socket_(loop) {
  WireControlSocket();
}

// Pending notifications die with the target; the sockets close without
// raising events while they are destroyed.
TCustomFtpCli::~TCustomFtpCli() { StopWatchdog(); }

std::string TCustomFtpCli::ExceptionClassName(const std::exception& E) {
  if (dynamic_cast<const socket::ESocketException*>(&E) != nullptr) return "ESocketException";
  if (dynamic_cast<const FtpException*>(&E) != nullptr) return "FtpException";
  return "Exception";
}

bool TCustomFtpCli::Connected() const { return control_socket_.State() != socket::wsClosed; }

// A request is watched from the moment it waits for the network until the
// engine is ready again; the steps of a sequence share one watch.
void TCustomFtpCli::SetState(TFtpState NewState) {
  if (state_ == NewState) return;
  state_ = NewState;
  if (IsBusy()) {
    StartWatchdog();
  } else if (NewState == ftpReady) {
    StopWatchdog();
  }
  if (OnStateChange) OnStateChange(this);
}

void TCustomFtpCli::FireDisplay(const std::string& Msg) {
  if (!OnDisplay) return;
  std::string text = Msg;
  OnDisplay(this, text);
}

void TCustomFtpCli::RecordError() {
  if (error_message_.empty()) error_message_ = last_response_;
}

void TCustomFtpCli::SetSyntheticReply(const std::string& Line, int Code) {
  last_response_ = Line;
  status_code_ = Code;
  RecordError();
}

void TCustomFtpCli::WireControlSocket() {
  control_socket_.OnDnsLookupDone = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    OnControlDnsLookupDone(Error);
  };
  control_socket_.OnSessionConnected = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    OnControlSessionConnected(Error);
  };
  control_socket_.OnDataAvailable = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    OnControlDataAvailable(Error);
  };
  control_socket_.OnSessionClosed = [this](socket::TCustomWSocket*, std::uint16_t Error) {
    OnControlSessionClosed(Error);
  };
}

// ---- opening ----

void TCustomFtpCli::OpenAsync() {
  if (!IsReady()) throw FtpException("FTP component not ready");
  if (link_) throw FtpException("FTP component already connected");
  const TFtpState previous = state_;
  const TFtpRequest previous_request = request_type_;
  if (!sequence_running_) request_type_ = ftpOpenAsync;
  completion_guard_ = false;
  reply_count_ = 0;
  open_reply_code_ = 0;
  step_result_ = 0;
  step_ = stepOpen;
  AwaitReply(&TCustomFtpCli::OnBannerReply);
  SetState(ftpDnsLookup);
  const std::string& target = connection_type_ == ftpProxy ? proxy_server_ : host_name_;
  if (SocksResolvesName(target)) {
    ConnectControl(target);
    return;
  }
  try {
    // A dotted address is resolved at once, inside this call.
    control_socket_.DnsLookup(target);
  } catch (const std::exception& E) {
    AwaitReply(nullptr);
    completion_guard_ = true;
    request_type_ = previous_request;
    SetState(previous);
    throw FtpException(E.what());
  }
}

void TCustomFtpCli::OnControlDnsLookupDone(std::uint16_t Error) {
  // A cancelled or superseded lookup (abort, QUIT) is not the request's end.
  if (state_ != ftpDnsLookup) return;
  NoteProgress();
  if (Error != 0) {
    SetSyntheticReply(WinsockFailureLine(Error), 500);
    step_result_ = 500;
    ReportCompletion(Error);
    return;
  }
  ConnectControl(control_socket_.DnsResult());
}

// `Address` is the server's (or FTP proxy's) address, or its name when the
// SOCKS server resolves it.
void TCustomFtpCli::ConnectControl(const std::string& Address) {
  try {
    ApplySocksSettings(control_socket_);
    control_socket_.SetAddr(Address);
    control_socket_.SetLocalAddr(local_addr_);
    control_socket_.SetProto("tcp");
    control_socket_.SetPort(connection_type_ == ftpProxy && !proxy_port_.empty() ? proxy_port_
                                                                                 : port_);
    SetState(ftpWaitingBanner);
    control_socket_.Connect();
  } catch (const std::exception& E) {
    SetSyntheticReply("500 " + ExceptionClassName(E) + ": " + E.what(), 500);
    step_result_ = 500;
    // A handle left half-open would refuse the next Connect.
    if (control_socket_.State() != socket::wsClosed) control_socket_.Close();
    ReportCompletion(500);
  }
}

void TCustomFtpCli::OnControlSessionConnected(std::uint16_t Error) {
  if (Error == 0) {
    link_ = true;  // the banner is awaited next
    NoteProgress();
    return;
  }
  SetSyntheticReply(WinsockFailureLine(Error), 500);
  step_result_ = 500;
  sequence_continues_ = false;
  ReportCompletion(Error);
  control_socket_.Close();
  SetState(ftpReady);
}

// ---- reply assembly ----

void TCustomFtpCli::OnControlDataAvailable(std::uint16_t) {
  const std::size_t room = kReplyBufferSize - 1 - reply_count_;
  const int received =
      control_socket_.Receive(reply_buffer_.data() + reply_count_, static_cast<int>(room));
  if (received == 0) {
    control_socket_.Close();
    return;
  }
  if (received < 0) return;
  NoteProgress();
  reply_count_ += static_cast<std::size_t>(received);
  const bool accept_lf = options_.Contains(ftpAcceptLF);
  // A handler that closed the connection (a refused banner) leaves the rest
  // of the received text unprocessed.
  while (reply_count_ > 0 && control_socket_.State() != socket::wsClosed) {
    const std::string_view text(reply_buffer_.data(), reply_count_);
    const std::size_t end = accept_lf ? text.find('\n') : text.find("\r\n");
    if (end == std::string_view::npos) break;
    const std::size_t consumed = end + (accept_lf ? 1 : 2);
    std::string line(text.substr(0, end));
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    // The bytes leave the buffer before any handler runs: a handler may
    // start a request that empties it.
    std::memmove(reply_buffer_.data(), reply_buffer_.data() + consumed, reply_count_ - consumed);
    reply_count_ -= consumed;
    last_response_ = std::move(line);
    if (OnResponse) OnResponse(this);
    HandleReplyLine();
  }
  if (reply_count_ >= kReplyBufferSize - 1) {
    FireDisplay("! Reply line too long");
    control_socket_.Close();
  }
}

// Lines inside a reply only reach the log. The last line of a reply goes to
// the handler of the reply the running step waits for; when no step waits
// for one (an unsolicited notice, or a stray line from a hostile server) it
// only reaches the log and completes nothing.
void TCustomFtpCli::HandleReplyLine() {
  const bool opens_reply = open_reply_code_ == 0;
  const bool ends_reply = EndsReply(last_response_, open_reply_code_);
  if (next_reply_ == nullptr || !ends_reply) {
    if (next_reply_ != nullptr && opens_reply && StartsWithDigit(last_response_)) {
      status_code_ = LeadingNumber(last_response_);
    }
    DisplayReply();
    return;
  }
  status_code_ = LeadingNumber(last_response_);
  (this->*next_reply_)();
}

// The welcome. 220 opens the session; a 1xx reply (120: ready in a few
// minutes) is preliminary and the 220 is still to come; anything else
// refuses the session.
void TCustomFtpCli::OnBannerReply() {
  DisplayReply();
  if (status_code_ == 220) {
    SetState(ftpConnected);
    if (OnSessionConnected) OnSessionConnected(this, 0);
    ReportCompletion(0);
    return;
  }
  if (status_code_ >= 100 && status_code_ < 200) return;
  RecordError();
  step_result_ = ReplyErrorWord(status_code_);
  AwaitReply(nullptr);
  control_socket_.Close();  // the close reports the completion
}

// The generic judgement: the reply handler of every single command.
void TCustomFtpCli::OnCommandReply() {
  DisplayReply();
  bool success = accepted_codes_.empty() && status_code_ < 500;
  for (const int code : accepted_codes_) success = success || code == status_code_;
  if (success) {
    step_result_ = 0;
  } else {
    step_result_ = ReplyErrorWord(status_code_);
    RecordError();
  }
  if (passive_ && status_code_ == 227) pasv_reply_ = last_response_;
  if (success) TakeReplyResults();
  AwaitReply(nullptr);
  if (done_ != nullptr) {
    (this->*done_)();
  } else {
    ReportCompletion(step_result_);
  }
}

void TCustomFtpCli::TakeReplyResults() {
  switch (step_) {
    case stepSize:
      size_result_ = SecondNumber(last_response_);
      break;
    case stepCwd:
    case stepMkd:
    case stepPwd:
    case stepCDup:
      dir_result_ = QuotedName(last_response_);
      break;
    default:
      break;
  }
}

// ---- completion ----

void TCustomFtpCli::ReportCompletion(int Error) {
  if (completion_guard_) return;
  completion_guard_ = true;
  // The step is over: whatever the server still sends for it is only logged.
  AwaitReply(nullptr);
  SetStage(TransferStage::kNone);
  if (Error == 0 && sequence_continues_) {
    if (state_ != ftpAbort) SetState(ftpInternalReady);
    ContinueSequence();
    return;
  }
  if (Error != 0 && step_result_ == 0) step_result_ = Error;
  SetState(ftpReady);
  local_file_.Close();
  if (data_socket_.State() != socket::wsClosed) data_socket_.Close();
  SetDataLink(DataLink::kNone);
  if (sequence_running_ && saved_code_ >= 0) {
    // The application sees the reply of the last real step, not QUIT's 221.
    last_response_ = saved_reply_;
    status_code_ = saved_code_;
  }
  EndSequenceState();
  PostNotification(kNotifyRequestDone, ErrorWord(Error));
}

void TCustomFtpCli::PostNotification(unsigned Msg, std::uint16_t Error) {
  notify_->Post([this, Msg, Error] { DispatchNotification(Msg, Error); });
}

void TCustomFtpCli::DispatchNotification(unsigned Msg, std::uint16_t Error) {
  try {
    if (Msg == kNotifyRequestDone) {
      // RequestType is read now, at delivery time.
      if (OnRequestDone) OnRequestDone(this, request_type_, Error);
    } else if (Msg == kNotifyStartSending) {
      start_tick_ = runtime::TickCount();
      SendNextBlock(0);
    }
  } catch (const std::exception& E) {
    ReportBgException(E);
  }
}

// Nothing raised here may reach the event loop.
void TCustomFtpCli::ReportBgException(const std::exception& E) {
  bool can_close = true;
  try {
    if (OnBgException) OnBgException(this, E, can_close);
    if (can_close) AbortAsync();
  } catch (const std::exception&) {
    // The engine is being given up already; a second failure changes nothing.
  }
}

// ---- closing and abort ----

void TCustomFtpCli::OnControlSessionClosed(std::uint16_t Error) {
  if (link_) {
    link_ = false;
    if (state_ != ftpAbort) SetState(ftpNotConnected);
    if (OnSessionClosed) OnSessionClosed(this, Error);
  }
  if (AwaitsServer() && step_result_ == 0) {
    // The reply never came: the request failed, whoever closed.
    step_result_ = 426;
    if (state_ == ftpAbort) {
      error_message_ = "426 Operation aborted.";
    } else if (error_message_.empty()) {
      error_message_ = "426 Connection closed before the reply";
    }
  }
  if (state_ != ftpAbort) SetState(ftpInternalReady);
  ReportCompletion(step_result_);
}

void TCustomFtpCli::AbortAsync() {
  const TFtpState previous = state_;
  SetState(ftpAbort);
  local_file_.Close();
  if (previous == ftpDnsLookup) control_socket_.CancelDnsLookup();
  if (control_socket_.State() != socket::wsClosed) control_socket_.Close();
  if (data_socket_.State() != socket::wsClosed) data_socket_.Close();
  link_ = false;
  // Nothing is awaited any more, also when no close reported a completion.
  AwaitReply(nullptr);
  SetStage(TransferStage::kNone);
  SetDataLink(DataLink::kNone);
  SetState(ftpReady);
}

}  // namespace varnel::ftp
