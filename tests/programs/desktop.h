// A private X desktop for the real client: Xvfb with the openbox window manager on a display of
// its own, and the X tools that read back what the window manager did (stacking, owners, frames,
// focus) and move the real pointer and keyboard.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>
#include <optional>

class Desktop {
 public:
  // The programs a desktop needs; empty when all are installed.
  static QString Missing() {
    QStringList missing;
    for (const char* tool : {"Xvfb", "openbox", "xprop", "xdotool"}) {
      if (QStandardPaths::findExecutable(tool).isEmpty()) missing << tool;
    }
    return missing.join(", ");
  }

  explicit Desktop(const QString& size) {
    // Xvfb picks a free display itself and names it on its standard output: tests running side
    // by side never start two servers on one display.
    x_.start("Xvfb", {"-displayfd", "1", "-screen", "0", size + "x24", "-nolisten", "tcp"});
    if (!x_.waitForStarted()) return;
    QByteArray number;
    WaitUntil(
        [&] {
          x_.waitForReadyRead(100);
          number += x_.readAllStandardOutput();
          return number.contains('\n') || x_.state() != QProcess::Running;
        },
        5000);
    bool ok = false;
    const int n = number.trimmed().toInt(&ok);
    if (!ok || x_.state() != QProcess::Running) return;
    display_ = QString(":%1").arg(n);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    wm_.setProcessEnvironment(env);
    wm_.start("openbox", {"--sm-disable"});
    if (!wm_.waitForStarted()) return;
    // The window manager is up once it has claimed the screen.
    ready_ =
        WaitUntil([&] { return !Root("_NET_SUPPORTING_WM_CHECK").contains("not found"); }, 5000);
    // It names itself before it has taken over the screen's windows.
    QThread::msleep(1000);
  }
  ~Desktop() {
    for (QProcess* p : {&wm_, &x_}) {
      if (p->state() == QProcess::NotRunning) continue;
      p->terminate();
      if (!p->waitForFinished(3000)) p->kill();
      p->waitForFinished();
    }
  }
  bool ready() const { return ready_; }
  // Whether the X server and the window manager still run, for failure messages.
  QString State() const {
    return QString("X %1, window manager %2")
        .arg(x_.state() == QProcess::Running ? "running" : "gone")
        .arg(wm_.state() == QProcess::Running ? "running" : "gone");
  }
  const QString& display() const { return display_; }

  // ---- reading the X server ---------------------------------------------------------------
  QString Run(const QString& tool, const QStringList& args) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    p.setProcessEnvironment(env);
    p.start(tool, args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
  }
  QString Root(const QString& property) const { return Run("xprop", {"-root", property}); }
  QString Property(qulonglong window, const QString& property) const {
    return Run("xprop", {"-id", QString::number(window), property});
  }
  // A property's values after "=" or "#", as numbers; empty when the window has none.
  QList<qulonglong> Numbers(const QString& line) const {
    QList<qulonglong> out;
    const int at = std::max(line.indexOf('#'), line.indexOf('='));
    if (at < 0 || line.contains("not found")) return out;
    for (QString part : line.mid(at + 1).split(',')) {
      bool ok = false;
      const qulonglong v = part.trimmed().toULongLong(&ok, 0);
      if (ok) out << v;
    }
    return out;
  }
  // The managed windows, bottom to top.
  QList<qulonglong> Stacking() const { return Numbers(Root("_NET_CLIENT_LIST_STACKING")); }
  QString Title(qulonglong window) const {
    const QString line = Property(window, "_NET_WM_NAME");
    const int quote = line.indexOf('"');
    return quote < 0 ? QString() : line.mid(quote + 1, line.lastIndexOf('"') - quote - 1);
  }
  // The managed, mapped window with this title, if there is one.
  std::optional<qulonglong> Find(const QString& title) const {
    for (qulonglong w : Stacking()) {
      if (Title(w) == title && Property(w, "WM_STATE").contains("Normal")) return w;
    }
    return std::nullopt;
  }
  std::optional<qulonglong> WaitFor(const QString& title, int ms = 10000) const {
    std::optional<qulonglong> found;
    WaitUntil([&] { return (found = Find(title)).has_value(); }, ms);
    return found;
  }
  qulonglong Owner(qulonglong window) const {
    const QList<qulonglong> v = Numbers(Property(window, "WM_TRANSIENT_FOR"));
    return v.isEmpty() ? 0 : v.first();
  }
  // The window manager's frame around the window: left, right, top, bottom.
  QList<qulonglong> Frame(qulonglong window) const {
    return Numbers(Property(window, "_NET_FRAME_EXTENTS"));
  }
  bool Above(qulonglong upper, qulonglong lower) const {
    const QList<qulonglong> order = Stacking();
    return order.indexOf(upper) > order.indexOf(lower) && order.indexOf(lower) >= 0;
  }
  // Where the window is on the screen, inside the window manager's frame.
  QRect Geometry(qulonglong window) const {
    int x = 0, y = 0, w = 0, h = 0;
    for (const QString& line :
         Run("xdotool", {"getwindowgeometry", "--shell", QString::number(window)}).split('\n')) {
      const QString value = line.section('=', 1);
      if (line.startsWith("X=")) x = value.toInt();
      if (line.startsWith("Y=")) y = value.toInt();
      if (line.startsWith("WIDTH=")) w = value.toInt();
      if (line.startsWith("HEIGHT=")) h = value.toInt();
    }
    return QRect(x, y, w, h);
  }
  qulonglong Focused() const { return Run("xdotool", {"getwindowfocus"}).toULongLong(); }

  // ---- the real pointer and keyboard --------------------------------------------------------
  void Click(qulonglong window, int x, int y) const {
    Run("xdotool", {"mousemove", "--window", QString::number(window), QString::number(x),
                    QString::number(y), "click", "1"});
  }
  void Hover(qulonglong window, int x, int y) const {
    Run("xdotool",
        {"mousemove", "--window", QString::number(window), QString::number(x), QString::number(y)});
  }
  void Type(const QString& text) const { Run("xdotool", {"type", "--delay", "40", text}); }
  void Key(const QString& key) const { Run("xdotool", {"key", key}); }

  static bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
      if (t.elapsed() > ms) return false;
      QThread::msleep(100);
    }
    return true;
  }

 private:
  QString display_;
  QProcess x_;
  QProcess wm_;
  bool ready_ = false;
};
