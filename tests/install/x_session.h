// A real X display with a window manager for the tests that click the real window: Xvfb with
// openbox, driven with xdotool. Missing tools make `Available()` false, so a test can skip.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

namespace korvel {

class XSession {
 public:
  XSession() {
    for (const char* tool : {"Xvfb", "openbox", "xdotool"}) {
      if (QStandardPaths::findExecutable(tool).isEmpty()) {
        missing_ = QString("%1 is not installed (scripts/setup --test installs it)").arg(tool);
        return;
      }
    }
    // Xvfb picks a free display itself and names it on its standard output: tests running side
    // by side never start two servers on one display.
    xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    if (xvfb_.waitForStarted(5000)) {
      QByteArray number;
      QElapsedTimer t;
      t.start();
      while (t.elapsed() < 5000 && xvfb_.state() == QProcess::Running && !number.contains('\n')) {
        xvfb_.waitForReadyRead(100);
        number += xvfb_.readAllStandardOutput();
      }
      bool ok = false;
      const int n = number.trimmed().toInt(&ok);
      if (ok && xvfb_.state() == QProcess::Running) display_ = QString(":%1").arg(n);
    }
    if (display_.isEmpty()) {
      missing_ = "no display could be started";
      return;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    wm_.setProcessEnvironment(env);
    wm_.start("openbox", {"--sm-disable"});
    wm_.waitForStarted(5000);
    // The manager is up once it has claimed the screen.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000 && !Run({"xdotool", "getactivewindow"}).ok) QThread::msleep(100);
    // It answers before it has taken over the screen's windows.
    QThread::msleep(1000);
  }
  ~XSession() {
    for (QProcess* p : {&wm_, &xvfb_}) {
      if (p->state() == QProcess::NotRunning) continue;
      p->terminate();
      if (!p->waitForFinished(3000)) p->kill();
      p->waitForFinished(1000);
    }
  }

  bool Available() const { return missing_.isEmpty(); }
  const QString& Missing() const { return missing_; }
  const QString& Display() const { return display_; }

  struct Result {
    bool ok = false;
    QString out;
  };
  Result Run(const QStringList& command, int ms = 10000) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    p.setProcessEnvironment(env);
    p.start(command.front(), command.mid(1));
    if (!p.waitForStarted(5000)) return {};
    if (!p.waitForFinished(ms)) p.kill();
    return {p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
            QString::fromUtf8(p.readAllStandardOutput()).trimmed()};
  }

  // The first mapped window whose title is exactly `title`, waiting up to `ms`; empty if none.
  QString FindVisible(const QString& title, int ms) const {
    QElapsedTimer t;
    t.start();
    do {
      const Result r = Run({"xdotool", "search", "--onlyvisible", "--name",
                            "^" + QRegularExpression::escape(title) + "$"});
      if (r.ok && !r.out.isEmpty()) return r.out.split('\n').front();
      QThread::msleep(100);
    } while (t.elapsed() < ms);
    return {};
  }

  // A left click at `at` inside `window`'s own area (a frame the manager adds is not counted).
  bool Click(const QString& window, QPoint at) const {
    return Run({"xdotool", "mousemove", "--sync", "--window", window, QString::number(at.x()),
                QString::number(at.y()), "click", "1"})
        .ok;
  }

 private:
  QString missing_;
  QString display_;
  QProcess xvfb_;
  QProcess wm_;
};

}  // namespace korvel
