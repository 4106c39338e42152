// Runs every registered test class, or with a first argument naming a
// class only that one (the other arguments go to Qt Test: a test function,
// -v2 and so on).
#include "qt_test_main.h"

#include <QApplication>
#include <QTest>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "ui/main/qt_loop_bridge.h"

namespace varnel::testing {
namespace {

std::vector<std::pair<std::string, QtTestFactory>>& Registry() {
  static std::vector<std::pair<std::string, QtTestFactory>> tests;
  return tests;
}

}  // namespace

bool RegisterQtTest(const char* name, QtTestFactory factory) {
  Registry().emplace_back(name, std::move(factory));
  return true;
}

}  // namespace varnel::testing

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  varnel::ui::QtLoopBridge bridge;
  std::vector<char*> args(argv, argv + argc);
  std::string only;
  if (args.size() > 1 && args[1][0] != '-') {
    only = args[1];
    args.erase(args.begin() + 1);
  }
  int failures = 0;
  for (const auto& [name, factory] : varnel::testing::Registry()) {
    if (!only.empty() && name != only) continue;
    std::unique_ptr<QObject> test = factory();
    failures += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
  }
  return failures == 0 ? 0 : 1;
}
