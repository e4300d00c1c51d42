#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace korvel {
namespace {

// O_NONBLOCK keeps open() from waiting for a FIFO's writer; reads of a regular file ignore it.
int OpenWithoutBlocking(const std::string& path, int flags, int mode) {
  return ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
}

}  // namespace

FileRead ReadRegularFile(const std::string& path, size_t maxBytes) {
  FileRead result;
  const int fd = OpenWithoutBlocking(path, O_RDONLY, 0);
  if (fd < 0) {
    result.status = errno == ENOENT ? FileReadStatus::kMissing : FileReadStatus::kReadError;
    result.problem = "cannot open " + path + ": " + std::strerror(errno);
    return result;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    result.status = FileReadStatus::kNotRegular;
    result.problem = path + " is not a regular file";
    return result;
  }
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    ::close(fd);
    result.status = FileReadStatus::kTooLarge;
    result.problem = path + " is larger than " + std::to_string(maxBytes) + " bytes";
    return result;
  }
  result.bytes.resize(static_cast<size_t>(st.st_size));
  size_t have = 0;
  // The file may grow or shrink while it is read: read to its end, never past the limit.
  for (;;) {
    if (have == result.bytes.size()) {
      if (have >= maxBytes + 1) break;
      result.bytes.resize(std::min(maxBytes + 1, have + 65536));
    }
    const ssize_t n = ::read(fd, result.bytes.data() + have, result.bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int why = errno;
      ::close(fd);
      result.bytes.clear();
      result.status = FileReadStatus::kReadError;
      result.problem = "cannot read " + path + ": " + std::strerror(why);
      return result;
    }
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  ::close(fd);
  result.bytes.resize(have);
  if (have > maxBytes) {
    result.bytes.clear();
    result.status = FileReadStatus::kTooLarge;
    result.problem = path + " is larger than " + std::to_string(maxBytes) + " bytes";
    return result;
  }
  result.status = FileReadStatus::kOk;
  return result;
}

int OpenRegularForWriting(const std::string& path, int extraFlags, int mode) {
  const int fd = OpenWithoutBlocking(path, O_WRONLY | extraFlags, mode);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  // Writes then block as they should: a full disk is an error, not a retry.
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

}  // namespace korvel
