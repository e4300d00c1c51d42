// Typed chat, private messages, the throttle, the filter, the history, phrases and balloons.
#include "chat/table_chat.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/gbk.h"
#include "support/client_fixture.h"
#include "support/table_parts.h"

namespace korvel {
namespace {

using testing::ClientFixture;

TEST(ChatFilter, RemovesTheWordsWholeAndOnlyExactly) {
  EXPECT_EQ(TableChat::FilterChat("这是他妈的好牌"), "这是好牌");
  EXPECT_EQ(TableChat::FilterChat("婊子养的"), "");
  EXPECT_EQ(TableChat::FilterChat("SHIT happens"), "SHIT happens");
  EXPECT_EQ(TableChat::FilterChat("shitshit ok"), " ok");
}

// A folder of its own for each test, holding a phrase file with two phrases in list 1.
struct PhraseFolder {
  PhraseFolder()
      : path(std::filesystem::temp_directory_path() /
             ("korvel-chat-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
              ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::create_directories(path);
    std::ofstream(path / "chat.ini", std::ios::binary)
        << Utf8ToGbk("[Phrase1]\nnum=2\n1=你好\n2=再见\n[Phrase2]\nnum=0\n");
  }
  ~PhraseFolder() { std::filesystem::remove_all(path); }
  std::string string() const { return path.string(); }
  std::filesystem::path operator/(const char* name) const { return path / name; }
  std::filesystem::path path;
};

// A at the local seat and B at the left one.
void SeatAAndB(TableModel& table) {
  table.players[0].seatMask = 1;
  table.players[1].seatMask = 4;
  table.seatInfo[0].nickname = "A";
  table.seatInfo[1].nickname = "B";
}

// The chat alone, on the parts below it: no client, no login, no loop.
class ChatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vp.files.appDir = dir.string();
    chat.ChatAllowed = true;
    parts.loop.TableActive = true;  // seated, as after the login
    SeatAAndB(parts.table);
  }
  void Type(const std::string& text) {
    parts.view.main().SetCaption(parts.view.el.Chat, text);
    chat.OnEntryChanged();
  }
  void Enter() {
    chat.SendTyped();
    parts.Flush();
  }
  int Run(int64_t ms) {
    vp.timers.Advance(ms);
    parts.Flush();
    return -1;
  }
  std::string SentText(size_t i) const {
    const auto& r = vp.socket.sent.at(i);
    return GbkToUtf8(std::span(r).subspan(16, 200), true);
  }
  std::vector<int> SentCommands() const {
    std::vector<int> commands;
    for (const auto& r : vp.socket.sent) commands.push_back(r[3]);
    return commands;
  }

  testing::TableParts parts;
  VirtualPlatform& vp = parts.vp;
  TableChat chat{parts.table,   parts.loop, parts.settings, parts.view,
                 parts.records, vp.timers,  vp.files};
  PhraseFolder dir;
};

class ChatClientTest : public ClientFixture {
 protected:
  void SetUp() override {
    vp.files.appDir = dir.string();
    LogIn();
    SeatAAndB(client.table());
  }
  void Type(const std::string& text) {
    client.view().main().SetCaption(client.view().el.Chat, text);
    client.chat().OnEntryChanged();
  }
  void Enter() {
    client.chat().SendTyped();
    ASSERT_EQ(Run(100), -1);
  }
  std::string SentText(size_t i) const {
    const auto& r = vp.socket.sent.at(i);
    return GbkToUtf8(std::span(r).subspan(16, 200), true);
  }

  PhraseFolder dir;
};

TEST_F(ChatTest, TwoMessagesWithin800MsSendOneAndWarn) {
  Type("hi");
  Enter();
  Type("again");
  Enter();
  ASSERT_EQ(SentCommands(), std::vector<int>{19});
  EXPECT_EQ(SentText(0), "A说道: hi");
  EXPECT_EQ(chat.History().back(), "（发送消息太快！）");
  ASSERT_EQ(Run(800), -1);
  Type("later");
  Enter();
  EXPECT_EQ(SentCommands(), (std::vector<int>{19, 19}));
}

TEST_F(ChatTest, AnEmptyEnterStillUsesTheThrottle) {
  Type("");
  Enter();
  Type("now");
  Enter();
  EXPECT_TRUE(vp.socket.sent.empty());
}

TEST_F(ChatTest, APrivateMessageTravelsInTheSendersNameToItsSeat) {
  chat.Whisper(1);
  EXPECT_EQ(chat.WhisperPrefix, "你对B说: ");
  Type("你对B说: hi");
  Enter();
  ASSERT_EQ(vp.socket.sent.size(), 1u);
  EXPECT_EQ(SentText(0), "A对B说: hi");
  EXPECT_EQ(vp.socket.sent[0][11], 4) << "value(1) is the addressee's mask";
  EXPECT_TRUE(chat.WhisperPrefix.empty());
}

TEST_F(ChatTest, DeletingIntoThePrefixDropsItWhole) {
  chat.Whisper(1);
  Type("你对B说:");  // one backspace into the prefix
  EXPECT_TRUE(chat.WhisperPrefix.empty());
  EXPECT_EQ(parts.view.main().Get(parts.view.el.Chat)->caption, "");
}

TEST_F(ChatTest, PhrasesComeFromTheFileAndIgnoreTheThrottle) {
  EXPECT_EQ(chat.QuickPhrase(1, 1), "再见");
  EXPECT_EQ(chat.QuickPhrase(2, 0), "") << "num=0 gives an empty list";
  EXPECT_EQ(chat.QuickPhrase(1, 5), "");
  Type("typed");
  Enter();
  chat.SendPhrase(1, 1);
  ASSERT_EQ(Run(100), -1);
  ASSERT_EQ(vp.socket.sent.size(), 2u);
  EXPECT_EQ(SentText(1), "A说道: 再见");
  EXPECT_EQ(vp.socket.sent[1][9], 1);
  EXPECT_EQ(vp.socket.sent[1][15], 2);
}

TEST_F(ChatTest, TheHistoryWrapsAtFortySixUnitsWithALeadingBlank) {
  chat.AddHistory(std::string(50, 'x'));
  ASSERT_EQ(chat.History().size(), 2u);
  EXPECT_EQ(chat.History()[0], std::string(46, 'x'));
  EXPECT_EQ(chat.History()[1], " xxxx");
  std::string wide;
  for (int i = 0; i < 30; ++i) wide += "好";
  chat.AddHistory(wide);
  EXPECT_EQ(Utf8Length(chat.History()[2]), 23u);
}

TEST_F(ChatTest, ThePlayersOwnPhrasesComeBeforeTheShippedOnes) {
  for (const bool ownFile : {false, true}) {
    const auto shipped = dir / "share";
    const auto own = dir / (ownFile ? "config" : "empty-config");
    std::filesystem::create_directories(shipped);
    std::filesystem::create_directories(own);
    std::ofstream(shipped / "chat.ini", std::ios::binary)
        << Utf8ToGbk("[Phrase1]\nnum=1\n1=快点吧\n");
    if (ownFile) {
      std::ofstream(own / "chat.ini", std::ios::binary) << Utf8ToGbk("[Phrase1]\nnum=1\n1=我的\n");
    }
    testing::TableParts fresh;
    fresh.vp.files.dataDir = shipped.string();
    fresh.vp.files.userDir = own.string();
    TableChat freshChat(fresh.table, fresh.loop, fresh.settings, fresh.view, fresh.records,
                        fresh.vp.timers, fresh.vp.files);
    EXPECT_EQ(freshChat.QuickPhrase(1, 0), ownFile ? "我的" : "快点吧");
  }
}

TEST_F(ChatTest, BlanksAloneOrAPrefixWithBlanksAreNotSent) {
  Type("    ");
  Enter();
  ASSERT_EQ(Run(800), -1);
  chat.Whisper(1);
  Type("你对B说:    ");
  Enter();
  EXPECT_TRUE(vp.socket.sent.empty());
  EXPECT_EQ(parts.view.main().Get(parts.view.el.Chat)->caption, "") << "the box empties";
  ASSERT_EQ(Run(800), -1);
  Type("  hi ");
  Enter();
  ASSERT_EQ(vp.socket.sent.size(), 1u);
  EXPECT_EQ(SentText(0), "A说道:   hi ") << "a message keeps its own blanks";
}

TEST_F(ChatTest, WhatIsTypedAfterARefusedMessageIsKeptWhole) {
  chat.Whisper(1);
  Type("你对B说: one");
  Enter();
  chat.Whisper(1);
  Type("你对B说: two");
  Enter();  // too fast: refused, the box emptied with the prefix still set
  Type("h");
  Type("hi");
  EXPECT_EQ(parts.view.main().Get(parts.view.el.Chat)->caption, "hi")
      << "typing into the emptied box is not taken for deleting into the prefix";
}

TEST_F(ChatTest, TextTypedInFrontOfThePrefixGoesBehindItAndThePrefixStays) {
  chat.Whisper(1);
  Type("x你对B说: hi");
  EXPECT_EQ(chat.WhisperPrefix, "你对B说: ");
  EXPECT_EQ(parts.view.main().Get(parts.view.el.Chat)->caption, "你对B说: xhi");
  Enter();
  ASSERT_EQ(vp.socket.sent.size(), 1u);
  EXPECT_EQ(SentText(0), "A对B说: xhi");
  EXPECT_EQ(vp.socket.sent[0][11], 4);
}

TEST_F(ChatTest, ALongMessageIsCutToAHundredCharactersBetweenCharacters) {
  std::string text;
  for (int i = 0; i < 150; ++i) text += "好";
  Type(text);
  Enter();
  ASSERT_EQ(vp.socket.sent.size(), 1u);
  const std::string sent = SentText(0);
  EXPECT_EQ(Utf8Length(sent), 100u);
  EXPECT_EQ(sent.substr(sent.size() - 3), "好") << "the last character is whole";
  const auto& r = vp.socket.sent[0];
  EXPECT_EQ(r[16 + 1 + 4 + 2 + 96 * 2], 0) << "nothing after the hundredth character";
}

TEST_F(ChatClientTest, AReceivedPhraseFadesInABalloonThatIsReused) {
  client.table().progress.GameRunning = true;
  RecordBytes r = testing::ServerRecord(19, 4, {1, 0, 0, 1});
  const std::string gbk = Utf8ToGbk("B说道: 你好");
  std::copy(gbk.begin(), gbk.end(), r.begin() + 16);
  Deliver(r);
  ASSERT_EQ(Run(100), -1);
  const FormId balloon = client.chat().balloonForm(1);
  ASSERT_NE(balloon, kNoForm);
  Form& f = client.view().scene().form(balloon);
  EXPECT_EQ(f.Get(f.Find("labPhrase"))->caption, "你好");
  ASSERT_EQ(Run(300), -1);
  EXPECT_GT(f.windowOpacity, 0);
  Deliver(r);
  ASSERT_EQ(Run(100), -1);
  EXPECT_EQ(client.chat().balloonForm(1), balloon) << "the seat's balloon is reused";
  ASSERT_EQ(Run(10000), -1);
  EXPECT_FALSE(f.visible());
  EXPECT_EQ(f.Get(f.Find("labPhrase"))->caption, "");
}

TEST_F(ChatClientTest, AWatcherSendsNothingFromTheBoxOrTheSendButton) {
  client.settings().Spectator = true;
  Type("hello");
  Enter();
  client.frame().PressButton(kButtonSend);
  ASSERT_EQ(Run(100), -1);
  EXPECT_TRUE(vp.socket.sent.empty());
}

TEST_F(ChatClientTest, TheHistoryKeepsItsNewestLineInViewAndEmptiesPastItsLimit) {
  for (int i = 0; i < 40; ++i) client.chat().AddHistory("line " + std::to_string(i));
  client.chat().ToggleHistory();
  Form& talk = client.view().scene().form(client.chat().historyForm());
  const ElementId list = talk.Find("Text1");
  EXPECT_GT(talk.Get(list)->topLine, 0);
  EXPECT_EQ(talk.Get(list)->topLine, talk.ListLastTop(list));
  client.chat().AddHistory("newest");
  EXPECT_EQ(talk.Get(list)->topLine, talk.ListLastTop(list)) << "follows each new line";
  talk.WheelList(list, 2);
  EXPECT_EQ(talk.Get(list)->topLine, talk.ListLastTop(list) - 6) << "scrolling back works";
  for (int i = 0; i < 61; ++i) client.chat().AddHistory("more");
  ASSERT_GT(client.chat().History().size(), 100u);
  client.input().OnKeyDown(client.view().mainForm(), client.view().el.Chat, 'X', 0);
  EXPECT_TRUE(client.chat().History().empty());
  EXPECT_TRUE(talk.Get(list)->lines.empty());
  EXPECT_EQ(talk.Get(list)->topLine, 0);
}

TEST_F(ChatClientTest, TheHistoryFirstOpensOverTheLowerMiddleAndStaysWhereItIsPut) {
  Form& main = client.view().main();
  main.PlaceOnScreen(100, 50);
  client.chat().ToggleHistory();
  Form& talk = client.view().scene().form(client.chat().historyForm());
  EXPECT_DOUBLE_EQ(talk.screenLeft, 100 + 0.3 * main.width());
  EXPECT_DOUBLE_EQ(talk.screenTop, 50 + 0.66 * main.height());
  client.chat().ToggleHistory();
  talk.PlaceOnScreen(5, 6);
  client.chat().ToggleHistory();
  EXPECT_TRUE(talk.visible());
  EXPECT_DOUBLE_EQ(talk.screenLeft, 5);
  EXPECT_DOUBLE_EQ(talk.screenTop, 6);
}

class BalloonTest : public ChatClientTest {
 protected:
  void SetUp() override {
    ChatClientTest::SetUp();
    client.table().progress.GameRunning = true;
  }
  void Phrase(int seatMask) {
    RecordBytes r = testing::ServerRecord(19, seatMask, {1, 0, 0, 1});
    const std::string gbk = Utf8ToGbk("B说道: 你好");
    std::copy(gbk.begin(), gbk.end(), r.begin() + 16);
    Deliver(r);
    ASSERT_EQ(Run(100), -1);
  }
  void Resize(bool minimised) {
    client.view().main().SetMinimised(minimised);
    client.input().OnFormResize(client.view().mainForm(), minimised);
  }
  Form& Balloon(ViewPos v) { return client.view().scene().form(client.chat().balloonForm(v)); }
};

TEST_F(BalloonTest, ABalloonIsCutToItsPictureAndNeverTakesTheKeyboard) {
  Phrase(4);
  Form& f = Balloon(1);
  EXPECT_TRUE(f.frameless);
  EXPECT_FALSE(f.takesFocus);
  ASSERT_NE(f.shapedBy, kNoElement);
  EXPECT_EQ(f.Get(f.shapedBy)->picture, kPicSpeak);
  const Element& text = *f.Get(f.Find("labPhrase"));
  EXPECT_TRUE(text.wrap) << "a long phrase takes a second line rather than being cut";
  EXPECT_EQ(f.lastFocusRequest, kNoElement);
  EXPECT_EQ(client.view().main().lastFocusRequest, kNoElement)
      << "a phrase arriving does not move the keyboard";
  // Another seat's phrase has a balloon of its own; the first keeps its text.
  Phrase(2);
  ASSERT_NE(client.chat().balloonForm(2), client.chat().balloonForm(1));
  EXPECT_EQ(Balloon(2).title(), "2speak");
  EXPECT_EQ(f.title(), "1speak");
  EXPECT_EQ(text.caption, "你好");
  EXPECT_TRUE(f.visible());
  EXPECT_TRUE(Balloon(2).visible());
}

TEST_F(BalloonTest, MinimisingHidesTheBalloonsAndRestoringBringsBackOnlyThoseStillFading) {
  Phrase(4);
  Form& left = Balloon(1);
  ASSERT_TRUE(left.visible());
  Resize(true);
  EXPECT_FALSE(left.visible());
  ASSERT_EQ(Run(1000), -1);
  Resize(false);
  EXPECT_TRUE(left.visible()) << "still fading: back with the window";
  EXPECT_EQ(client.view().main().lastFocusRequest, client.view().el.Chat)
      << "restoring gives the chat box the keyboard";

  // The boss key takes them away with the table.
  client.input().OnKeyDown(client.view().mainForm(), kNoElement, kKeyF1, 0);
  EXPECT_FALSE(left.visible());
  Resize(false);
  EXPECT_TRUE(left.visible());

  Phrase(2);  // the right seat, then everything fades out while minimised
  Form& right = Balloon(2);
  Resize(true);
  ASSERT_EQ(Run(10000), -1);
  Resize(false);
  EXPECT_FALSE(left.visible());
  EXPECT_FALSE(right.visible()) << "a balloon that faded out while hidden stays away";
}

TEST_F(BalloonTest, APhraseSentGivesTheKeyboardBackToTheChatBox) {
  client.chat().TogglePhrases(1);
  client.chat().SendPhrase(1, 0);
  EXPECT_EQ(client.view().main().lastFocusRequest, client.view().el.Chat);
  EXPECT_FALSE(client.view().scene().form(client.chat().phraseForm()).visible());
}

}  // namespace
}  // namespace korvel
