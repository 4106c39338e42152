// One executable for several Qt Test classes: each test file registers its
// class, and the shared main runs them all in one QApplication whose event
// loop also runs the engine's (through the loop bridge).
#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace varnel::testing {

using QtTestFactory = std::function<std::unique_ptr<QObject>()>;

bool RegisterQtTest(const char* name, QtTestFactory factory);

}  // namespace varnel::testing

// Registers `Class` (a QObject with Qt Test slots) with the shared main.
#define VARNEL_QT_TEST(Class)                                              \
  static const bool Class##Registered = ::varnel::testing::RegisterQtTest( \
      #Class, [] { return std::unique_ptr<QObject>(new Class); })
