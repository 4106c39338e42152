#include <QApplication>
#include <QTest>

#include <cstring>
#include <vector>

#include "ui/support/qt_test_registry.h"

namespace varnel::testing {

std::vector<std::pair<const char*, QtTestFactory>>& QtTestClasses() {
  static std::vector<std::pair<const char*, QtTestFactory>> classes;
  return classes;
}

}  // namespace varnel::testing

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* only = argc > 1 ? argv[1] : nullptr;
  int failed = 0;
  bool found = false;
  for (const auto& [name, factory] : varnel::testing::QtTestClasses()) {
    if (only && std::strcmp(only, name) != 0) continue;
    found = true;
    std::unique_ptr<QObject> test = factory();
    std::vector<char*> args{argv[0]};
    for (int i = only ? 2 : 1; i < argc; ++i) args.push_back(argv[i]);
    failed += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
  }
  if (only && !found) {
    qWarning("no test class %s", only);
    return 2;
  }
  return failed == 0 ? 0 : 1;
}
