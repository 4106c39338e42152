// The session's state as the window shows it: connected or not, busy or
// idle, and the status text. Which session controls each state enables and
// what the status panel reads are decided here, without a window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnel::ui {

struct TConnectionState {
  bool Connected = false;
  bool Busy = false;
  std::string Text;  // a text of its own for the status panel; empty: the default

  bool operator==(const TConnectionState&) const = default;
};

// When a session control is enabled.
enum class TControlGroup {
  NotConnected,   // connect, profile choice, credentials, connection manager
  ConnectedIdle,  // disconnect and the remote commands
  ConnectedBusy,  // abort
};

struct TSessionControl {
  const char* Name;  // the control's objectName
  TControlGroup Group;
};

// Every session control, by name. A window enables those it has; controls
// that come with later parts of the window join by their names.
const std::vector<TSessionControl>& SessionControls();

bool ControlEnabled(TControlGroup group, const TConnectionState& state);

// The status panel's text: " " + the state's own text when it has one,
// else " Connected To " + host when connected, else " No FTP Connection".
std::string StatusText(const TConnectionState& state, std::string_view host);

// `text` without blanks and control characters at either end: the status
// panel's hint.
std::string TrimBlanks(std::string_view text);

}  // namespace varnel::ui
