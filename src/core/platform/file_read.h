// Reading a whole file that comes from outside (the player's settings and phrases, the game
// record, a session recording): regular files only, opened without blocking and read up to a
// limit, so a FIFO, a device or a runaway file can never hold the program up or fill memory.
#pragma once

#include <cstddef>
#include <string>

namespace korvel {

enum class FileReadStatus { kOk, kMissing, kNotRegular, kTooLarge, kReadError };

struct FileRead {
  FileReadStatus status = FileReadStatus::kMissing;
  std::string bytes;
  // Why the file was not read, for a log line or a message; empty when it was.
  std::string problem;
  bool ok() const { return status == FileReadStatus::kOk; }
};

// The whole of `path` when it is a regular file of at most `maxBytes` bytes.
FileRead ReadRegularFile(const std::string& path, size_t maxBytes);

// Opens `path` for writing (O_WRONLY | O_CLOEXEC and `extraFlags`) only when it is a regular
// file or does not exist yet; -1 otherwise. Never blocks on a FIFO.
int OpenRegularForWriting(const std::string& path, int extraFlags, int mode = 0666);

}  // namespace korvel
