#include "ui/assoc/drive_scan_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/assoc/assoc_dialog_text.h"
#include "ui/assoc/viewer_scan.h"
#include "ui/assoc/viewer_scan_worker.h"
#include "ui/dialogs/designed_size.h"

namespace varnel::ui {
namespace {

namespace text = drive_scan_text;

constexpr int kTimerInterval = 10;  // milliseconds
const QSize kDesignedSize{360, 210};

QLabel* Note(QWidget* parent, const char* name, const char* caption) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  return label;
}

}  // namespace

TScanDrive::TScanDrive(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      roots_(DefaultScanRoots()),
      worker_(new TViewerScanWorker(this)),
      Label1(Note(this, "Label1", text::kScanningNote)),
      Label2(Note(this, "Label2", text::kCompleteNote)),
      GroupBox1(new QGroupBox(this)),
      lblScanning(new QLabel(GroupBox1)),
      btnEverything(new QPushButton(text::kCancelButton, this)),
      Timer1(new QTimer(this)) {
  setObjectName("TScanDrive");
  setWindowTitle(text::kCaption);

  GroupBox1->setObjectName("GroupBox1");
  lblScanning->setObjectName("lblScanning");
  // Long folder paths are elided to the label's width instead of widening
  // the window; the whole path is in the tool tip.
  lblScanning->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  lblScanning->setMinimumHeight(lblScanning->fontMetrics().height());
  (new QVBoxLayout(GroupBox1))->addWidget(lblScanning);

  btnEverything->setObjectName("btnEverything");
  btnEverything->setDefault(true);
  connect(btnEverything, &QPushButton::clicked, this, &TScanDrive::btnEverythingClick);

  Timer1->setObjectName("Timer1");
  Timer1->setInterval(kTimerInterval);
  connect(Timer1, &QTimer::timeout, this, &TScanDrive::Timer1Timer);
  connect(worker_, &TViewerScanWorker::FolderEntered, this, &TScanDrive::ShowFolder);
  connect(worker_, &TViewerScanWorker::Finished, this, &TScanDrive::WalkFinished);

  // Label2 takes Label1's place when the walk is over.
  auto* notes = new QGridLayout;
  notes->addWidget(Label1, 0, 0);
  notes->addWidget(Label2, 0, 0);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(notes, 1);
  layout->addWidget(GroupBox1);
  layout->addWidget(btnEverything, 0, Qt::AlignHCenter);
  setFixedSize(ScaledToFont(*this, kDesignedSize));
}

TScanDrive::~TScanDrive() = default;

// Each opening, not a restore from minimized.
void TScanDrive::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  Accepted_ = false;
  CancelRequested_ = false;
  btnEverything->setText(text::kCancelButton);
  results_.clear();
  GroupBox1->setTitle(QString());
  ShowFolder(QString());
  Label1->show();
  Label2->hide();
  Timer1->start();
}

void TScanDrive::Timer1Timer() {
  GroupBox1->setTitle(text::kScanningPhase);
  Timer1->stop();
  if (CancelRequested_) {
    reject();
    return;
  }
  worker_->Start(roots_);
}

void TScanDrive::ShowFolder(const QString& folder) {
  lblScanning->setToolTip(folder);
  lblScanning->setText(
      lblScanning->fontMetrics().elidedText(folder, Qt::ElideMiddle, lblScanning->width()));
}

void TScanDrive::WalkFinished(bool completed, const std::vector<Association>& results) {
  if (CancelRequested_ || !completed) {
    reject();
    return;
  }
  results_ = results;
  btnEverything->setText(text::kOkButton);
  ShowFolder(QString());
  Label1->hide();
  Label2->show();
  GroupBox1->setTitle(text::kCompletePhase);
}

void TScanDrive::btnEverythingClick() {
  if (btnEverything->text() != text::kOkButton) {
    CancelRequested_ = true;
    worker_->Cancel();
    return;
  }
  Accepted_ = true;
  accept();
}

void TScanDrive::Dismiss() {
  if (btnEverything->text() != text::kOkButton) {
    btnEverythingClick();
  } else {
    reject();
  }
}

void TScanDrive::closeEvent(QCloseEvent* event) {
  event->ignore();
  Dismiss();
}

void TScanDrive::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Dismiss();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace varnel::ui
