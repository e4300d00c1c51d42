// The two message lines and the shuffle notice, on a view of their own.
#include "view/message_lines.h"

#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "platform/notices.h"
#include "support/table_parts.h"
#include "view/shuffle_display.h"

namespace korvel {
namespace {

class MessageLinesTest : public ::testing::Test {
 protected:
  std::vector<std::string> Shown(int list) {
    return parts.view.main().Get(parts.view.el.Sysmsg[list])->lines;
  }
  testing::TableParts parts;
  MessageLines& lines = parts.messages;
};

TEST_F(MessageLinesTest, AChatLineFillsTheFreeLineThenPushesTheOlderOneUp) {
  lines.ShowMessageLine("one");
  EXPECT_EQ(Shown(0), std::vector<std::string>{"one"});
  EXPECT_TRUE(Shown(1).empty());
  lines.ShowMessageLine("two");
  EXPECT_EQ(Shown(1), std::vector<std::string>{"two"});
  lines.ShowMessageLine("three");
  EXPECT_EQ(Shown(0), std::vector<std::string>{"two"});
  EXPECT_EQ(Shown(1), std::vector<std::string>{"three"});
  std::string longLine;
  for (int i = 0; i < 60; ++i) longLine += "好";
  lines.ShowMessageLine(longLine);
  EXPECT_EQ(Utf8Length(lines.Lines(1).back()), 45u) << "cut between characters";
  EXPECT_EQ(parts.vp.log.lines.back().rfind("system: ", 0), 0u) << "every line is logged";
}

TEST_F(MessageLinesTest, TheDealStartTakesOnlyTheNoticesBetweenDealsAway) {
  lines.Add(0, kContinuePrompt);
  lines.Add(0, "B说道: 你好");
  lines.Add(1, StartNotice(15));
  lines.DropStartNotices();
  EXPECT_EQ(lines.Lines(0), std::vector<std::string>{"B说道: 你好"});
  EXPECT_EQ(Shown(0), std::vector<std::string>{"B说道: 你好"});
  EXPECT_TRUE(lines.Lines(1).empty());
  EXPECT_TRUE(Shown(1).empty());
}

TEST(ShuffleDisplayTest, TheDotsStepEveryThreeHundredMillisecondsUntilReset) {
  testing::TableParts parts;
  ShuffleDisplay shuffle(parts.view, parts.vp.timers, parts.loop);
  Form& f = parts.view.main();
  const ElementId label = parts.view.el.LblShuffle;
  shuffle.Start();
  EXPECT_TRUE(f.Visible(label));
  EXPECT_EQ(f.Get(label)->caption, "正在随机换座中..");
  parts.vp.timers.Advance(300);
  EXPECT_EQ(f.Get(label)->caption, "正在随机换座中...");
  parts.vp.timers.Advance(900);
  EXPECT_EQ(f.Get(label)->caption, "正在随机换座中..") << "four steps and round again";
  shuffle.Reset();
  EXPECT_FALSE(f.Visible(label));
  parts.vp.timers.Advance(600);
  EXPECT_EQ(f.Get(label)->caption, "正在随机换座中..") << "the timer stopped";
}

}  // namespace
}  // namespace korvel
