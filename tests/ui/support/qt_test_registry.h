// Several Qt Test classes in one executable: each test file registers its
// class with VARNEL_QTEST, and the shared main (qt_test_main.cpp) runs them
// all, or only the class named by the first argument:
//   ui_dialogs_qtests [TestClass [Qt Test options and functions...]]
#pragma once

#include <QObject>

#include <memory>
#include <utility>
#include <vector>

namespace varnel::testing {

using QtTestFactory = std::unique_ptr<QObject> (*)();

std::vector<std::pair<const char*, QtTestFactory>>& QtTestClasses();

struct QtTestRegistration {
  QtTestRegistration(const char* name, QtTestFactory factory) {
    QtTestClasses().emplace_back(name, factory);
  }
};

}  // namespace varnel::testing

#define VARNEL_QTEST(Class)                                                          \
  static const ::varnel::testing::QtTestRegistration varnel_qtest_registration_##Class{ \
      #Class, []() -> std::unique_ptr<QObject> { return std::make_unique<Class>(); }}
