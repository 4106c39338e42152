#include "ui/main/status_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>
#include <limits>

namespace varnel::ui {
namespace {

// The gauge, in average characters of the window's font.
constexpr int kGaugeChars = 20;
// The label is as wide as a long progress text, so that it never clips
// (digits are wider than the average character).
constexpr const char* kWidestProgressLabel = "00000.00Mb of 00000.00Mb (100%)";
// The gauge's range while no transfer runs.
constexpr int kIdleMaximum = 100;

// Halvings that bring `total` into the gauge's int range.
int GaugeShift(qint64 total) {
  int shift = 0;
  while ((total >> shift) > std::numeric_limits<int>::max()) ++shift;
  return shift;
}

}  // namespace

TStatusPanel BuildStatusPanel(QStatusBar* bar) {
  TStatusPanel panel;
  bar->setObjectName("pnlStatus");
  bar->setSizeGripEnabled(true);
  panel.pnlConnection = new QLabel(bar);
  panel.pnlConnection->setObjectName("pnlConnection");
  panel.pnlProgress = new QWidget(bar);
  panel.pnlProgress->setObjectName("pnlProgress");
  panel.lblProgress = new QLabel(panel.pnlProgress);
  panel.lblProgress->setObjectName("lblProgress");
  const int char_width = panel.lblProgress->fontMetrics().averageCharWidth();
  panel.lblProgress->setMinimumWidth(
      panel.lblProgress->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestProgressLabel)));
  panel.lblProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  panel.Gauge1 = new QProgressBar(panel.pnlProgress);
  panel.Gauge1->setObjectName("Gauge1");
  panel.Gauge1->setTextVisible(false);
  panel.Gauge1->setFixedWidth(char_width * kGaugeChars);
  panel.Gauge1->setMaximumHeight(panel.lblProgress->sizeHint().height());

  auto* row = new QHBoxLayout(panel.pnlProgress);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(panel.lblProgress);
  row->addWidget(panel.Gauge1);
  bar->addWidget(panel.pnlConnection, 1);
  bar->addPermanentWidget(panel.pnlProgress);
  ResetProgress(panel);
  return panel;
}

void ShowConnectionText(const TStatusPanel& panel, const QString& text, const QString& hint) {
  panel.pnlConnection->setText(text);
  panel.pnlConnection->setToolTip(hint);
}

void ResetProgress(const TStatusPanel& panel) {
  panel.Gauge1->setRange(0, kIdleMaximum);
  panel.Gauge1->setValue(0);
  panel.lblProgress->clear();
  panel.pnlProgress->setToolTip({});
}

void ShowProgress(const TStatusPanel& panel, qint64 count, qint64 total, const QString& label,
                  const QString& hint) {
  const int shift = GaugeShift(total);
  panel.Gauge1->setRange(0, static_cast<int>(total >> shift));
  panel.Gauge1->setValue(static_cast<int>(std::clamp<qint64>(count, 0, total) >> shift));
  panel.lblProgress->setText(label);
  panel.pnlProgress->setToolTip(hint);
}

}  // namespace varnel::ui
