// The caption of a box opening: the amounts the seats won counting up frame by frame, then the
// result, which also goes to the chat history and the message area.
#include <algorithm>
#include <cmath>

#include "platform/gbk.h"
#include "platform/ports.h"
#include "props/prop_display.h"
#include "props/prop_text.h"
#include "settlement/amount_text.h"
#include "settlement/settlement.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr const char* kLineBreak = "\r\n";
constexpr const char* kCoins = "金币";
constexpr uint32_t kResultColour = 0xFFFF00;
constexpr int kColumnWidth = 14;
constexpr int kShortHeight = 50;
constexpr int kLineHeight = 30;
constexpr int kExtraColumns = 4;

// The running amount as the caption shows it: a whole number, halves to the even one.
std::string WholeText(double value) {
  return AmountText(std::nearbyint(std::clamp(value, -1e15, 1e15)));
}

}  // namespace

void PropDisplay::ResultCaption(int a) {
  const PropScoreBuffers& score = settlement_.propScore;
  const int frames = OpeningFrames();
  const ElementId caption = view_.el.LbProp;

  if (a < 0) {
    NameWidth = 0;
    for (int c = 0; c < kBoxEntries; ++c) {
      BoxNames[c] = score.BoxOwners[c][0];
      NameWidth = std::max(NameWidth, DisplayWidth(BoxNames[c]));
    }
    RunningAmount.fill(0);
    AmountStep.fill(0);
    int lines = 0;
    double largest = 0;
    size_t pieceWidth = 0;
    for (int c = 0; c < kBoxEntries; ++c) {
      const double amount = score.ExtraAmount[c];
      if (amount > 0) {
        AmountStep[c] = static_cast<float>(amount / frames);
        largest = std::max(largest, amount);
        lines += 2;
      }
      if (!score.BoxOwners[c][1].empty()) {
        for (const std::string& piece : SplitBars(score.BoxOwners[c][1])) {
          ++lines;
          pieceWidth = std::max(pieceWidth, DisplayWidth(piece));
        }
      }
    }
    AmountDigits = largest > 0 ? AmountText(largest).size() : 0;
    const double height = lines < 3 ? kShortHeight : kLineHeight * lines;
    const size_t wide = AmountDigits + NameWidth;
    const double width =
        kColumnWidth *
        static_cast<double>(wide > pieceWidth ? wide + kExtraColumns : pieceWidth + kExtraColumns);
    if (!Ready()) return;
    Form& f = Main();
    f.SetCaption(caption, "");
    f.Move(caption, boxes.CaptionAnchor[0] - width / 2, boxes.CaptionAnchor[1], width, height);
    f.SetAlign(caption, TextAlign::Center);
    f.SetColor(caption, kResultColour);
    f.Show(caption);
    f.BringToFront(caption);
    return;
  }

  if (a < frames) {
    std::string text;
    for (int i = 0; i < kBoxEntries; ++i) {
      if (score.ExtraAmount[i] == 0) continue;
      if (!text.empty()) text += kLineBreak;
      text += BoxNames[i] + PadLeft(WholeText(RunningAmount[i]), AmountDigits) + kCoins;
      RunningAmount[i] += AmountStep[i];
    }
    if (!Ready()) return;
    Main().SetCaption(caption, text);
    Main().BringToFront(caption);
    return;
  }

  std::vector<std::string> lines;
  for (int i = 0; i < kBoxEntries; ++i) {
    if (score.ExtraAmount[i] != 0) {
      lines.push_back(BoxNames[i] + PadLeft(AmountText(score.ExtraAmount[i]), AmountDigits) +
                      kCoins);
    }
    if (!score.BoxOwners[i][1].empty()) {
      for (std::string& piece : SplitBars(score.BoxOwners[i][1])) lines.push_back(std::move(piece));
    }
  }
  std::string text;
  for (const std::string& line : lines) {
    AddHistory(line);
    if (!text.empty()) text += kLineBreak;
    text += line;
  }
  ShowInMessageArea(text);
  if (!Ready()) return;
  Main().SetCaption(caption, text);
  Main().BringToFront(caption);
}

}  // namespace korvel
