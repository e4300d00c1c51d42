// The session file: everything the client received and sent at one table, with the time of each
// record, so a game can be shown again later. A short header (format version, client version and
// the launch values that are not secret) is followed by entries, each carrying its own checksum
// so a damaged or cut file still gives back everything before the damage.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/records.h"

namespace korvel {

inline constexpr char kSessionMagic[8] = {'K', 'O', 'R', 'V', 'S', 'E', 'S', '\n'};
inline constexpr uint16_t kSessionVersion = 1;
inline constexpr const char* kSessionSuffix = ".kvsession";
// A header longer than this is not one we wrote.
inline constexpr uint32_t kSessionHeaderLimit = 64 * 1024;

enum class EntryKind : uint8_t {
  Received = 'R',   // a whole record from the server, at the moment its last byte arrived
  Sent = 'S',       // a record the client sent
  Connected = 'C',  // the connection to the server opened
  Lost = 'X',       // the connection closed or failed (value: the error number, 0 for a close)
  Input = 'I',      // the player's mouse or key on the table's windows
  Text = 'T',       // the player's edit of a text box, with the text
  Draw = 'D',       // a random draw the table made (value: what it drew), for the dice and such
};

inline constexpr size_t kInputPayload = 64;

struct SessionEntry {
  EntryKind kind = EntryKind::Received;
  uint32_t timeMs = 0;   // since the session started
  RecordBytes record{};  // Input and Text: their payload, from the first byte
  int32_t value = 0;
};

using HeaderFields = std::vector<std::pair<std::string, std::string>>;

// The fixed start of a file: magic, version and the header fields.
std::vector<uint8_t> EncodeSessionHeader(const HeaderFields& fields);
// Appends one entry to `out` (no allocation once `out` has the room).
void AppendSessionEntry(std::vector<uint8_t>& out, EntryKind kind, uint32_t timeMs,
                        std::span<const uint8_t> payload);
// Bytes an entry of `kind` takes in the file.
size_t SessionEntrySize(EntryKind kind);
uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);

struct SessionFile {
  bool usable = false;  // the header was read: the entries (possibly none) can be replayed
  uint16_t version = 0;
  HeaderFields header;
  std::vector<SessionEntry> entries;
  // Empty when the file is whole; else what was wrong, for the user.
  std::string problem;

  std::string Field(std::string_view key) const;
};

// Reads a session file's bytes. Never reads past `bytes`; a damaged entry ends the reading and
// everything before it is kept.
SessionFile ParseSession(std::span<const uint8_t> bytes);
// Reads the file at `path`; a file that cannot be opened gives an unusable result with the reason.
SessionFile ReadSessionFile(const std::string& path);

// The client's version as written into the header.
const char* ClientVersion();

}  // namespace korvel
