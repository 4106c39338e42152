// One of the two pane areas of the main window: the pane's buttons in a
// row, the folder box below them (the whole width, so that a long path
// stays readable) and the file list. The remote area is
// Panel1 with edtCurDir and lvwFileList, the local one Panel4 with
// edtLocalDir and lvwLocal; the panes (remote_pane.h, local_pane.h) fill
// them.
#pragma once

class QHBoxLayout;
class QLineEdit;
class QWidget;

namespace varnel::ui {

class TPaneViews;

struct TPaneArea {
  QWidget* Panel = nullptr;
  QLineEdit* DirBox = nullptr;
  QHBoxLayout* Buttons = nullptr;  // above the folder box
  TPaneViews* List = nullptr;
};

struct TPaneNames {
  const char* Panel;
  const char* DirBox;
  const char* List;
  const char* DirHint;
};

// A pane area whose list shows the Details view at first.
TPaneArea BuildPaneArea(QWidget* parent, const TPaneNames& names);

}  // namespace varnel::ui
