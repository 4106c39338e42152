#include "ui/main/connection_state.h"

namespace varnel::ui {

const std::vector<TSessionControl>& SessionControls() {
  using enum TControlGroup;
  static const std::vector<TSessionControl> controls{
      {"btnConnect", NotConnected},
      {"Connect1", NotConnected},
      {"edtUserName", NotConnected},
      {"edtPassword", NotConnected},
      {"btnConnectManage", NotConnected},
      {"ConnectionManager1", NotConnected},
      {"cmbConnections", NotConnected},
      {"btnDisconnect", ConnectedIdle},
      {"Disconnect1", ConnectedIdle},
      {"btnDownload", ConnectedIdle},
      {"Download1", ConnectedIdle},
      {"btnUpload", ConnectedIdle},
      {"Upload1", ConnectedIdle},
      {"btnUpRemoteDir", ConnectedIdle},
      {"btnDelete", ConnectedIdle},
      {"btnRename", ConnectedIdle},
      {"btnMakeDir", ConnectedIdle},
      {"btnDelDir", ConnectedIdle},
      {"btnRefreshRemote", ConnectedIdle},
      {"btnViewRemoteIcon", ConnectedIdle},
      {"btnViewRemoteList", ConnectedIdle},
      {"btnViewRemoteDetail", ConnectedIdle},
      {"btnViewRemoteSmall", ConnectedIdle},
      {"edtCurDir", ConnectedIdle},
      {"btnAbort", ConnectedBusy},
  };
  return controls;
}

bool ControlEnabled(TControlGroup group, const TConnectionState& state) {
  switch (group) {
    case TControlGroup::NotConnected:
      return !state.Connected;
    case TControlGroup::ConnectedIdle:
      return state.Connected && !state.Busy;
    case TControlGroup::ConnectedBusy:
      return state.Connected && state.Busy;
  }
  return false;
}

std::string StatusText(const TConnectionState& state, std::string_view host) {
  if (!state.Text.empty()) return " " + state.Text;
  if (state.Connected) return " Connected To " + std::string(host);
  return " No FTP Connection";
}

std::string TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace varnel::ui
