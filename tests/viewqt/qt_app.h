// One offscreen QApplication for the whole test program.
#pragma once

#include <QApplication>
#include <cstdlib>

namespace korvel {

inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "test_viewqt";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Never destroyed: Qt's own globals are gone by the time statics are torn down.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace korvel
