// Seating a table: announcements, the players' information, stakes, ready marks, the voice
// choice and the information window, checked on the Scene.
#include "protocol/seating.h"

#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "support/client_fixture.h"

namespace korvel {
namespace {

using testing::ClientFixture;
using testing::ServerRecord;

void PutText(RecordBytes& r, size_t at, const std::string& utf8) {
  const std::string gbk = Utf8ToGbk(utf8);
  std::copy(gbk.begin(), gbk.end(), r.begin() + static_cast<long>(at));
}

void PutLE(RecordBytes& r, size_t at, uint64_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) r[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

struct Player {
  std::string account;
  std::string nickname;
  std::string avatar = "m1";
  uint8_t gender = 1;
  uint64_t coins = 1000;
  uint32_t stake = 0;
  bool ready = false;
};

RecordBytes PlayerInfo(int seatByte, const Player& p) {
  RecordBytes r = ServerRecord(20, seatByte);
  PutText(r, 16, p.nickname);
  PutText(r, 48, p.avatar);
  r[64] = p.gender;
  PutLE(r, 96, p.coins, 8);
  PutText(r, 112, "雀圣");
  PutText(r, 168, p.account);
  PutText(r, 184, "VIP");
  PutText(r, 210, "00");
  PutText(r, 218, "10");
  PutLE(r, 234, p.stake, 4);
  r[208] = p.ready ? 1 : 0;
  return r;
}

RecordBytes Announcement(int mask, const std::string& account) {
  RecordBytes r = ServerRecord(3, mask);
  PutText(r, 16, account);
  return r;
}

class SeatingTest : public ClientFixture {
 protected:
  void SetUp() override {
    vp.screen.width = 1280;
    vp.screen.height = 1024;
    LogIn();
  }
  // Delivers records and lets the loop take them all.
  void Feed(std::initializer_list<RecordBytes> records) {
    for (const RecordBytes& r : records) Deliver(r);
    ASSERT_EQ(Run(100 * static_cast<int>(records.size()) + 1200), -1);
  }
  Form& main() { return client.view().main(); }
  const MainElements& el() { return client.view().el; }
  std::string Caption(ElementId e) { return main().Get(e)->caption; }
  // The server's order: each player's information as they sit down, then the three seat
  // announcements and everyone's information again by seat. Seats a/b/c, local "a".
  void SeatFullTable() {
    const Player a{"a", "我", "m3", 1, 500}, b{"b", "Bob", "w2", 0, 700},
        c{"c", "Cat", "m12", 0, 900};
    Feed({PlayerInfo(15, a), PlayerInfo(0, b), PlayerInfo(0, c)});
    Feed({Announcement(1, "a"), Announcement(2, "b"), Announcement(4, "c")});
    Feed({PlayerInfo(1, a), PlayerInfo(2, b), PlayerInfo(4, c)});
  }
};

TEST_F(SeatingTest, TheThirdAnnouncementAssignsSeatsByAccountName) {
  auto fields = testing::DirectFields();
  VirtualPlatform fresh;
  fresh.lobby.windows.insert("Tesk山庄");
  Client c(fresh.platform());
  fields[0] = "b";
  c.Startup(testing::LaunchLine(fields));
  fresh.timers.Advance(200);
  for (const RecordBytes& r : {ServerRecord(18, 0, {0, 8, 0, 1}), Announcement(1, "a"),
                               Announcement(2, "b"), Announcement(4, "c")}) {
    fresh.socket.Deliver(r);
  }
  fresh.timers.Advance(1000);
  const auto& p = c.table().players;
  EXPECT_EQ(p[0].seatMask, 2);
  EXPECT_EQ(p[0].name, "b");
  EXPECT_EQ(p[1].seatMask, 1);
  EXPECT_EQ(p[1].name, "a");
  EXPECT_EQ(p[2].seatMask, 4);
  EXPECT_EQ(p[2].name, "c");
  EXPECT_EQ(c.table().seating.SeatCount, 0);
  EXPECT_TRUE(c.view().ButtonLocked[2]);
  EXPECT_FALSE(fresh.timers.Running("TimerKeepAlive")) << "the announcement stops keep-alive";
}

TEST_F(SeatingTest, AnAnnouncementForAFourthSeatIsLeftOut) {
  Feed({Announcement(8, "a"), Announcement(15, "b"), Announcement(1, "a"), Announcement(2, "b"),
        Announcement(4, "c")});
  EXPECT_EQ(client.table().seating.SeatName[0], "a");
  EXPECT_EQ(client.table().seating.SeatName[1], "b");
  EXPECT_EQ(client.table().players[0].seatMask, 1);
}

TEST_F(SeatingTest, NamesThatNeverMatchLeaveTheSeatsAlone) {
  Feed({Announcement(1, "x"), Announcement(2, "y"), Announcement(4, "z")});
  EXPECT_EQ(client.table().players[0].seatMask, 0);
}

TEST_F(SeatingTest, AFullTableShowsEveryoneStartsTheCountdownAndChoosesVoices) {
  SeatFullTable();
  EXPECT_EQ(Caption(el().Nid[0]), "[VIP] 我");
  EXPECT_EQ(Caption(el().Cash[0]), "500金币");
  EXPECT_EQ(Caption(el().Level[0]), "雀圣");
  // Seat index 1 sits right of the local seat 0, index 2 left of it.
  EXPECT_EQ(Caption(el().Nid[2]), "[VIP] Bob");
  EXPECT_EQ(Caption(el().Nid[1]), "[VIP] Cat");
  const SpriteLists& sprites = client.view().sprites();
  EXPECT_EQ(main().GetPicture(el().Tou[0]), sprites.AvatarSprites[2]);
  EXPECT_EQ(main().GetPicture(el().Tou[2]), sprites.AvatarSprites[11]);
  EXPECT_EQ(main().GetPicture(el().Tou[1]), sprites.AvatarSprites[0]) << "m12 is out of range";
  EXPECT_EQ(client.table().seating.OthersSeated, 2);
  EXPECT_EQ(client.messages().Lines(0), std::vector<std::string>{"游戏将在15秒内开始"});
  EXPECT_EQ(vp.lobby.deliveries.back().message.param1, kScMinimize);
  EXPECT_EQ(client.table().seating.SeatCount, 4);
  EXPECT_FALSE(client.table().seating.SeatsAnnounced);
  for (const SeatVoice& v : client.seatVoices()) EXPECT_NE(v.voiceKind, 0) << "voices assigned";
  EXPECT_EQ(client.seatVoices()[2].voiceKind, 2) << "Bob's record says female";
  EXPECT_FALSE(client.view().ButtonLocked[5]);
}

TEST_F(SeatingTest, AvatarCodesPickPortraits) {
  EXPECT_EQ(AvatarNumber("w3"), 12);
  EXPECT_EQ(AvatarNumber("m10"), 9);
  EXPECT_EQ(AvatarNumber("m12"), 0);
  EXPECT_EQ(AvatarNumber("m1"), 0);
  EXPECT_EQ(AvatarNumber("w10"), 19);
  EXPECT_EQ(AvatarNumber("zz"), 0);
  EXPECT_EQ(AvatarNumber("m12345"), 0);
  EXPECT_EQ(AvatarNumber(""), 0);
}

TEST_F(SeatingTest, SeatByteZeroGoesToTheFirstFreePlaceAndToTheLocalOneWhenBothAreTaken) {
  Feed({PlayerInfo(0, {"b", "Bob"})});
  EXPECT_EQ(Caption(el().Nid[1]), "[VIP] Bob");
  Feed({PlayerInfo(0, {"c", "Cat"})});
  EXPECT_EQ(Caption(el().Nid[2]), "[VIP] Cat");
  Feed({PlayerInfo(0, {"d", "Dan"})});
  EXPECT_EQ(Caption(el().Nid[0]), "[VIP] Dan");
}

TEST_F(SeatingTest, TheWealthPanelShowsTheSmallestStake) {
  Feed({PlayerInfo(15, {"a", "A", "m1", 1, 10, 0}), PlayerInfo(0, {"b", "B", "m1", 1, 10, 50}),
        PlayerInfo(0, {"c", "C", "m1", 1, 10, 20})});
  EXPECT_EQ(Caption(el().lbwealth), "20");
  EXPECT_EQ(main().Get(el().lbwealth)->fontSize, 18);
  EXPECT_TRUE(main().Visible(el().Imgwealth));
  EXPECT_EQ(client.table().seating.SmallestStake(), 20);

  Feed({PlayerInfo(0, {"d", "D", "m1", 1, 10, 500}), PlayerInfo(0, {"e", "E", "m1", 1, 10, 200})});
  client.table().seating.SeatStakes = {0, 500, 200, 0};
  Feed({PlayerInfo(0, {"e", "E", "m1", 1, 10, 200})});
  EXPECT_EQ(Caption(el().lbwealth), "200");
  EXPECT_EQ(main().Get(el().lbwealth)->fontSize, 13);
}

TEST_F(SeatingTest, AStakeBeyondTheSignedRangeIsIgnored) {
  Feed({PlayerInfo(0, {"b", "B", "m1", 1, 10, 0x80000000u})});
  EXPECT_EQ(client.table().seating.LastStake, 0);
  EXPECT_FALSE(main().Visible(el().Imgwealth));
}

TEST_F(SeatingTest, ReadyMarksNeedANamedSeatWithANickname) {
  SeatFullTable();
  for (int k = 0; k < 3; ++k) main().Hide(el().OK[k]);
  RecordBytes ready = ServerRecord(23, 0, {0, 0, 0, 1});
  PutText(ready, 16, "b");
  Feed({ready});
  EXPECT_TRUE(main().Visible(el().OK[2]));
  EXPECT_FALSE(main().Visible(el().OK[1]));

  main().SetCaption(el().Nid[1], "");
  RecordBytes silent = ServerRecord(23, 0, {0, 0, 0, 1});
  PutText(silent, 16, "c");
  Feed({silent});
  EXPECT_FALSE(main().Visible(el().OK[1]));

  RecordBytes notReady = ServerRecord(23, 0, {0, 0, 0, 2});
  PutText(notReady, 16, "a");
  Feed({notReady});
  EXPECT_FALSE(main().Visible(el().OK[0]));
}

TEST_F(SeatingTest, TheInformationWindowShowsTheNineValuesWhileThePointerRests) {
  SeatFullTable();
  ElementEvent move;
  move.form = client.view().mainForm();
  move.element = el().Tou[2];
  client.input().OnMouseMove(move);
  const FormId info = client.seating().infoForm();
  ASSERT_NE(info, kNoForm);
  Form& f = client.view().scene().form(info);
  EXPECT_TRUE(f.visible());
  EXPECT_EQ(f.Get(f.Find("lblValue", 0))->caption, "Bob");
  EXPECT_EQ(f.Get(f.Find("lblValue", 1))->caption, "女");
  EXPECT_EQ(f.Get(f.Find("lblCaption", 8))->caption, "败场次数");
  move.element = el().imgDinglan;
  client.input().OnMouseMove(move);
  EXPECT_FALSE(f.visible());
  EXPECT_TRUE(f.frameless);
  EXPECT_EQ(f.title(), "玩家信息") << "named for the desktop, not by its form";

  // It goes with the figures it shows: leaving the table, and a new login.
  move.element = el().Tou[2];
  client.input().OnMouseMove(move);
  ASSERT_TRUE(f.visible());
  Feed({ServerRecord(kCmdLogin, 0, {5, 8, 0, 1})});
  EXPECT_FALSE(f.visible()) << "a new table";
  client.input().OnMouseMove(move);
  ASSERT_TRUE(f.visible());
  ASSERT_EQ(Ask(1024), -1);  // the lobby takes the player away
  EXPECT_FALSE(f.visible());
  client.input().OnMouseMove(move);
  EXPECT_FALSE(f.visible()) << "nobody sits there any more";
}

TEST(SeatInfoRecord, EveryFieldIsReadFromItsOwnBytes) {
  RecordBytes r{};
  PutText(r, 16, "A我b");
  r[47] = 0xC4;  // a lead byte in the last position has no partner
  PutText(r, 48, "w7");
  r[64] = 1;
  r[65] = 2;  // the same bytes are a 64-bit amount
  PutText(r, 72, "北京");
  PutLE(r, 80, 123456789012ULL, 8);
  PutLE(r, 96, 5000, 8);
  PutLE(r, 152, 42, 4);
  PutLE(r, 156, 0x80000001u, 4);  // beyond the signed range: the top byte is not taken
  PutText(r, 168, "acct");
  PutText(r, 184, "会员");
  PutText(r, 210, "27");
  PutText(r, 218, "20");
  const SeatInfo s = DecodeSeatInfo(r);
  EXPECT_EQ(s.nickname, "A我b");
  EXPECT_EQ(s.avatar, "w7");
  EXPECT_EQ(s.gender, 1);
  EXPECT_EQ(s.amount64, 0x0201);
  EXPECT_EQ(s.location, "北京");
  EXPECT_EQ(s.points, 123456789012.0);
  EXPECT_EQ(s.coins, 5000.0);
  EXPECT_EQ(s.logins, 42);
  EXPECT_EQ(s.disconnects, 1);
  EXPECT_EQ(s.accountId, "acct");
  EXPECT_EQ(s.nameTag, "会员");
  EXPECT_EQ(s.voiceLang, "27");
  EXPECT_EQ(s.voiceSet, "20");
  EXPECT_EQ(DecodeSeatInfo(RecordBytes{}).avatar, "m1");
}

TEST_F(SeatingTest, TheSettingsButtonOpensTheSoundDialogAndCancelUndoes) {
  SeatFullTable();
  client.view().ButtonLocked[3] = false;
  ElementEvent click;
  click.form = client.view().mainForm();
  click.element = el().AnNiu[3];
  client.input().OnClick(click);
  const FormId dialog = client.vosSetForm().form();
  ASSERT_NE(dialog, kNoForm);
  Form& f = client.view().scene().form(dialog);
  EXPECT_TRUE(f.visible());
  // Above the lower right corner of the table.
  const Form& main = client.view().main();
  EXPECT_DOUBLE_EQ(f.screenLeft, main.screenLeft + 1024 - 1.1 * f.width());
  EXPECT_DOUBLE_EQ(f.screenTop, main.screenTop + 768 - 1.35 * f.height());
  const bool before = client.sound().SoundOn();
  ElementEvent press;
  press.form = dialog;
  press.element = f.Find("Command2", 2);
  client.input().OnClick(press);
  EXPECT_NE(client.sound().SoundOn(), before);
  EXPECT_EQ(f.GetPicture(press.element),
            client.view().sprites().DialogButtonSprites[client.vosSet().RowPicture(2)]);
  press.element = f.Find("Command1", 1);
  client.input().OnClick(press);
  EXPECT_EQ(client.sound().SoundOn(), before);
  EXPECT_FALSE(f.visible());
}

}  // namespace
}  // namespace korvel
