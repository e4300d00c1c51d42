#include "rules_viewer.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace korvel {
namespace {

constexpr int kViewerWidth = 640;
constexpr int kViewerHeight = 560;

}  // namespace

RulesViewer::RulesViewer() = default;
RulesViewer::~RulesViewer() { delete browser_.data(); }

bool IsLocalPage(const QString& address) {
  const QFileInfo file(address);
  const QString suffix = file.suffix().toLower();
  return file.isFile() && (suffix == "html" || suffix == "htm");
}

bool RulesViewer::Show(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QString html = QString::fromUtf8(file.readAll());
  if (!browser_) {
    browser_ = new QTextBrowser(owner_);
    // A dialog names its owner to the window manager, which keeps it above the table.
    if (owner_) browser_->setWindowFlags(Qt::Dialog);
    browser_->setWindowTitle(QStringLiteral("游戏规则"));
    browser_->resize(kViewerWidth, kViewerHeight);
    // Anchors inside the page scroll it; addresses outside it go to the desktop's browser.
    browser_->setOpenExternalLinks(true);
  }
  browser_->setSearchPaths({QFileInfo(path).absolutePath()});
  browser_->setHtml(html);
  browser_->show();
  browser_->raise();
  browser_->activateWindow();
  return true;
}

}  // namespace korvel
