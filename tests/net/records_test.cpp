#include "net/records.h"

#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "platform/virtual_platform.h"

namespace korvel {
namespace {

class RecordsTest : public ::testing::Test {
 protected:
  RecordsTest() : records(loop, table, vp.socket, vp.log) {}

  // Delivers `record` as the server would and takes it.
  TakenRecord Receive(const RecordBytes& record) {
    EXPECT_TRUE(records.AppendReceived(record));
    EXPECT_TRUE(records.RecordWaiting());
    return records.TakeRecord();
  }
  static RecordBytes Incoming(int command, std::initializer_list<uint8_t> values = {}) {
    RecordBytes r{};
    r[3] = static_cast<uint8_t>(command);
    size_t at = 8;
    for (uint8_t v : values) r[at++] = v;
    return r;
  }
  void ConnectSocket() {
    vp.socket.Connect("h", 1);
    vp.timers.Advance(1);
  }

  VirtualPlatform vp;
  LoopState loop;
  TableModel table;
  Records records;
};

TEST_F(RecordsTest, ValuesAreWrittenAsSixteenBitTwosComplementBigEndian) {
  CommandInfo info;
  info.command = 1;
  info.value = {300, -2, 0, 32767};
  const RecordBytes r = EncodeHeader(info);
  EXPECT_EQ(r[2], 0);
  EXPECT_EQ(r[3], 1);
  EXPECT_EQ(r[8], 1);
  EXPECT_EQ(r[9], 44);
  EXPECT_EQ(r[10], 255);
  EXPECT_EQ(r[11], 254);
  EXPECT_EQ(r[14], 0x7F);
  EXPECT_EQ(r[15], 0xFF);
  EXPECT_EQ(info.value[1], -2) << "the caller's value must not be changed";

  info.command = 300;
  const RecordBytes big = EncodeHeader(info);
  EXPECT_EQ(big[2], 1);
  EXPECT_EQ(big[3], 44);
}

TEST_F(RecordsTest, ReceivedValuesAreBytesExceptInWinReports) {
  Receive(Incoming(6, {1, 44, 255, 254}));
  EXPECT_EQ(records.Rinfo.command, 6);
  EXPECT_EQ(records.Rinfo.value[0], 44);
  EXPECT_EQ(records.Rinfo.value[1], 254);

  Receive(Incoming(kCmdWinReport, {255, 254, 1, 44, 0x80, 0}));
  EXPECT_EQ(records.Rinfo.value[0], -2);
  EXPECT_EQ(records.Rinfo.value[1], 300);
  EXPECT_EQ(records.Rinfo.value[2], -32768);
}

TEST_F(RecordsTest, HeaderKeepsOnlyTheLowNibbleOfTheSeatAndTheLowCommandByte) {
  RecordBytes r = Incoming(5);
  r[2] = 0x7F;  // the high command byte is ignored on receipt
  r[5] = 9;
  r[6] = 0xF4;
  r[7] = 3;
  Receive(r);
  EXPECT_EQ(records.Rinfo.command, 5);
  EXPECT_EQ(records.Rinfo.byte5, 9);
  EXPECT_EQ(records.Rinfo.seat, 4);
  EXPECT_EQ(records.Rinfo.byte7, 3);
}

TEST_F(RecordsTest, EveryRecordSentCarriesTheLatestServerTag) {
  RecordBytes tagged = Incoming(6);
  tagged[260] = 7;
  tagged[261] = 9;
  Receive(tagged);
  records.FollowServerTag();
  CommandInfo info;
  info.command = 24;
  records.SendCommand(info);
  ConnectSocket();
  records.FlushOne();
  ASSERT_EQ(vp.socket.sent.size(), 1u);
  EXPECT_EQ(vp.socket.sent[0][260], 7);
  EXPECT_EQ(vp.socket.sent[0][261], 9);

  // Commands 19 and 29 never reach ReceivedRecord, so the tag stays.
  for (int private_command : {kCmdChat, kCmdPrivate29}) {
    RecordBytes other = Incoming(private_command);
    other[260] = 1;
    other[261] = 2;
    Receive(other);
    records.FollowServerTag();
    EXPECT_EQ(records.ServerTag[0], 7);
    EXPECT_EQ(records.ServerTag[1], 9);
  }
}

TEST_F(RecordsTest, CommandsNineteenAndTwentyNineLeaveReceivedRecordAlone) {
  RecordBytes first = Incoming(6, {0, 5});
  first[100] = 42;
  Receive(first);
  RecordBytes chat = Incoming(kCmdChat);
  chat[16] = 'h';
  chat[17] = 'i';
  TakenRecord taken = Receive(chat);
  EXPECT_EQ(taken.extra, TakenRecord::Extra::Chat);
  EXPECT_EQ(taken.text, "hi");
  taken = Receive(Incoming(kCmdPrivate29, {0, 1}));
  EXPECT_EQ(records.ReceivedRecord[3], 6);
  EXPECT_EQ(records.ReceivedRecord[100], 42);
  EXPECT_EQ(records.Rinfo.command, kCmdPrivate29) << "the header is still decoded";
  ASSERT_NE(taken.privateCopy, nullptr);
  EXPECT_EQ((*taken.privateCopy)[3], kCmdPrivate29);
}

TEST_F(RecordsTest, ChatRecordsOfLength272Or260AreNeverShownAsChat) {
  for (uint32_t length : {272u, 260u, 0u}) {
    RecordBytes r = Incoming(kCmdChat);
    r[16] = 'x';
    r[236] = static_cast<uint8_t>(length >> 24);
    r[237] = static_cast<uint8_t>(length >> 16);
    r[238] = static_cast<uint8_t>(length >> 8);
    r[239] = static_cast<uint8_t>(length);
    TakenRecord taken = Receive(r);
    if (length == 0) {
      EXPECT_EQ(taken.extra, TakenRecord::Extra::Chat);
    } else {
      EXPECT_EQ(taken.extra, TakenRecord::Extra::PropMessage) << length;
      ASSERT_NE(taken.privateCopy, nullptr);
      EXPECT_EQ((*taken.privateCopy)[16], 'x');
    }
  }
}

TEST_F(RecordsTest, ReceivedChatDecodesGbkAndStopsInsideItsField) {
  RecordBytes r = Incoming(kCmdChat);
  const std::string gbk = Utf8ToGbk("你好, ok");
  std::copy(gbk.begin(), gbk.end(), r.begin() + 16);
  EXPECT_EQ(Receive(r).text, "你好, ok");

  // A lead byte in the last position of the 200-byte field must not pull in byte 216.
  RecordBytes edge = Incoming(kCmdChat);
  std::fill(edge.begin() + 16, edge.begin() + 215, 'a');
  edge[215] = 0xC4;
  edge[216] = 0xE3;
  const std::string text = Receive(edge).text;
  EXPECT_EQ(text, std::string(199, 'a') + std::string(kReplacementChar));
}

TEST_F(RecordsTest, SeatAnnouncementCarriesTheNameOfTheAnnouncedSeat) {
  RecordBytes r = Incoming(kCmdSeatAnnounce);
  r[6] = 4;
  const std::string name = "sixteen-chars-ab";
  std::copy(name.begin(), name.end(), r.begin() + 16);
  r[32] = 'X';  // beyond the 16-byte field
  TakenRecord taken = Receive(r);
  EXPECT_EQ(taken.extra, TakenRecord::Extra::SeatName);
  EXPECT_EQ(taken.seatIndex, 2);
  EXPECT_EQ(taken.text, name);
}

TEST_F(RecordsTest, SeatAnnouncementForASeatBeyondTheThirdCarriesNoName) {
  for (uint8_t seat : {8, 9, 15, 0x78}) {
    RecordBytes r = Incoming(kCmdSeatAnnounce);
    r[6] = seat;
    r[16] = 'z';
    TakenRecord taken = Receive(r);
    EXPECT_EQ(taken.extra, TakenRecord::Extra::None) << int{seat};
    EXPECT_TRUE(taken.text.empty());
  }
  EXPECT_TRUE(vp.log.Contains("no such seat"));
}

TEST_F(RecordsTest, ChatIsCutToOneHundredCharactersAndDoubleByteTextTakesTwoBytes) {
  CommandInfo info;
  info.command = kCmdChat;
  records.SendCommand(info);
  EXPECT_EQ(records.QueuedBytes(), 0u) << "no chat record without text";

  records.PendingChat = std::string(150, 'z');
  records.SendCommand(info);
  records.PendingChat = "中文ab";
  records.SendCommand(info);
  std::string many;
  for (int i = 0; i < 120; ++i) many += "汉";
  records.PendingChat = many;
  records.SendCommand(info);
  EXPECT_TRUE(records.PendingChat.empty());

  ConnectSocket();
  for (int i = 0; i < 3; ++i) records.FlushOne();
  ASSERT_EQ(vp.socket.sent.size(), 3u);
  const auto& plain = vp.socket.sent[0];
  EXPECT_EQ(plain[16 + 99], 'z');
  EXPECT_EQ(plain[16 + 100], 0);
  const auto& mixed = vp.socket.sent[1];
  EXPECT_EQ(mixed[16], 0xD6);  // 中 in GBK
  EXPECT_EQ(mixed[17], 0xD0);
  EXPECT_EQ(mixed[20], 'a');
  const auto& wide = vp.socket.sent[2];
  EXPECT_EQ(wide[16 + 199], 0xBA);  // trail byte of the 100th 汉
  EXPECT_EQ(wide[16 + 200], 0);
}

TEST_F(RecordsTest, OnlyTheFirstOperationAfterAReadyDeclarationCarriesTheMark) {
  table.state.ReadyDeclared = true;
  CommandInfo info;
  info.command = kCmdOperation;
  records.SendCommand(info);
  records.SendCommand(info);
  ConnectSocket();
  records.FlushOne();
  records.FlushOne();
  ASSERT_EQ(vp.socket.sent.size(), 2u);
  EXPECT_EQ(vp.socket.sent[0][16], 1);
  EXPECT_EQ(vp.socket.sent[0][17], 0);
  EXPECT_EQ(vp.socket.sent[1][16], 0);
  EXPECT_TRUE(table.state.ReadyListSent);
}

TEST_F(RecordsTest, QueuedRecordsWaitForTheSocketAndLeaveInOrder) {
  CommandInfo info;
  for (int c = 1; c <= 3; ++c) {
    info.command = static_cast<int16_t>(c);
    records.SendCommand(info);
  }
  EXPECT_TRUE(loop.LoopFlag[kStepFlush]);
  records.FlushOne();
  EXPECT_FALSE(loop.LoopFlag[kStepFlush]) << "sending switches itself off while disconnected";
  EXPECT_EQ(records.QueuedBytes(), 3 * kRecordSize);

  ConnectSocket();
  loop.Arm(kStepFlush);
  for (int i = 0; i < 4; ++i) records.FlushOne();
  ASSERT_EQ(vp.socket.sent.size(), 3u);
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(vp.socket.sent[c - 1][3], c);
  EXPECT_FALSE(loop.LoopFlag[kStepFlush]);
}

TEST_F(RecordsTest, AFullSendRingRefusesNewRecordsInsteadOfOverwriting) {
  CommandInfo info;
  int accepted = 0;
  for (int i = 0; i < 200; ++i) {
    info.command = 1;
    info.value[0] = static_cast<int16_t>(i);
    RecordBytes r = EncodeHeader(info);
    accepted += records.QueueRecord(r);
  }
  EXPECT_EQ(accepted, 127);
  EXPECT_EQ(records.refusedRecords, 73u);
  EXPECT_TRUE(vp.log.Contains("send ring full"));
  ConnectSocket();
  for (int i = 0; i < 200; ++i) records.FlushOne();
  ASSERT_EQ(vp.socket.sent.size(), 127u);
  for (int i = 0; i < 127; ++i) EXPECT_EQ(vp.socket.sent[i][9], i) << "record " << i;
}

TEST_F(RecordsTest, ReceiveRingOverflowsAt34816WaitingBytes) {
  const std::vector<uint8_t> chunk(kRingSize - 1, 0);
  EXPECT_TRUE(records.AppendReceived(chunk));
  const uint8_t one = 0;
  EXPECT_FALSE(records.AppendReceived(std::span(&one, 1)));
}

TEST_F(RecordsTest, RecordsSplitAcrossArrivalsAreTakenWhole) {
  RecordBytes r = Incoming(6, {0, 9});
  records.AppendReceived(std::span(r).first(100));
  EXPECT_FALSE(records.RecordWaiting());
  records.AppendReceived(std::span(r).subspan(100));
  ASSERT_TRUE(records.RecordWaiting());
  records.TakeRecord();
  EXPECT_EQ(records.Rinfo.value[0], 9);
  // Many records in a row wrap the ring without losing a byte.
  for (int round = 0; round < 300; ++round) {
    RecordBytes next = Incoming(6, {0, static_cast<uint8_t>(round)});
    records.AppendReceived(next);
    records.TakeRecord();
    ASSERT_EQ(records.Rinfo.value[0], round & 0xFF);
  }
}

TEST_F(RecordsTest, HeldPropRecordsWaitForTheNextDeal) {
  table.players[0].seatMask = 2;
  records.ArmHeld();
  ConnectSocket();
  auto prop = [&](int v) {
    RecordBytes r{};
    r[3] = kCmdProp;
    r[8] = static_cast<uint8_t>((v * 8) >> 8);
    r[9] = static_cast<uint8_t>((v * 8) & 0xFF);
    records.QueueRecord(r);
    records.FlushOne();
  };
  prop(129);  // held in slot 1
  prop(129);  // flag cleared: sent
  prop(386);  // held in slot 2 between deals
  EXPECT_EQ(vp.socket.sent.size(), 1u);
  EXPECT_EQ(records.HeldRecord1[3], kCmdProp);
  EXPECT_EQ(records.HeldRecord2[3], kCmdProp);

  records.ServerTag = {3, 4};
  records.ReleaseHeld();
  EXPECT_EQ(records.HeldRecord1[3], 0);
  EXPECT_EQ(records.HeldRecord2[3], 0);
  records.FlushOne();
  records.FlushOne();
  ASSERT_EQ(vp.socket.sent.size(), 3u);
  EXPECT_EQ(vp.socket.sent[1][6], 2) << "stamped with the local seat";
  EXPECT_EQ(vp.socket.sent[1][260], 3) << "and the tag current at release";
  EXPECT_EQ(vp.socket.sent[1][261], 4);
}

TEST_F(RecordsTest, ASecondHoldWaitsWhileADealIsInProgress) {
  records.ArmHeld();
  loop.InDeal = true;
  ConnectSocket();
  RecordBytes r{};
  r[3] = kCmdProp;
  r[8] = (386 * 8) >> 8;
  r[9] = (386 * 8) & 0xFF;
  records.QueueRecord(r);
  records.FlushOne();
  EXPECT_EQ(vp.socket.sent.size(), 1u);
  EXPECT_TRUE(records.Hold2Armed);
}

TEST(LoginRecord, HoldsTheUserIdAndKeyAndRefusesWhatDoesNotFit) {
  LoginRecordResult login = BuildLoginRecord("alice", "k3y");
  ASSERT_TRUE(login.ok);
  EXPECT_EQ(login.record[3], 18);
  EXPECT_EQ(login.record[14], 1);
  EXPECT_EQ(login.record[16], 'a');
  EXPECT_EQ(login.record[20], 'e');
  EXPECT_EQ(login.record[21], 0);
  EXPECT_EQ(login.record[32], 'k');
  EXPECT_EQ(login.record[34], 'y');
  int nonzero = 0;
  for (uint8_t b : login.record) nonzero += b != 0;
  EXPECT_EQ(nonzero, 2 + 5 + 3);

  EXPECT_TRUE(BuildLoginRecord(std::string(16, 'u'), std::string(240, 'k')).ok);
  EXPECT_FALSE(BuildLoginRecord(std::string(17, 'u'), "k").ok);
  EXPECT_FALSE(BuildLoginRecord("u", std::string(241, 'k')).ok);
  EXPECT_FALSE(BuildLoginRecord("用户", "k").ok);
}

TEST_F(RecordsTest, ReconnectKeyIsReadLittleEndianFromTheTrailer) {
  RecordBytes r = Incoming(16);
  r[268] = 0x78;
  r[269] = 0x56;
  r[270] = 0x34;
  r[271] = 0x12;
  Receive(r);
  records.SetReconnectKeyFromReceived();
  EXPECT_EQ(records.ReconnectKey, 0x12345678);
}

}  // namespace
}  // namespace korvel
