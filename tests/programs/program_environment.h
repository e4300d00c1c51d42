// The installed programs run with every folder of theirs inside the test's own, never the
// tester's runtime, state, settings or recordings, and in an offscreen window.
#pragma once

#include <QProcessEnvironment>
#include <QString>

inline QProcessEnvironment ProgramEnvironment(const QString& folder) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", folder);
  // The client keeps its game record in the state folder and its session recordings in the
  // data folder.
  env.insert("XDG_STATE_HOME", folder + "/state");
  env.insert("XDG_CONFIG_HOME", folder + "/config");
  env.insert("XDG_DATA_HOME", folder + "/data");
  env.remove("KORVEL_SESSION_DIR");
  env.insert("KORVEL_DIALOGS", "print");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.remove("KORVEL_LOG");
  return env;
}
