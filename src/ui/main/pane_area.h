// One of the two pane areas of the main window: the folder box, a row for
// the pane's buttons and the file list. The remote area is Panel1 with
// edtCurDir and lvwFileList, the local one Panel4 with edtLocalDir and
// lvwLocal; the panes' models and buttons come with the panes.
#pragma once

class QHBoxLayout;
class QLineEdit;
class QTreeView;
class QWidget;

namespace varnel::ui {

struct TPaneArea {
  QWidget* Panel = nullptr;
  QLineEdit* DirBox = nullptr;
  QHBoxLayout* Buttons = nullptr;  // beside the folder box
  QTreeView* List = nullptr;
};

struct TPaneNames {
  const char* Panel;
  const char* DirBox;
  const char* List;
  const char* DirHint;
};

// A pane area in the Details view, with the columns Name, Size, Type and
// Date at the designed widths, scaled to the window's font.
TPaneArea BuildPaneArea(QWidget* parent, const TPaneNames& names);

}  // namespace varnel::ui
