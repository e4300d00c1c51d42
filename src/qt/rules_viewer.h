// The rules page that ships with Korvel, in a window of the client's own: a machine without a
// web browser still shows it, and links out of it go to the desktop's browser when there is one.
#pragma once

#include <QPointer>
#include <QString>
#include <QTextBrowser>

namespace korvel {

class RulesViewer {
 public:
  RulesViewer();
  ~RulesViewer();

  // The table window: the page window then belongs to it and opens above it.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  // Shows the HTML file `path`, reusing the window when it is open already; false when the
  // file cannot be read (the window then stays as it was).
  bool Show(const QString& path);
  // The window, once a page has been shown.
  QTextBrowser* window() const { return browser_; }

 private:
  QPointer<QWidget> owner_;
  // Deleted with its owner, or here when it has none left.
  QPointer<QTextBrowser> browser_;
};

// Whether `address` names a page on this machine that the client shows itself.
bool IsLocalPage(const QString& address);

}  // namespace korvel
