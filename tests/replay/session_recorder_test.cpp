// The recorder: what it keeps, when it writes, the size limit, and a disk that cannot take the
// file, which stops the recording but never the game.
#include "replay/session_recorder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "memory_session_store.h"
#include "net/reconnection.h"
#include "platform/virtual_platform.h"

namespace korvel {
namespace {

using testing::MemorySessionStore;
namespace fs = std::filesystem;

RecordBytes Record(int command, uint8_t fill = 0) {
  RecordBytes r;
  r.fill(fill);
  r[rec::kCommand] = static_cast<uint8_t>(command);
  return r;
}

class RecorderTest : public ::testing::Test {
 protected:
  SessionRecorder& Recorder(RecorderSettings settings = {}) {
    recorder.emplace(store, vp.timers, vp.log, "20261209-120000_Room-6000.kvsession",
                     HeaderFields{{"user", "a"}}, settings);
    return *recorder;
  }
  SessionFile Written() { return ParseSession(store.files[recorder->fileName()]); }
  int LogLines(std::string_view text) {
    return static_cast<int>(std::count_if(vp.log.lines.begin(), vp.log.lines.end(), [&](auto& l) {
      return l.find(text) != std::string::npos;
    }));
  }

  VirtualPlatform vp;
  MemorySessionStore store;
  std::optional<SessionRecorder> recorder;
};

TEST_F(RecorderTest, RecordsAreKeptWholeWithTheirArrivalTime) {
  vp.timers.Advance(1000);  // the session's clock starts with the recorder, not the process
  SessionRecorder& r = Recorder();
  const RecordBytes a = Record(4, 1), b = Record(5, 2);
  std::vector<uint8_t> stream(2 * kRecordSize);
  std::copy(a.begin(), a.end(), stream.begin());
  std::copy(b.begin(), b.end(), stream.begin() + kRecordSize);
  vp.timers.Advance(250);
  r.Received(std::span(stream).first(100));
  vp.timers.Advance(20);
  r.Received(std::span(stream).subspan(100, 300));  // the end of `a`, the start of `b`
  vp.timers.Advance(30);
  r.Received(std::span(stream).subspan(400));
  r.Flush();
  const SessionFile f = Written();
  ASSERT_EQ(f.entries.size(), 2u) << f.problem;
  EXPECT_EQ(f.entries[0].record, a);
  EXPECT_EQ(f.entries[0].timeMs, 270u);
  EXPECT_EQ(f.entries[1].record, b);
  EXPECT_EQ(f.entries[1].timeMs, 300u);
}

TEST_F(RecorderTest, ANewConnectionDropsTheHalfRecordOfTheOldOne) {
  SessionRecorder& r = Recorder();
  const RecordBytes a = Record(7, 3);
  r.Received(std::span(a).first(50));
  r.StartConnection();
  r.Received(a);
  r.Flush();
  const SessionFile f = Written();
  ASSERT_EQ(f.entries.size(), 1u);
  EXPECT_EQ(f.entries[0].record, a);
}

TEST_F(RecorderTest, TheLoginKeyNeverReachesTheFile) {
  SessionRecorder& r = Recorder();
  const std::string key = "s3cret-login-key";
  LoginRecordResult login = BuildLoginRecord("alice", key);
  ASSERT_TRUE(login.ok);
  r.Sent(login.record);
  r.Sent(std::vector<uint8_t>{5, 1, 0});  // not a record (a proxy request, say): not kept
  RecordBytes again = login.record;
  MarkReconnectRecord(again, {0, 9}, 0x5EC12E7);
  r.Sent(again);
  r.Flush();
  const auto& bytes = store.files[r.fileName()];
  EXPECT_EQ(std::search(bytes.begin(), bytes.end(), key.begin(), key.end()), bytes.end());
  const SessionFile f = Written();
  ASSERT_EQ(f.entries.size(), 2u);
  EXPECT_EQ(f.entries[1].record[rec::kCommand], kCmdReconnect);
  EXPECT_EQ(ReadLE32(f.entries[1].record, rec::kTrailer), 0u) << "nor the reconnection key";
  EXPECT_EQ(f.entries[0].kind, EntryKind::Sent);
  EXPECT_EQ(f.entries[0].record[rec::kCommand], kCmdLogin);
  EXPECT_EQ(f.entries[0].record[rec::kUserId], 'a');
}

TEST_F(RecorderTest, ALoginAfterLeavingStartsANewFileAndAReconnectionDoesNot) {
  SessionRecorder& r = Recorder();
  const std::string first = r.fileName();
  LoginRecordResult login = BuildLoginRecord("alice", "key");
  ASSERT_TRUE(login.ok);
  r.Sent(login.record);
  r.Received(Record(4, 1));
  RecordBytes again = login.record;
  MarkReconnectRecord(again, {0, 9}, 7);
  r.Sent(again);  // the same table after a dropped connection
  r.Received(Record(16, 2));
  EXPECT_EQ(r.fileName(), first);

  vp.timers.Advance(60000);
  r.nextFileName = [] { return std::string("20261209-120100_Room-6000.kvsession"); };
  r.Sent(login.record);  // the lobby seated the player at another table
  r.Received(Record(4, 3));
  r.Flush();
  EXPECT_EQ(r.fileName(), "20261209-120100_Room-6000.kvsession");
  const SessionFile old = ParseSession(store.files[first]);
  ASSERT_EQ(old.entries.size(), 4u) << old.problem;
  const SessionFile next = Written();
  ASSERT_EQ(next.entries.size(), 2u) << next.problem;
  EXPECT_EQ(next.Field("user"), "a") << "the same header";
  EXPECT_EQ(next.entries[0].record[rec::kCommand], kCmdLogin);
  EXPECT_EQ(next.entries[0].timeMs, 0u) << "its own clock";

  // A name the clock gives twice gets a running number instead.
  r.Sent(login.record);
  EXPECT_EQ(r.fileName(), "20261209-120100_Room-6000-3.kvsession");
}

TEST_F(RecorderTest, TheHeaderLeavesOutTheKeyAndTheProxyPassword) {
  LaunchParams p;
  p.UserId = "alice";
  p.LoginKey = "the-login-key";
  p.ProxyPassword = "proxy-pass-word";
  p.ProxyUser = "pu";
  p.ConnectionType = kConnectProxy;
  p.Spectator = true;
  p.WatcherBalance = 5000;
  const HeaderFields h = SessionHeaderFor(p, 1024, 768);
  const auto bytes = EncodeSessionHeader(h);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.find("the-login-key"), std::string::npos);
  EXPECT_EQ(text.find("proxy-pass-word"), std::string::npos);
  const SessionFile f = ParseSession(bytes);
  EXPECT_EQ(f.Field("watcher"), "1");
  EXPECT_EQ(f.Field("balance"), "5000");
  EXPECT_EQ(f.Field("proxy-user"), "pu");
  EXPECT_EQ(f.Field("screen"), "1024x768");
  EXPECT_NE(f.Field("client").find("korvel "), std::string::npos);
}

TEST_F(RecorderTest, WritesWaitForTheDealsEndOrAFullBuffer) {
  RecorderSettings s;
  s.flushBytes = 4096;
  SessionRecorder& r = Recorder(s);
  r.Connected();
  r.Received(Record(4));
  r.Sent(Record(2));
  EXPECT_EQ(store.appends, 0) << "nothing written in the middle of a deal";
  r.Received(Record(kCmdSettlement));
  EXPECT_EQ(store.appends, 1) << "the deal's end writes";
  EXPECT_EQ(Written().entries.size(), 4u);
  for (int i = 0; i < 20; ++i) r.Received(Record(5));
  EXPECT_GE(store.appends, 2) << "a full buffer writes without waiting for the deal";
  EXPECT_LE(Written().entries.size(), 24u);
  recorder.reset();  // the end of the client writes the rest
  EXPECT_EQ(ParseSession(store.files["20261209-120000_Room-6000.kvsession"]).entries.size(), 24u);
}

TEST_F(RecorderTest, ALongDealKeepsEveryEntryWhileTheBufferGrows) {
  SessionRecorder& r = Recorder();
  // Far more than the first room and less than one write: the buffer grows several times.
  for (int i = 0; i < 700; ++i) r.Received(Record(5, static_cast<uint8_t>(i)));
  EXPECT_EQ(store.appends, 0) << "no write before the threshold";
  for (int i = 0; i < 300; ++i) r.Sent(Record(2, static_cast<uint8_t>(i)));
  EXPECT_GE(store.appends, 1) << "the threshold writes";
  recorder.reset();
  const SessionFile f = ParseSession(store.files["20261209-120000_Room-6000.kvsession"]);
  ASSERT_EQ(f.entries.size(), 1000u);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(f.entries[i].kind, i < 700 ? EntryKind::Received : EntryKind::Sent) << i;
    ASSERT_EQ(f.entries[i].record[rec::kCommand + 1], static_cast<uint8_t>(i < 700 ? i : i - 700))
        << i;
  }
}

TEST_F(RecorderTest, WhatWaitsLongerThanHalfAMinuteIsWritten) {
  SessionRecorder& r = Recorder();
  r.Received(Record(4));
  vp.timers.Advance(29000);
  r.Received(Record(5));
  EXPECT_EQ(store.appends, 0);
  vp.timers.Advance(1000);
  r.Received(Record(5));
  EXPECT_EQ(store.appends, 1) << "the deal's start waited 30 s";
  EXPECT_EQ(Written().entries.size(), 3u);
  vp.timers.Advance(29999);
  r.Received(Record(5));
  EXPECT_EQ(store.appends, 1) << "the clock starts again with the next entry";
}

TEST_F(RecorderTest, ASessionWithNothingInItLeavesNoFile) {
  Recorder();
  recorder.reset();
  EXPECT_TRUE(store.files.empty());
  EXPECT_EQ(store.opens, 0);
}

TEST_F(RecorderTest, TheClientsEndWritesTheSessionBeforeTheProcessGoes) {
  SessionRecorder& r = Recorder();
  RecordingPlatform rp(vp.platform(), r);
  r.Received(Record(4));
  EXPECT_THROW(EndClientNow(rp.platform().process, 3), ClientEnded);
  EXPECT_EQ(Written().entries.size(), 1u);
  EXPECT_EQ(vp.process.ends, 1);
}

TEST_F(RecorderTest, OldSessionsGoOldestFirstToStayUnderTheLimit) {
  store.files["20261201-000000_a.kvsession"].resize(3000);
  store.files["20261202-000000_b.kvsession"].resize(3000);
  store.files["20261203-000000_c.kvsession"].resize(3000);
  RecorderSettings s;
  s.sizeLimit = 8000;
  SessionRecorder& r = Recorder(s);
  r.Received(Record(kCmdSettlement));  // about 400 bytes with the header: 9400 in all
  ASSERT_EQ(store.removed, std::vector<std::string>{"20261201-000000_a.kvsession"});
  EXPECT_TRUE(store.files.count("20261203-000000_c.kvsession"));
  EXPECT_EQ(LogLines("removed the old session file"), 1);
  // Growing past the limit again removes the next oldest, never the session being written.
  for (int i = 0; i < 8; ++i) r.Received(Record(kCmdSettlement));
  EXPECT_EQ(store.removed.size(), 2u);
  EXPECT_TRUE(store.files.count(r.fileName()));
  EXPECT_TRUE(r.Recording());
}

TEST_F(RecorderTest, ASessionLargerThanTheLimitStopsRecordingOnce) {
  RecorderSettings s;
  s.sizeLimit = 3000;
  SessionRecorder& r = Recorder(s);
  for (int i = 0; i < 30; ++i) r.Received(Record(kCmdSettlement));
  EXPECT_FALSE(r.Recording());
  EXPECT_EQ(LogLines("reached the size limit"), 1);
  EXPECT_LE(store.files[r.fileName()].size(), 3000u);
  EXPECT_TRUE(ParseSession(store.files[r.fileName()]).problem.empty()) << "what is there is whole";
}

TEST_F(RecorderTest, AFullDiskIsLoggedOnceAndRecordingStops) {
  SessionRecorder& r = Recorder();
  store.full = true;
  for (int i = 0; i < 10; ++i) r.Received(Record(kCmdSettlement));
  EXPECT_FALSE(r.Recording());
  EXPECT_EQ(LogLines("No space left"), 1);
  EXPECT_EQ(store.appends, 1) << "no retry on every deal";
  EXPECT_FALSE(r.Flush());
}

TEST_F(RecorderTest, AFolderThatCannotBeOpenedIsLoggedOnce) {
  store.refuseOpen = true;
  SessionRecorder& r = Recorder();
  for (int i = 0; i < 5; ++i) r.Received(Record(kCmdSettlement));
  EXPECT_FALSE(r.Recording());
  EXPECT_EQ(LogLines("session recording stopped"), 1);
  EXPECT_EQ(store.opens, 0);
}

TEST(SessionSettings, TheSizeLimitComesFromTheSettingsFileOrIsTheDefault) {
  const fs::path dir = fs::temp_directory_path() / ("korvel-settings-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string ini = (dir / "korvel.ini").string();
  auto write = [&](const std::string& text) { std::ofstream(ini) << text; };
  constexpr uint64_t kMb = 1024 * 1024;
  EXPECT_EQ(SessionSizeLimit((dir / "missing.ini").string()), 200 * kMb);
  write("[Sessions]\nSizeLimitMB = 50\n");
  EXPECT_EQ(SessionSizeLimit(ini), 50 * kMb);
  EXPECT_TRUE(SessionRecordingWanted(ini));
  for (const char* bad : {"-5", "0", "12abc", "", "99999999999999999999"}) {
    write(std::string("[sessions]\nsizelimitmb=") + bad + "\n");
    EXPECT_EQ(SessionSizeLimit(ini), 200 * kMb) << bad;
  }
  write("[Sessions]\nRecord=0\n");
  EXPECT_FALSE(SessionRecordingWanted(ini));
  fs::remove_all(dir);
}

TEST(SessionFileName, DateTimeThenASafeTableName) {
  LaunchParams p;
  p.Location = "二楼/../Room 3";
  p.ServerPort = 6000;
  const std::string name = SessionFileName(0, p);
  EXPECT_EQ(name.find('/'), std::string::npos);
  EXPECT_EQ(name.find(' '), std::string::npos);
  EXPECT_NE(name.find("Room_3-6000"), std::string::npos) << name;
  EXPECT_TRUE(name.ends_with(".kvsession"));
  EXPECT_EQ(name.size(), std::string("19700101-000000_").size() + name.substr(16).size());
  EXPECT_LT(SessionFileName(1000, p), SessionFileName(100000, p)) << "name order is age order";
}

TEST(SessionFileName, KeepsTheTableNameReadableInAnyScript) {
  LaunchParams p;
  p.ServerPort = 6000;
  auto table = [&](const std::string& location) {
    p.Location = location;
    const std::string name = SessionFileName(0, p);
    return name.substr(16, name.size() - 16 - std::string(".kvsession").size());
  };
  EXPECT_EQ(table("本地牌桌"), "本地牌桌-6000");
  EXPECT_EQ(table("二楼/../Room 3"), "二楼____Room_3-6000");
  // Bytes that are not UTF-8 (a GBK name, a cut character, an overlong slash, a surrogate)
  // and controls become one "_" each.
  EXPECT_EQ(table("\xb1\xbe\xb5\xd8"), "____-6000");
  EXPECT_EQ(table("牌\xe6\xa1"), "牌__-6000");
  EXPECT_EQ(table("\xc0\xaf\xed\xa0\x80\t\n"), "_______-6000");
  // A long name is cut between characters, never inside one.
  const std::string cut = table(std::string(30, 'a') + "麻将麻将麻将麻将");
  EXPECT_LE(cut.size(), 48u);
  EXPECT_EQ(cut, std::string(30, 'a') + "麻将麻将麻将");
}

// The store on disk: a temporary folder for each test.
class FolderStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("korvel-sessions-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
  }
  int LogLines(std::string_view text) {
    return static_cast<int>(std::count_if(vp.log.lines.begin(), vp.log.lines.end(), [&](auto& l) {
      return l.find(text) != std::string::npos;
    }));
  }
  // Plays a few deals' worth of records into a recorder on `folder`.
  bool RecordDeals(const std::string& folder, int deals, uint64_t limit = 200 * 1024 * 1024) {
    FolderSessionStore store(folder);
    RecorderSettings s;
    s.sizeLimit = limit;
    SessionRecorder r(store, vp.timers, vp.log, "20261209-130000_t-1.kvsession", {}, s);
    for (int d = 0; d < deals; ++d) {
      for (int i = 0; i < 10; ++i) r.Received(Record(5));
      r.Received(Record(kCmdSettlement));
    }
    return r.Recording();
  }

  VirtualPlatform vp;
  fs::path dir;
};

TEST_F(FolderStoreTest, WritesIntoAFolderItCreates) {
  const std::string folder = (dir / "data" / "korvel" / "sessions").string();
  ASSERT_TRUE(RecordDeals(folder, 3));
  const SessionFile f = ReadSessionFile(folder + "/20261209-130000_t-1.kvsession");
  EXPECT_EQ(f.entries.size(), 33u) << f.problem;
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(FolderStoreTest, OldFilesOnDiskAreRemovedOldestFirst) {
  for (const char* name : {"20260101-000000_x.kvsession", "20260102-000000_x.kvsession"}) {
    std::ofstream(dir / name) << std::string(10000, 'x');
  }
  std::ofstream(dir / "notes.txt") << std::string(50000, 'x');  // not ours: never counted
  ASSERT_TRUE(RecordDeals(dir.string(), 2, 17000));             // 10000 + about 6200 of its own
  EXPECT_FALSE(fs::exists(dir / "20260101-000000_x.kvsession"));
  EXPECT_TRUE(fs::exists(dir / "20260102-000000_x.kvsession"));
  EXPECT_TRUE(fs::exists(dir / "notes.txt"));
}

TEST_F(FolderStoreTest, AFullDeviceIsLoggedOnceAndPlayGoesOn) {
  // The session file is the full device itself, so every write fails as on a full disk.
  fs::create_symlink("/dev/full", dir / "20261209-130000_t-1.kvsession");
  EXPECT_FALSE(RecordDeals(dir.string(), 5));
  EXPECT_EQ(LogLines("session recording stopped"), 1);
  EXPECT_EQ(LogLines("No space left on device"), 1);
}

TEST_F(FolderStoreTest, AFolderThatCannotBeMadeIsLoggedOnce) {
  std::ofstream(dir / "a-file") << "x";
  EXPECT_FALSE(RecordDeals((dir / "a-file" / "sessions").string(), 5));
  EXPECT_EQ(LogLines("session recording stopped"), 1);
  EXPECT_EQ(LogLines("a-file"), 1);
}

TEST_F(FolderStoreTest, AReadOnlyFolderIsLoggedOnce) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser writes into read-only folders";
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(RecordDeals(dir.string(), 5));
  EXPECT_EQ(LogLines("Permission denied"), 1);
}

TEST(SessionFolders, FollowTheXdgVariablesThenHome) {
  const std::string data = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  const std::string config = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("XDG_DATA_HOME", "/x/data", 1);
  setenv("XDG_CONFIG_HOME", "/x/config", 1);
  EXPECT_EQ(DefaultSessionFolder(), "/x/data/korvel/sessions");
  EXPECT_EQ(DefaultSettingsFile(), "/x/config/korvel/korvel.ini");
  setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/p", 1);
  EXPECT_EQ(DefaultSessionFolder(), "/home/p/.local/share/korvel/sessions");
  EXPECT_EQ(DefaultSettingsFile(), "/home/p/.config/korvel/korvel.ini");
  unsetenv("XDG_DATA_HOME");
  unsetenv("HOME");
  // Without HOME the account's own home directory still gives the folder.
  const std::string fromAccount = DefaultSessionFolder();
  const std::string tail = "/.local/share/korvel/sessions";
  ASSERT_GT(fromAccount.size(), tail.size());
  EXPECT_EQ(fromAccount.substr(fromAccount.size() - tail.size()), tail);
  auto restore = [](const char* name, const std::string& value) {
    value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
  };
  restore("XDG_DATA_HOME", data);
  restore("XDG_CONFIG_HOME", config);
  restore("HOME", home);
}

}  // namespace
}  // namespace korvel
