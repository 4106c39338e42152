// Saving a log: the file name the save dialog's choice becomes, and the
// bytes written (each line ended by CR LF).
#pragma once

#include <string>
#include <vector>

namespace varnel::ui {

// A name whose extension is more than a lone "." is kept; a name without
// an extension gains ".log", and a trailing lone "." becomes ".log".
std::string LogFileName(const std::string& chosen);

std::string LogFileBytes(const std::vector<std::string>& lines);

// Writes the lines, replacing the file. False with the reason in `error`;
// the file is left as it was then.
bool WriteLogFile(const std::string& path, const std::vector<std::string>& lines,
                  std::string& error);

// "[" + date and time + "] - " + text: a line of the message log.
std::string MessageLogLine(const std::string& date_time, const std::string& text);

}  // namespace varnel::ui
