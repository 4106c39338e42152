// The command primitive and the single-command requests.
#include "ftp/ftp_client.h"
#include "ftp/ftp_reply_text.h"
#include "socket/winsock_errors.h"

namespace varnel::ftp {
namespace {

constexpr std::size_t kMaxAcceptedCodes = 16;

bool IsUnguardedCommand(const std::string& command) {
  return command == "ABOR" || command == "STAT" || command == "QUIT";
}

void RefuseLineBreak(const std::string& value, const char* property) {
  if (ContainsLineBreak(value)) throw FtpException(std::string(property) + " contains CR or LF");
}

}  // namespace

// ---- the command primitive ----

bool TCustomFtpCli::SendCommandLine(const std::string& Command) {
  std::string command = Command;
  if (OnCommand) OnCommand(this, command);
  FireDisplay("> " + command);
  if (control_socket_.State() != socket::wsConnected) return false;
  control_socket_.SendStr(command + "\r\n");
  return true;
}

void TCustomFtpCli::CheckCanSend(const std::string& Command) const {
  if (IsUnguardedCommand(Command)) return;
  if (!IsReady()) throw FtpException("FTP component not ready");
  if (!link_) throw FtpException("FTP component not connected");
}

void TCustomFtpCli::RefuseLineBreaks(TFtpSteps Steps) const {
  if (Steps.Contains(stepUser)) {
    RefuseLineBreak(user_name_, "UserName");
    if (connection_type_ == ftpProxy) {
      RefuseLineBreak(host_name_, "HostName");
      RefuseLineBreak(port_, "Port");
    }
  }
  if (Steps.Contains(stepPass)) RefuseLineBreak(pass_word_, "PassWord");
  if (Steps.Contains(stepCwd)) RefuseLineBreak(host_dir_name_, "HostDirName");
  for (const TFtpStep step : {stepGet, stepPut, stepAppend, stepDir, stepLs, stepMkd, stepRmd,
                              stepRenFrom, stepSize, stepDele}) {
    if (Steps.Contains(step)) RefuseLineBreak(host_file_name_, "HostFileName");
  }
  if (Steps.Contains(stepRenTo) || Steps.Contains(stepQuote)) {
    RefuseLineBreak(local_file_name_, "LocalFileName");
  }
}

void TCustomFtpCli::SendCommand(TFtpRequest Code, TFtpStep Step, const std::string& Command,
                                std::initializer_list<int> Accepted, DoneHandler Done) {
  CheckCanSend(Command);
  step_ = Step;
  if (!sequence_running_) request_type_ = Code;
  accepted_codes_.assign(Accepted.begin(),
                         Accepted.begin() + std::min(Accepted.size(), kMaxAcceptedCodes));
  completion_guard_ = false;
  done_ = Done;
  SendAwaitingReply(Command, &TCustomFtpCli::OnCommandReply);
}

// Sends a command whose reply `Handler` judges. A command that cannot be
// sent (no connection) ends its request at once; one that a handler refused
// to send leaves the engine as it was.
void TCustomFtpCli::SendAwaitingReply(const std::string& Command, ReplyHandler Handler) {
  const TFtpState previous = state_;
  AwaitReply(Handler);
  SetState(ftpWaitingResponse);
  bool sent = false;
  try {
    sent = SendCommandLine(Command);
  } catch (const std::exception&) {
    AwaitReply(nullptr);
    completion_guard_ = true;  // nothing was started that could complete
    if (stage_ != TransferStage::kNone) {
      SetStage(TransferStage::kNone);
      local_file_.Close();
      if (data_socket_.State() != socket::wsClosed) data_socket_.Close();
    }
    SetState(previous);
    throw;
  }
  if (!sent) CompleteUnsentCommand(Command);
}

// QUIT reaches the not-connected state at once; anything else fails with
// "not connected" instead of waiting for a reply that cannot come.
void TCustomFtpCli::CompleteUnsentCommand(const std::string& Command) {
  AwaitReply(nullptr);
  if (Command == "QUIT") {
    step_result_ = 0;
    control_socket_.CancelDnsLookup();
    if (control_socket_.State() != socket::wsClosed) control_socket_.Close();
    ReportCompletion(0);
    return;
  }
  SetSyntheticReply("500 " + socket::WinsockErrorText(socket::WSAENOTCONN) +
                        " (Winsock error #" + std::to_string(socket::WSAENOTCONN) + ")",
                    500);
  step_result_ = 500;
  ReportCompletion(socket::WSAENOTCONN);
}

// ---- single-command requests ----

void TCustomFtpCli::UserAsync() {
  if (user_name_.empty()) throw FtpException("UserName emtpy");
  RefuseLineBreaks({stepUser});
  SendCommand(ftpUserAsync, stepUser, UserCommand(connection_type_, user_name_, host_name_, port_),
              {331, 230});
}

void TCustomFtpCli::PassAsync() {
  if (pass_word_.empty()) throw FtpException("Password emtpy");
  RefuseLineBreaks({stepPass});
  SendCommand(ftpPassAsync, stepPass, "PASS " + pass_word_, {230});
}

void TCustomFtpCli::CwdAsync() {
  if (host_dir_name_.empty()) throw FtpException("HostDirName emtpy");
  RefuseLineBreaks({stepCwd});
  SendCommand(ftpCwdAsync, stepCwd, "CWD " + host_dir_name_, {200, 250, 257});
}

void TCustomFtpCli::CDupAsync() { SendCommand(ftpCDupAsync, stepCDup, "CDUP", {250}); }

void TCustomFtpCli::PwdAsync() { SendCommand(ftpPwdAsync, stepPwd, "PWD", {250, 257}); }

void TCustomFtpCli::MkdAsync() {
  RefuseLineBreaks({stepMkd});
  SendCommand(ftpMkdAsync, stepMkd, CommandWithArgument("MKD", host_file_name_), {250, 257});
}

void TCustomFtpCli::RmdAsync() {
  RefuseLineBreaks({stepRmd});
  SendCommand(ftpRmdAsync, stepRmd, CommandWithArgument("RMD", host_file_name_), {250, 257});
}

void TCustomFtpCli::DeleAsync() {
  RefuseLineBreaks({stepDele});
  SendCommand(ftpDeleAsync, stepDele, CommandWithArgument("DELE", host_file_name_), {250, 257});
}

void TCustomFtpCli::RenFromAsync() {
  RefuseLineBreaks({stepRenFrom});
  SendCommand(ftpRenFromAsync, stepRenFrom, CommandWithArgument("RNFR", host_file_name_), {350});
}

// The new name is taken from LocalFileName.
void TCustomFtpCli::RenToAsync() {
  RefuseLineBreaks({stepRenTo});
  SendCommand(ftpRenToAsync, stepRenTo, CommandWithArgument("RNTO", local_file_name_),
              {200, 250, 257});
}

void TCustomFtpCli::SizeAsync() {
  RefuseLineBreaks({stepSize});
  CheckCanSend("SIZE");
  size_result_ = 0;
  SendCommand(ftpSizeAsync, stepSize, CommandWithArgument("SIZE", host_file_name_), {213});
}

void TCustomFtpCli::SystAsync() { SendCommand(ftpSystAsync, stepSyst, "SYST", {215}); }

void TCustomFtpCli::TypeSetAsync() {
  SendCommand(ftpTypeSetAsync, stepTypeSet, std::string("TYPE ") + type_letter_, {200});
}

void TCustomFtpCli::TypeBinaryAsync() {
  SetBinary(true);
  TypeSetAsync();
}

void TCustomFtpCli::TypeAsciiAsync() {
  SetBinary(false);
  TypeSetAsync();
}

void TCustomFtpCli::QuoteAsync() {
  RefuseLineBreaks({stepQuote});
  SendCommand(ftpQuoteAsync, stepQuote, local_file_name_, {});
}

void TCustomFtpCli::AborAsync() {
  AbandonSequence();
  SendAbor();
}

void TCustomFtpCli::SendAbor() { SendCommand(ftpAborAsync, stepAbor, "ABOR", {}); }

void TCustomFtpCli::QuitAsync() {
  AbandonSequence();
  SendQuit();
}

void TCustomFtpCli::SendQuit() {
  local_file_.Close();
  SendCommand(ftpQuitAsync, stepQuit, "QUIT", {221}, &TCustomFtpCli::OnQuitReplyJudged);
}

// QUIT ends through the close of the control connection, whatever the reply.
void TCustomFtpCli::OnQuitReplyJudged() {
  if (control_socket_.State() != socket::wsClosed) {
    control_socket_.Close();
  } else {
    ReportCompletion(step_result_);
  }
}

}  // namespace varnel::ftp
