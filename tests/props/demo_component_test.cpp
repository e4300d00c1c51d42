// The demonstration component, as a player meets it at the table: the bank button lists the
// props, F2 and F3 give them to the seats beside, other seats' gifts arrive from the server, and
// a box is offered at the end of the first deal.
#include <gtest/gtest.h>

#include <filesystem>

#include "props/props_fixture.h"
#include "settlement/settlement_records.h"

namespace korvel {
namespace {

using testing::LocalPlayerInfo;
using testing::ServerRecord;

class DemoComponent : public testing::ClientFixture {
 protected:
  void SetUp() override {
#ifndef KORVEL_DEMO_PLUGIN
    GTEST_SKIP() << "built without KORVEL_DEMO_PROPS";
#else
    vp.files.appDir =
        std::filesystem::path(KORVEL_DEMO_PLUGIN).parent_path().parent_path().parent_path();
    vp.files.userDir = userFiles.path();
    ASSERT_TRUE(Start(testing::PropsFields()));
    ASSERT_EQ(Run(200), -1);
    Deliver(ServerRecord(kCmdLogin, 0, {5, 0x08, 0, 1}));
    Deliver(LocalPlayerInfo());
    ASSERT_EQ(Run(300), -1);
    ASSERT_EQ(client.props().PropsActive, 2);
    // Bob sits on the left with mask 4, Cat on the right with mask 2.
    const char* names[3] = {"我", "Bob", "Cat"};
    const char* accounts[3] = {"a", "b", "c"};
    const int masks[3] = {1, 4, 2};
    for (int v = 0; v < 3; ++v) {
      PlayerRecord& p = client.table().players[v];
      p.seatMask = static_cast<uint8_t>(masks[v]);
      p.name = accounts[v];
      client.table().seatInfo[v].nickname = names[v];
      client.table().seatInfo[v].coins = 1000;
      client.props().SetUserinfo(client.table().seatInfo[v], p, v);
    }
    vp.socket.sent.clear();
#endif
  }
  void Key(int code) {
    client.input().OnKeyDown(client.view().mainForm(), client.view().el.pic1, code, 0);
    ASSERT_EQ(Run(100), -1);
  }
  const std::string& LastHistory() { return client.chat().History().back(); }
  const Element* Caption() { return client.view().main().Get(client.view().el.LbProp); }
  testing::ScratchFolder userFiles;
};

TEST_F(DemoComponent, PropsAreListedGivenToTheSeatsBesideAndToldToTheServer) {
  ElementEvent bank;
  bank.form = client.view().mainForm();
  bank.element = client.view().el.Bank;
  bank.button = kLeftButton;
  client.input().OnClick(bank);
  ASSERT_EQ(Run(100), -1);
  const auto& history = client.chat().History();
  ASSERT_GE(history.size(), 2u);
  EXPECT_EQ(history[history.size() - 2], "【道具仓库】鲜花×3，鸡蛋×3");

  Key(kKeyF1 + 1);
  EXPECT_EQ(LastHistory(), "你送给Cat一朵鲜花（还剩2）");
  EXPECT_TRUE(Caption()->visible);
  EXPECT_EQ(Caption()->caption, "送花！");
  ASSERT_EQ(vp.socket.sent.size(), 1u);
  const auto& use = vp.socket.sent[0];
  EXPECT_EQ(use[3], 45);
  EXPECT_EQ(use[6], 1);
  EXPECT_EQ(use[9], 1);
  EXPECT_EQ(use[11], 2);

  Key(kKeyF1 + 2);
  EXPECT_EQ(LastHistory(), "你扔给Bob一个鸡蛋（还剩2）");
  ASSERT_EQ(Run(3000), -1);
  EXPECT_FALSE(Caption()->visible) << "the caption goes after its frames";
}

TEST_F(DemoComponent, AGiftFromAnotherSeatIsAnnounced) {
  RecordBytes gift = ServerRecord(45, 4, {1, 1});
  Deliver(gift);
  ASSERT_EQ(Run(200), -1);
  EXPECT_EQ(LastHistory(), "Bob送给你一朵鲜花");
  EXPECT_EQ(Caption()->caption, "收到鲜花！");
}

TEST_F(DemoComponent, TheFirstDealEndsWithABoxForTheLocalPlayer) {
  Deliver(testing::NoticeRecord(7, 0, 1, 0));
  Deliver(ServerRecord(46));
  ASSERT_EQ(Run(300), -1);
  PropDisplay& display = client.props().display();
  ASSERT_TRUE(display.BoxCountdownOn);
  const Form& f = client.view().main();
  for (int k = 0; k < 5; ++k) {
    EXPECT_TRUE(f.Visible(f.Find("ImgProp", k)));
    EXPECT_EQ(f.GetPicture(f.Find("ImgProp", k)), kClosedBoxPicture);
  }
  ASSERT_EQ(Run(8000), -1);
  EXPECT_TRUE(client.view().scene().form(client.settlement().board().form).visible());
  EXPECT_EQ(LastHistory(), "获得鸡蛋×1");
  Key(kKeyF1 + 1);
  EXPECT_EQ(LastHistory(), "你送给Cat一朵鲜花（还剩4）");
}

}  // namespace
}  // namespace korvel
