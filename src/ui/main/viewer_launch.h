// The viewer program that opens a file, as the association table names it:
// the words to start it with (never through a shell, the file as the last
// word), or why it cannot start.
#pragma once

#include <string>
#include <vector>

namespace varnel::ui {

class FileAssociations;

struct TViewerLaunch {
  bool Found = false;              // the table names a viewer for the file
  std::string Program;             // the entry's program word, as messages name it
  std::vector<std::string> Words;  // program first, the file last; empty when it cannot start
  int Error = 0;                   // errno of why it cannot start; 0 when it can
};

TViewerLaunch LookUpViewer(const FileAssociations& associations, const std::string& file);

// "Unable to find the viewer "<program>". Please check that the path and
// filename are correct in the File Associations Manager".
std::string MissingProgramMessage(const std::string& program);

// CheckViewer: the message that stops the opening of `path`, or empty.
std::string CheckViewerMessage(const TViewerLaunch& launch, const std::string& path);

}  // namespace varnel::ui
