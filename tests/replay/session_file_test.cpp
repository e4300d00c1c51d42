// The session file: what is written reads back, and a cut, damaged or foreign file gives a clear
// reason and everything that is whole, never a read past its end.
#include "replay/session_file.h"

#include <gtest/gtest.h>

#include <fstream>

namespace korvel {
namespace {

RecordBytes Record(int command, uint8_t fill) {
  RecordBytes r;
  r.fill(fill);
  r[rec::kCommand] = static_cast<uint8_t>(command);
  return r;
}

std::vector<uint8_t> SampleFile(int entries) {
  std::vector<uint8_t> bytes = EncodeSessionHeader({{"user", "alice"}, {"server", "h:6000"}});
  for (int i = 0; i < entries; ++i) {
    const RecordBytes r = Record(i % 40, static_cast<uint8_t>(i));
    AppendSessionEntry(bytes, i % 2 ? EntryKind::Sent : EntryKind::Received,
                       static_cast<uint32_t>(100 * i), r);
  }
  return bytes;
}

size_t HeaderSize() {
  return EncodeSessionHeader({{"user", "alice"}, {"server", "h:6000"}}).size();
}

TEST(SessionFile, EntriesAndHeaderReadBackAsWritten) {
  std::vector<uint8_t> bytes = SampleFile(5);
  AppendSessionEntry(bytes, EntryKind::Lost, 900, std::vector<uint8_t>{0x4D, 0x27, 0, 0});
  AppendSessionEntry(bytes, EntryKind::Connected, 950, {});
  const SessionFile f = ParseSession(bytes);
  ASSERT_TRUE(f.usable) << f.problem;
  EXPECT_EQ(f.problem, "");
  EXPECT_EQ(f.version, kSessionVersion);
  EXPECT_EQ(f.Field("user"), "alice");
  EXPECT_EQ(f.Field("server"), "h:6000");
  EXPECT_EQ(f.Field("missing"), "");
  ASSERT_EQ(f.entries.size(), 7u);
  EXPECT_EQ(f.entries[3].kind, EntryKind::Sent);
  EXPECT_EQ(f.entries[3].timeMs, 300u);
  EXPECT_EQ(f.entries[3].record, Record(3, 3));
  EXPECT_EQ(f.entries[5].kind, EntryKind::Lost);
  EXPECT_EQ(f.entries[5].value, 10061);
  EXPECT_EQ(f.entries[6].kind, EntryKind::Connected);
}

TEST(SessionFile, LineBreaksInHeaderValuesCannotForgeFields) {
  const auto bytes = EncodeSessionHeader({{"location", "Room\nuser=mallory"}, {"a=b", "c"}});
  const SessionFile f = ParseSession(bytes);
  ASSERT_TRUE(f.usable);
  EXPECT_EQ(f.Field("user"), "");
  EXPECT_EQ(f.Field("location"), "Room user=mallory");
  EXPECT_EQ(f.Field("a_b"), "c");
}

TEST(SessionFile, ACutFileKeepsEveryWholeEntry) {
  const std::vector<uint8_t> whole = SampleFile(4);
  const size_t entry = SessionEntrySize(EntryKind::Received);
  for (size_t cut : {size_t{1}, size_t{5}, entry - 1}) {
    std::vector<uint8_t> bytes(whole.begin(), whole.end() - static_cast<long>(cut));
    const SessionFile f = ParseSession(bytes);
    ASSERT_TRUE(f.usable);
    EXPECT_EQ(f.entries.size(), 3u) << "cut " << cut;
    EXPECT_NE(f.problem.find("ends inside entry 4"), std::string::npos) << f.problem;
  }
}

TEST(SessionFile, ADamagedEntryEndsTheReadingThere) {
  std::vector<uint8_t> bytes = SampleFile(6);
  const size_t entry = SessionEntrySize(EntryKind::Received);
  bytes[HeaderSize() + 2 * entry + 100] ^= 0x40;  // inside the third record
  SessionFile f = ParseSession(bytes);
  ASSERT_TRUE(f.usable);
  EXPECT_EQ(f.entries.size(), 2u);
  EXPECT_NE(f.problem.find("entry 3"), std::string::npos) << f.problem;
  EXPECT_NE(f.problem.find("checksum"), std::string::npos) << f.problem;

  bytes = SampleFile(3);
  bytes[HeaderSize() + entry] = 'Q';  // the second entry's kind
  f = ParseSession(bytes);
  EXPECT_EQ(f.entries.size(), 1u);
  EXPECT_NE(f.problem.find("unknown kind"), std::string::npos) << f.problem;
}

TEST(SessionFile, TimeGoingBackIsDamage) {
  std::vector<uint8_t> bytes = EncodeSessionHeader({});
  AppendSessionEntry(bytes, EntryKind::Received, 500, Record(1, 0));
  AppendSessionEntry(bytes, EntryKind::Received, 400, Record(1, 0));
  const SessionFile f = ParseSession(bytes);
  EXPECT_EQ(f.entries.size(), 1u);
  EXPECT_NE(f.problem.find("back in time"), std::string::npos) << f.problem;
}

TEST(SessionFile, ForeignOrUnreadableFilesAreRefusedWithAReason) {
  EXPECT_FALSE(ParseSession({}).usable);
  const std::string png = "\x89PNG\r\n\x1a\n and more";
  SessionFile f = ParseSession(std::span(reinterpret_cast<const uint8_t*>(png.data()), png.size()));
  EXPECT_FALSE(f.usable);
  EXPECT_EQ(f.problem, "not a Korvel session file");

  std::vector<uint8_t> bytes = SampleFile(1);
  bytes[8] = 9;  // a later format
  f = ParseSession(bytes);
  EXPECT_FALSE(f.usable);
  EXPECT_NE(f.problem.find("format 9"), std::string::npos) << f.problem;

  bytes = SampleFile(1);
  bytes[13] = 0x7F;  // a header length far beyond the file
  f = ParseSession(bytes);
  EXPECT_FALSE(f.usable);
  EXPECT_NE(f.problem.find("header"), std::string::npos) << f.problem;

  bytes = SampleFile(0);
  bytes.pop_back();
  f = ParseSession(bytes);
  EXPECT_FALSE(f.usable);
  EXPECT_EQ(f.problem, "the file ends inside its header");

  f = ReadSessionFile("/nonexistent/korvel/x.kvsession");
  EXPECT_FALSE(f.usable);
  EXPECT_NE(f.problem.find("cannot open"), std::string::npos) << f.problem;

  f = ReadSessionFile("/tmp");
  EXPECT_FALSE(f.usable);
  EXPECT_NE(f.problem.find("not a regular file"), std::string::npos) << f.problem;
}

TEST(SessionFile, EveryPrefixOfAFileReadsSafely) {
  const std::vector<uint8_t> whole = SampleFile(3);
  for (size_t n = 0; n <= whole.size(); ++n) {
    // An exact-size copy, so a read past the end is caught by the sanitizers.
    std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(n));
    const SessionFile f = ParseSession(part);
    EXPECT_LE(f.entries.size(), 3u);
    const bool atEntryEnd =
        n >= HeaderSize() && (n - HeaderSize()) % SessionEntrySize(EntryKind::Received) == 0;
    EXPECT_EQ(f.problem.empty(), atEntryEnd) << n;
  }
}

TEST(SessionFile, TheChecksumIsTheUsualCrc32) {
  const std::string text = "123456789";
  EXPECT_EQ(Crc32(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())),
            0xCBF43926u);
}

}  // namespace
}  // namespace korvel
