// The remote folder commands of the session: create and delete a folder,
// rename a file. Their completions are in the completion table.
#include "ui/main/ftp_session.h"

namespace varnel::ui {

using ftp::TCustomFtpCli;

void TFtpSession::MakeRemoteDir(const std::string& name) {
  StartFolderCommand(&TCustomFtpCli::MkdAsync, name);
}

void TFtpSession::RemoveRemoteDir(const std::string& name) {
  StartFolderCommand(&TCustomFtpCli::RmdAsync, name);
}

void TFtpSession::RenameRemoteFile(const std::string& from, const std::string& to) {
  FtpClient1_.SetLocalFileName(to);
  StartFolderCommand(&TCustomFtpCli::RenAsync, from);
}

// Busy from the start, a rename too: no other command may meet the
// engine while RNFR and RNTO are on their way.
void TFtpSession::StartFolderCommand(Request request, const std::string& host_file) {
  if (viewer_running_ || !ConnectedAndIdle() || !FtpClient1_.Connected()) return;
  SetConnectionState(true, true);
  FtpClient1_.SetHostFileName(host_file);
  if (!StartEngineRequest(request)) ReturnToIdle();
}

}  // namespace varnel::ui
