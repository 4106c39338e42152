// varnel-client: the Varnel Client window.
#include <QApplication>

#include "runtime/program_files.h"
#include "ui/main/program_windows.h"
#include "ui/main/qt_loop_bridge.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("varnel-client");
  varnel::ui::QtLoopBridge bridge;
  varnel::ui::TProgramWindows windows(varnel::runtime::ExecutablePath());
  windows.Show();
  windows.EndOnTerminationSignals();
  return QApplication::exec();
}
