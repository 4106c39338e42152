// Drag and drop between the two panes, and files dropped from the
// desktop's file manager onto the remote pane. A drag of pane rows carries
// which pane it came from and which window; rows dragged out of the local
// pane carry their files as URLs as well, so other programs take them too.
// The views only offer copies.
#pragma once

#include <QObject>

#include <functional>
#include <string>
#include <vector>

#include "ui/main/view_styles.h"

class QMimeData;

namespace varnel::ui {

inline constexpr const char* kPaneDragFormat = "application/x-varnel-client-pane";

enum class TDropAction {
  None,
  Upload,       // the local pane's selection into the remote directory
  Download,     // the remote pane's selection into the local folder
  UploadFiles,  // local files from another program into the remote directory
};

struct TDropDecision {
  TDropAction Action = TDropAction::None;
  std::vector<std::string> Paths;  // UploadFiles: the files, as local paths
};

// What a drag of rows out of the pane `side` of the window `window` (an id
// telling windows apart) carries; `local_paths` for the local pane.
QMimeData* PaneDragData(TPaneSide side, quintptr window,
                        const std::vector<std::string>& local_paths);

// A drop of `data` onto the pane `target` of `window`. Rows of the other
// pane of the same window move that pane's selection across; local files
// from elsewhere are uploaded when dropped on the remote pane. Nothing is
// accepted on the pane the rows came from, from another window, or unless
// the window is `ready` (connected and idle).
TDropDecision DecideDrop(TPaneSide target, quintptr window, const QMimeData& data, bool ready);

// Makes the views of one pane drag their rows and accept what DecideDrop
// accepts; `drop` runs once the drag has ended, outside its event loop.
class TPaneDropTarget : public QObject {
  Q_OBJECT

 public:
  TPaneDropTarget(TPaneSide side, quintptr window, TPaneViews& views, std::function<bool()> ready,
                  std::function<void(const TDropDecision&)> drop);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TPaneSide side_;
  quintptr window_;
  std::function<bool()> ready_;
  std::function<void(const TDropDecision&)> drop_;
};

}  // namespace varnel::ui
