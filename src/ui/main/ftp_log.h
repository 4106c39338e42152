// The FTP log DisplayMemo: a read-only text pane in the system's fixed-width
// font that shows every command, reply and note of the session. It keeps
// its size bounded: once it holds more than 200 lines, the 50 oldest go
// before the next line is added.
#pragma once

#include <QString>
#include <QStringList>

class QPlainTextEdit;
class QWidget;

namespace varnel::ui {

inline constexpr int kFtpLogMaxLines = 200;
inline constexpr int kFtpLogDroppedLines = 50;

QPlainTextEdit* BuildDisplayMemo(QWidget* parent);

// Appends one line and scrolls to it.
void AddFtpLogLine(QPlainTextEdit& memo, const QString& line);

// The lines as they stand (none for an empty pane).
QStringList LogLines(const QPlainTextEdit& memo);

}  // namespace varnel::ui
