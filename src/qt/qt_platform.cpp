#include "qt_platform.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHostInfo>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/install_paths.h"
#include "platform/log_text.h"

namespace korvel {

// ---- timers -------------------------------------------------------------------------------

void QtTimers::Start(std::string_view name, int intervalMs, std::function<void()> tick) {
  auto& timer = timers_[std::string(name)];
  if (!timer) timer = std::make_unique<QTimer>();
  timer->stop();
  timer->disconnect();
  timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer.get(), &QTimer::timeout, std::move(tick));
  timer->start(intervalMs);
}

void QtTimers::Stop(std::string_view name) {
  auto it = timers_.find(name);
  if (it != timers_.end()) it->second->stop();
}

bool QtTimers::Running(std::string_view name) const {
  auto it = timers_.find(name);
  return it != timers_.end() && it->second->isActive();
}

int64_t QtTimers::NowMs() const {
  static QElapsedTimer clock = [] {
    QElapsedTimer c;
    c.start();
    return c;
  }();
  return clock.elapsed();
}

void QtTimers::PumpWait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool QtTimers::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done()) {
    if (elapsed.elapsed() >= timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  }
  return true;
}

void QtTimers::BlockingWait(int ms) {
  QElapsedTimer elapsed;
  elapsed.start();
  const auto flags = QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers;
  while (elapsed.elapsed() < ms) {
    QCoreApplication::processEvents(flags, 10);
    const int64_t left = ms - elapsed.elapsed();
    if (left > 0) usleep(static_cast<useconds_t>(std::min<int64_t>(left, 5) * 1000));
  }
}

// ---- socket -------------------------------------------------------------------------------

int SocketErrorNumber(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
      return kErrRefused;
    case QAbstractSocket::RemoteHostClosedError:
      return kErrShutDown;
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::NetworkError:
      return kErrTimedOut;
    default:
      return kErrNotConnected;
  }
}

QtSocket::QtSocket() {
  connect(&socket_, &QTcpSocket::connected, this, [this] {
    wasConnected_ = true;
    if (events_) events_->OnConnected();
  });
  connect(&socket_, &QTcpSocket::readyRead, this, [this] {
    const QByteArray bytes = socket_.readAll();
    if (events_ && !bytes.isEmpty()) {
      events_->OnDataArrival(
          std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size()));
    }
  });
  connect(&socket_, &QTcpSocket::disconnected, this, [this] {
    if (events_) events_->OnSocketClose();
  });
  connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
    // An established connection that breaks is a close, which the connection watch turns into
    // a reconnection; only a connection that never came up is reported as an error.
    if (wasConnected_) return;
    if (events_) events_->OnSocketError(SocketErrorNumber(e));
  });
}

QtSocket::~QtSocket() { AbandonConnect(); }

void QtSocket::Connect(const std::string& host, uint16_t port) {
  AbandonConnect();
  socket_.abort();
  wasConnected_ = false;
  port_ = port;
  addresses_.clear();
  QHostAddress literal;
  if (literal.setAddress(QString::fromStdString(host))) {
    addresses_.append(literal);
    // Started from the event loop, so a failure is reported there as Qt would report it.
    const uint64_t attempt = attempt_;
    QTimer::singleShot(0, this, [this, attempt] {
      if (attempt == attempt_) ConnectToNext();
    });
    return;
  }
  lookupId_ =
      QHostInfo::lookupHost(QString::fromStdString(host), this, [this](const QHostInfo& info) {
        lookupId_ = -1;
        addresses_ = info.addresses();
        if (addresses_.isEmpty()) {
          Failed(QAbstractSocket::HostNotFoundError);
          return;
        }
        ConnectToNext();
      });
}

void QtSocket::ConnectToNext() {
  while (!addresses_.isEmpty()) {
    const QHostAddress address = addresses_.takeFirst();
    sockaddr_storage to{};
    socklen_t length = 0;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
      auto* in = reinterpret_cast<sockaddr_in*>(&to);
      in->sin_family = AF_INET;
      in->sin_port = htons(port_);
      in->sin_addr.s_addr = htonl(address.toIPv4Address());
      length = sizeof(sockaddr_in);
    } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
      auto* in6 = reinterpret_cast<sockaddr_in6*>(&to);
      in6->sin6_family = AF_INET6;
      in6->sin6_port = htons(port_);
      const Q_IPV6ADDR bytes = address.toIPv6Address();
      std::memcpy(&in6->sin6_addr, &bytes, sizeof bytes);
      length = sizeof(sockaddr_in6);
    } else {
      continue;
    }
    const int fd = ::socket(to.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), length) == 0 || errno == EINPROGRESS) {
      connectingFd_ = fd;
      notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
      connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ConnectFinished(); });
      return;
    }
    ::close(fd);
  }
  Failed(QAbstractSocket::ConnectionRefusedError);
}

void QtSocket::ConnectFinished() {
  const int fd = connectingFd_;
  notifier_.reset();
  connectingFd_ = -1;
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  if (error != 0) {
    ::close(fd);
    if (!addresses_.isEmpty()) {
      ConnectToNext();
      return;
    }
    Failed(error == ECONNREFUSED ? QAbstractSocket::ConnectionRefusedError
           : error == ETIMEDOUT  ? QAbstractSocket::SocketTimeoutError
                                 : QAbstractSocket::NetworkError);
    return;
  }
  if (!socket_.setSocketDescriptor(fd)) {
    ::close(fd);
    Failed(QAbstractSocket::NetworkError);
    return;
  }
  wasConnected_ = true;
  if (events_) events_->OnConnected();
}

void QtSocket::AbandonConnect() {
  ++attempt_;
  if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
  lookupId_ = -1;
  notifier_.reset();
  if (connectingFd_ >= 0) ::close(connectingFd_);
  connectingFd_ = -1;
  addresses_.clear();
}

void QtSocket::Failed(QAbstractSocket::SocketError error) {
  AbandonConnect();
  if (events_) events_->OnSocketError(SocketErrorNumber(error));
}

void QtSocket::Close() {
  AbandonConnect();
  socket_.abort();
}

bool QtSocket::IsConnected() const { return socket_.state() == QAbstractSocket::ConnectedState; }

bool QtSocket::Send(std::span<const uint8_t> bytes) {
  if (!IsConnected()) return false;
  return socket_.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

// ---- dialogs ------------------------------------------------------------------------------

bool DialogsPrintMode() {
  const char* mode = std::getenv("KORVEL_DIALOGS");
  return mode && std::string(mode) == "print";
}

DialogAnswer QtDialogs::MessageBox(const std::string& text, const std::string& title,
                                   DialogButtons buttons, DialogIcon icon) {
  if (print_) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
    return buttons == DialogButtons::YesNo ? DialogAnswer::Yes : DialogAnswer::Ok;
  }
  QMessageBox box(owner_);
  box.setWindowTitle(QString::fromStdString(title));
  box.setText(QString::fromStdString(text));
  box.setIcon(icon == DialogIcon::Information ? QMessageBox::Information
              : icon == DialogIcon::Warning   ? QMessageBox::Warning
                                              : QMessageBox::NoIcon);
  switch (buttons) {
    case DialogButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case DialogButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case DialogButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return DialogAnswer::Cancel;
    case QMessageBox::Yes:
      return DialogAnswer::Yes;
    case QMessageBox::No:
      return DialogAnswer::No;
    default:
      return DialogAnswer::Ok;
  }
}

void QtDialogs::SetOwner(QWidget* owner) {
  owner_ = owner;
  pages_.SetOwner(owner);
}

void QtDialogs::OpenPage(const std::string& address) {
  const QString a = QString::fromStdString(address);
  // Pages that ship with Korvel open in its own window; only other addresses need a browser.
  if (IsLocalPage(a) && pages_.Show(QFileInfo(a).absoluteFilePath())) return;
  if (!QDesktopServices::openUrl(QFileInfo::exists(a) ? QUrl::fromLocalFile(a) : QUrl(a))) {
    std::fprintf(stderr, "korvel: cannot open %s\n", address.c_str());
  }
}

// ---- sound --------------------------------------------------------------------------------

QtSound::QtSound() = default;
QtSound::~QtSound() = default;

bool QtSound::Init() {
  if (voice_) return true;
  if (!SoundServerMayListen(std::getenv, PathIsSocket)) return false;
  const std::string app = QCoreApplication::applicationDirPath().toStdString();
  const std::string module = FirstFound(
      {app + "/" + ThisInstallLayout().binToLib + "/korvel_sound.so", app + kSoundModuleFromApp},
      IsFile);
  // Kept loaded for the life of the process: the voice's code lives there.
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "korvel: no sound: %s\n", dlerror());
    return false;
  }
  const auto open = reinterpret_cast<OpenSoundVoiceFunction>(dlsym(handle, kOpenSoundVoiceSymbol));
  if (open) voice_.reset(open());
  if (voice_) voice_->SetVolume(volume_);
  return voice_ != nullptr;
}

bool QtSound::Play(const std::string& path, bool loop) {
  if (!voice_ || !QFileInfo::exists(QString::fromStdString(path))) return false;
  return voice_->Play(path, loop);
}

void QtSound::Stop() {
  if (voice_) voice_->Stop();
}

void QtSound::SetVolume(int percent) {
  volume_ = std::clamp(percent, 0, 100);
  if (voice_) voice_->SetVolume(volume_);
}

// ---- screen, files, log, process ---------------------------------------------------------

int QtScreen::Width() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->size().width() : 1024;
}

int QtScreen::Height() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->size().height() : 768;
}

std::string PosixFiles::AppDir() const {
  return QCoreApplication::applicationDirPath().toStdString();
}

std::string PosixFiles::DataDir() const { return FindDataDir(AppDir()); }

std::string PosixFiles::ComponentDir() const { return FindComponentDir(AppDir()); }

std::string PosixFiles::UserDir(UserFolder kind) const {
  // Without a home folder the player's files last as long as the session.
  std::string dir = EnsureUserFolder(kind);
  return dir.empty() ? RuntimeDir() : dir;
}

std::string PosixFiles::RuntimeDir() const { return KorvelRuntimeDir(); }

bool PosixFiles::TakeSingleCopyLock(const std::string& name) {
  if (lockFd_ >= 0) return true;
  const std::string path = RuntimeDir() + "/" + name;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // without a runtime folder there is nothing to compare against
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  lockFd_ = fd;  // held until the process ends
  return true;
}

StderrLog::StderrLog(std::string program) : program_(std::move(program)) {
  if (const char* path = std::getenv("KORVEL_LOG"); path && *path) file_ = std::fopen(path, "a");
}

StderrLog::~StderrLog() {
  if (file_) std::fclose(file_);
}

void StderrLog::Write(std::string_view line) {
  FILE* out = file_ ? file_ : stderr;
  const std::string safe = EscapeForLog(line);
  std::fprintf(out, "[%s] %s\n", program_.c_str(), safe.c_str());
  std::fflush(out);
}

void QtProcess::EndClient(int code) {
  link_.StopListening();
  std::fflush(nullptr);
  _exit(code);
}

QtPlatform::QtPlatform(const std::string& program)
    : lobby_(KorvelRuntimeDir()),
      dialogs_(DialogsPrintMode()),
      log_(program),
      process_(lobby_),
      platform_{timers_, socket_, lobby_, dialogs_, sound_, screen_, files_, log_, process_} {}

}  // namespace korvel
