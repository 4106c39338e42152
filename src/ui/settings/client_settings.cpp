#include "ui/settings/client_settings.h"

namespace varnel::ui {

TConnectionKind ConnectionKindOf(int connection) {
  if (connection < 0 || connection > static_cast<int>(TConnectionKind::Socks5)) {
    return TConnectionKind::Direct;
  }
  return static_cast<TConnectionKind>(connection);
}

}  // namespace varnel::ui
