#include "replay/session_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/file_read.h"

#ifndef KORVEL_VERSION
#define KORVEL_VERSION "unknown"
#endif

namespace korvel {
namespace {

constexpr size_t kFixedHeader = sizeof(kSessionMagic) + 2 + 4;
constexpr size_t kEntryHead = 1 + 4;  // kind and time
constexpr size_t kEntryCheck = 4;

void PutLE(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

uint32_t GetLE(std::span<const uint8_t> in, size_t at, int bytes) {
  uint32_t v = 0;
  for (int k = 0; k < bytes; ++k) v |= uint32_t{in[at + k]} << (8 * k);
  return v;
}

// Header text is one "key=value" per line; a line break inside a value would split it.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

size_t PayloadSize(uint8_t kind) {
  switch (static_cast<EntryKind>(kind)) {
    case EntryKind::Received:
    case EntryKind::Sent:
    case EntryKind::Text:
      return kRecordSize;
    case EntryKind::Input:
      return kInputPayload;
    case EntryKind::Connected:
      return 0;
    case EntryKind::Lost:
    case EntryKind::Draw:
      return 4;
  }
  return SIZE_MAX;
}

std::string At(size_t offset) { return " (byte " + std::to_string(offset) + ")"; }

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (uint8_t b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::vector<uint8_t> EncodeSessionHeader(const HeaderFields& fields) {
  std::string text;
  for (const auto& [key, value] : fields) {
    std::string k = OneLine(key);
    for (char& c : k)
      if (c == '=') c = '_';
    text += k + "=" + OneLine(value) + "\n";
  }
  if (text.size() > kSessionHeaderLimit) text.resize(kSessionHeaderLimit);
  std::vector<uint8_t> out(std::begin(kSessionMagic), std::end(kSessionMagic));
  PutLE(out, kSessionVersion, 2);
  PutLE(out, static_cast<uint32_t>(text.size()), 4);
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

size_t SessionEntrySize(EntryKind kind) {
  return kEntryHead + PayloadSize(static_cast<uint8_t>(kind)) + kEntryCheck;
}

void AppendSessionEntry(std::vector<uint8_t>& out, EntryKind kind, uint32_t timeMs,
                        std::span<const uint8_t> payload) {
  const size_t start = out.size();
  out.push_back(static_cast<uint8_t>(kind));
  PutLE(out, timeMs, 4);
  // The payload always has its kind's size, padded or cut, so the reader can step over it.
  const size_t want = PayloadSize(static_cast<uint8_t>(kind));
  const size_t n = std::min(want, payload.size());
  out.insert(out.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n));
  out.resize(out.size() + (want - n), 0);
  PutLE(out, Crc32(std::span(out).subspan(start)), 4);
}

std::string SessionFile::Field(std::string_view key) const {
  for (const auto& [k, v] : header)
    if (k == key) return v;
  return {};
}

SessionFile ParseSession(std::span<const uint8_t> bytes) {
  SessionFile file;
  if (bytes.size() < sizeof(kSessionMagic) ||
      std::memcmp(bytes.data(), kSessionMagic, sizeof(kSessionMagic)) != 0) {
    file.problem = "not a Korvel session file";
    return file;
  }
  if (bytes.size() < kFixedHeader) {
    file.problem = "the file ends inside its header";
    return file;
  }
  file.version = static_cast<uint16_t>(GetLE(bytes, sizeof(kSessionMagic), 2));
  if (file.version != kSessionVersion) {
    file.problem = "session format " + std::to_string(file.version) +
                   " is not one this program reads (it reads format " +
                   std::to_string(kSessionVersion) + ")";
    return file;
  }
  const uint32_t textSize = GetLE(bytes, sizeof(kSessionMagic) + 2, 4);
  if (textSize > kSessionHeaderLimit) {
    file.problem = "the header is damaged (it claims " + std::to_string(textSize) + " bytes)";
    return file;
  }
  if (bytes.size() - kFixedHeader < textSize) {
    file.problem = "the file ends inside its header";
    return file;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data() + kFixedHeader), textSize);
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(from, end - from);
    const size_t eq = line.find('=');
    if (eq != std::string_view::npos) {
      file.header.emplace_back(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
    }
    from = end + 1;
  }
  file.usable = true;

  size_t at = kFixedHeader + textSize;
  uint32_t lastTime = 0;
  while (at < bytes.size()) {
    const size_t index = file.entries.size() + 1;
    const size_t payload = PayloadSize(bytes[at]);
    if (payload == SIZE_MAX) {
      file.problem = "entry " + std::to_string(index) + At(at) +
                     " is damaged (unknown kind); it and everything after it are left out";
      break;
    }
    const size_t whole = kEntryHead + payload + kEntryCheck;
    if (bytes.size() - at < whole) {
      file.problem = "the file ends inside entry " + std::to_string(index) + At(at) +
                     "; the last " + std::to_string(bytes.size() - at) + " bytes are left out";
      break;
    }
    const auto entry = bytes.subspan(at, whole - kEntryCheck);
    if (Crc32(entry) != GetLE(bytes, at + whole - kEntryCheck, 4)) {
      file.problem = "entry " + std::to_string(index) + At(at) +
                     " is damaged (checksum); it and everything after it are left out";
      break;
    }
    SessionEntry e;
    e.kind = static_cast<EntryKind>(bytes[at]);
    e.timeMs = GetLE(bytes, at + 1, 4);
    if (e.timeMs < lastTime) {
      file.problem = "entry " + std::to_string(index) + At(at) +
                     " goes back in time; it and everything after it are left out";
      break;
    }
    lastTime = e.timeMs;
    if (payload == kRecordSize || payload == kInputPayload) {
      std::memcpy(e.record.data(), bytes.data() + at + kEntryHead, payload);
    } else if (payload == 4) {
      e.value = static_cast<int32_t>(GetLE(bytes, at + kEntryHead, 4));
    }
    file.entries.push_back(e);
    at += whole;
  }
  return file;
}

SessionFile ReadSessionFile(const std::string& path) {
  // Recordings are pruned at 200 MB all together; one file beyond that limit is not ours, and
  // a FIFO or a device is refused before anything is read from it.
  constexpr size_t kMaxSessionFileBytes = size_t{256} << 20;
  const FileRead file = ReadRegularFile(path, kMaxSessionFileBytes);
  if (!file.ok()) {
    SessionFile failed;
    failed.problem = file.problem;
    return failed;
  }
  return ParseSession(
      std::span(reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size()));
}

const char* ClientVersion() { return KORVEL_VERSION; }

}  // namespace korvel
