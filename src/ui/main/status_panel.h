// The status bar pnlStatus: the connection text pnlConnection on the left,
// and pnlProgress with the progress label lblProgress and the gauge Gauge1.
#pragma once

#include <QString>

class QLabel;
class QProgressBar;
class QStatusBar;
class QWidget;

namespace varnel::ui {

struct TStatusPanel {
  QLabel* pnlConnection = nullptr;
  QWidget* pnlProgress = nullptr;
  QLabel* lblProgress = nullptr;
  QProgressBar* Gauge1 = nullptr;
};

TStatusPanel BuildStatusPanel(QStatusBar* bar);

// The connection text; its hint repeats it without the surrounding blanks.
void ShowConnectionText(const TStatusPanel& panel, const QString& text, const QString& hint);

// Gauge at 0, label empty, no rate in the hint.
void ResetProgress(const TStatusPanel& panel);

// A transfer at `count` bytes of `total`: the gauge runs to the total (a
// total of 0, unknown, shows it busy), the label and the hint read as
// given.
void ShowProgress(const TStatusPanel& panel, qint64 count, qint64 total, const QString& label,
                  const QString& hint);

}  // namespace varnel::ui
