#include "ui/main/viewer_launch.h"

#include <unistd.h>

#include <cerrno>
#include <optional>

#include "ui/assoc/file_associations.h"
#include "ui/assoc/viewer_command.h"

namespace varnel::ui {

TViewerLaunch LookUpViewer(const FileAssociations& associations, const std::string& file) {
  TViewerLaunch launch;
  const ViewerLookup viewer = associations.GetViewer(file, false);
  if (!viewer.found) return launch;
  launch.Found = true;
  const std::optional<ViewerCommand> command = ParseViewerCommand(viewer.viewer);
  if (!command) {
    launch.Program = viewer.viewer;
    launch.Error = ENOENT;
    return launch;
  }
  launch.Program = command->words.front();
  const std::optional<std::string> program = ResolveViewerProgram(*command);
  if (!program) {
    launch.Error = ENOENT;
  } else if (!command->skip_check && ::access(program->c_str(), X_OK) != 0) {
    launch.Error = errno;
  } else {
    launch.Words = ViewerArguments(*command, *program, file);
  }
  return launch;
}

std::string MissingProgramMessage(const std::string& program) {
  return "Unable to find the viewer \"" + program +
         "\". Please check that the path and filename are correct in the File Associations "
         "Manager";
}

std::string CheckViewerMessage(const TViewerLaunch& launch, const std::string& path) {
  if (!launch.Found) return MissingViewerMessage(path);
  if (launch.Error != 0) return MissingProgramMessage(launch.Program);
  return {};
}

}  // namespace varnel::ui
