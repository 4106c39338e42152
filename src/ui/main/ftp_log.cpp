#include "ui/main/ftp_log.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace varnel::ui {
namespace {

// The pane shows this many lines of its font when the window opens.
constexpr int kVisibleLines = 8;

int LineCount(const QPlainTextEdit& memo) {
  const QTextDocument* document = memo.document();
  return document->isEmpty() ? 0 : document->blockCount();
}

}  // namespace

QPlainTextEdit* BuildDisplayMemo(QWidget* parent) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName("DisplayMemo");
  memo->setReadOnly(true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setMinimumHeight(memo->fontMetrics().lineSpacing() * 2);
  memo->resize(memo->width(), memo->fontMetrics().lineSpacing() * kVisibleLines);
  return memo;
}

void AddFtpLogLine(QPlainTextEdit& memo, const QString& line) {
  if (LineCount(memo) > kFtpLogMaxLines) {
    QTextCursor oldest(memo.document());
    oldest.movePosition(QTextCursor::Start);
    oldest.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, kFtpLogDroppedLines);
    oldest.removeSelectedText();
  }
  memo.appendPlainText(line);
  memo.moveCursor(QTextCursor::End);
  memo.verticalScrollBar()->setValue(memo.verticalScrollBar()->maximum());
}

QStringList LogLines(const QPlainTextEdit& memo) {
  QStringList lines;
  for (QTextBlock block = memo.document()->begin(); LineCount(memo) > 0 && block.isValid();
       block = block.next()) {
    lines << block.text();
  }
  return lines;
}

}  // namespace varnel::ui
