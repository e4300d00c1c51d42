// The main form as designed: every element that exists before the start-up layout runs, at its
// designed place (scaled), with its picture, colours and captions. The start-up layout then
// creates the array members and places the elements whose places it owns.
#include "view/table_view.h"

namespace korvel {
namespace {

// The table's palette for text.
constexpr uint32_t kGold = 0xFFE08A;
constexpr uint32_t kCream = 0xFFF6DC;
constexpr uint32_t kInk = 0x2A1A0A;
constexpr uint32_t kHintBack = 0xFFF8D0;

}  // namespace

void TableView::BuildMainForm() {
  const LayoutScale& s = scale_;
  mainForm_ = scene_.AddForm(kMainFormName, s.WindowWidth(), s.WindowHeight());
  Form& f = main();
  // The designed elements and the run-time tile elements and arrays of a full table.
  f.Reserve(320);
  f.SetTitle("Korvel麻将");
  auto add = [&](std::string_view name, int index, ElementKind kind, double l, double t, double w,
                 double h, PictureId picture = kNoPicture, bool visible = true) {
    const ElementId e = f.Add(name, index, kind, {s.X(l), s.Y(t), s.X(w), s.Y(h)});
    if (picture != kNoPicture) f.LoadSprite(e, picture);
    f.SetVisible(e, visible);
    return e;
  };
  auto image = [&](std::string_view name, int index, double l, double t, double w, double h,
                   PictureId picture = kNoPicture, bool visible = true) {
    return add(name, index, ElementKind::Image, l, t, w, h, picture, visible);
  };
  auto label = [&](std::string_view name, int index, double l, double t, double w, double h,
                   uint32_t color, double points, bool visible = true) {
    const ElementId e = add(name, index, ElementKind::Label, l, t, w, h, kNoPicture, visible);
    f.SetColor(e, color);
    f.SetFontSize(e, points);
    return e;
  };

  // The table surface; the small layout shows the picture drawn for 800 x 600.
  el.pic1 = add("pic1", 0, ElementKind::Picture, 0, 0, kDesignWidth, kDesignHeight,
                s.IsSmall() ? kPicTableSmall : kPicTable);
  el.Pic2 = add("Pic2", 0, ElementKind::Picture, 0, 0, 800, 600, kPicTableSmall, false);
  el.imgDinglan =
      image("imgDinglan", 0, 0, 0, 1024, 96, s.IsSmall() ? kPicTopBarSmall : kPicTopBar);

  el.Tou[0] = image("Tou", 0, 10, 668, 85, 90, kPicEmptySeat);
  el.Nid[0] = label("Nid", 0, 181, 700, 120, 18, kGold, 9);
  el.Cash[0] = label("Cash", 0, 181, 724, 120, 18, kGold, 9);
  el.Level[0] = label("Level", 0, 181, 744, 120, 18, kGold, 9);

  el.MJ_Image[0] = image("MJ_Image", 0, 0, 0, 36, 50, kNoPicture, false);
  el.Operation[0] =
      image("Operation", 0, kOperationRowLeft, kOperationRowTop, 50, 71, kNoPicture, false);
  for (int i = 0; i < 5; ++i) {
    el.Gang[i] = image("Gang", i, 380 + 40 * i, 430, 33, 25, kPicChoiceGang, false);
  }
  for (int i = 0; i < 6; ++i) {
    el.Chi[i] = image("Chi", i, 380 + 30 * i, 430, 25, 25, kPicChoiceChi, false);
  }
  el.Words = image("Words", 0, 470, 330, 43, 32, kNoPicture, false);
  f.SetStretch(el.Words, false);

  // Announcements by ViewPos: the round balloon behind a word or a chat line, and the large
  // balloon of a ready declaration (drawn at the size of its element).
  constexpr double kSpeakAt[3][2] = {{470, 372}, {150, 290}, {792, 290}};
  constexpr double kBalloonAt[3][2] = {{470, 380}, {8, kSideBalloonTop}, {936, kSideBalloonTop}};
  for (int v = 0; v < 3; ++v) {
    el.Speak[v] = image("Speak", v, kSpeakAt[v][0], kSpeakAt[v][1], 81, 81, kPicSpeak, false);
    el.tsSpeak[v] = image("tsSpeak", v, kBalloonAt[v][0], kBalloonAt[v][1], 81, 63, 0, false);
  }

  el.imgTing[0] = image("imgTing", 0, 362, 662, 167, 12, kPicTingBottom, false);
  el.imgTing[1] = image("imgTing", 1, 95, 300, 44, 156, kPicTingLeft, false);
  el.imgTing[2] = image("imgTing", 2, 430, 215, 167, 12, kPicTingBottom, false);
  el.imgTing[3] = image("imgTing", 3, 780, 300, 44, 156, kPicTingRight, false);

  el.OK[0] = image("OK", 0, 460, 620, 72, 80, kPicReadyMascot, false);

  el.Time_Img = image("Time_Img", 0, 922, 242, 81, 38, kPicClock, false);
  el.Number = label("Number", 0, 970, 247, 24, 24, 0xFFD24A, 15, false);
  f.SetBold(el.Number, true);
  f.SetAlign(el.Number, TextAlign::Center);

  el.SZ_Image[0] = image("SZ_Image", 0, 487, 300, 50, 56, kNoPicture, false);
  for (int i = 0; i < 2; ++i) {
    el.Sai_Image[i] = image("Sai_Image", i, 490 + 24 * i, 180, 20, 20, 416, false);
    el.imgsezi[i] = image("imgsezi", i, 517 + 26 * i, 138, 24, 24, 416, false);
  }

  el.img_zhuang = image("img_zhuang", 0, 880, 104, 120, 78, kPicDealer, false);
  el.lbZhuang = label("lbZhuang", 0, 896, 148, 88, 22, kCream, 9, false);
  f.SetAlign(el.lbZhuang, TextAlign::Center);

  el.imgBeishu = image("imgBeishu", 0, 365, 135, 148, 30, kPicDiceMultiplier, false);
  el.lblDifen = label("lblDifen", 0, 475, 136, 36, 28, kGold, 18, false);
  el.Imgwealth = image("Imgwealth", 0, 575, 135, 148, 30, kPicWealth, false);
  el.lbwealth = label("lbwealth", 0, 685, 136, 36, 28, kGold, 16, false);
  for (ElementId e : {el.lblDifen, el.lbwealth}) {
    f.SetBold(e, true);
    f.SetCaption(e, "1");
  }

  constexpr const char* kHints[3] = {"骰子点数加倍", "最少金币定倍数", "个人金币数封顶"};
  for (int i = 0; i < 3; ++i) {
    el.lbfont[i] = label("lbfont", i, 424, 280 + 32 * i, 150, 22, kInk, 10, false);
    f.SetCaption(el.lbfont[i], kHints[i]);
    f.SetBackColor(el.lbfont[i], kHintBack, true);
    f.SetAlign(el.lbfont[i], TextAlign::Center);
  }

  el.img_tip = image("img_tip", 0, 400, 316, 223, 136, kPicTip, false);
  constexpr double kFrameAt[4][2] = {{440, 590}, {60, 200}, {820, 200}, {440, 150}};
  for (int i = 0; i < 4; ++i) {
    el.Img_An[i] = image("Img_An", i, kFrameAt[i][0], kFrameAt[i][1], 145, 61, kPicCornerFrame);
  }
  el.Bank = image("Bank", 0, 699, 658, 55, 31, 450);
  f.SetStretch(el.Bank, false);
  f.SetToolTip(el.Bank, "仓库");

  el.AnNiu[0] = image("AnNiu", 0, 573, 730, 50, 30, 101);

  // Message and chat area.
  el.Sysmsg[0] = add("Sysmsg", 0, ElementKind::List, 312, 696, 281, 20);
  el.Sysmsg[1] = add("Sysmsg", 1, ElementKind::List, 312, 716, 281, 19);
  f.SetFontSize(el.Sysmsg[0], 13);
  f.SetFontSize(el.Sysmsg[1], 10);
  for (ElementId e : el.Sysmsg) {
    f.SetBackColor(e, 0x10261C, true);
    f.SetColor(e, kCream);
  }
  el.Lbchat = label("Lbchat", 0, 594, 694, 25, 33, kGold, 9);
  f.SetToolTip(el.Lbchat, "聊天");
  el.Chat = add("Chat", 0, ElementKind::Text, 312, 737, 258, 22);
  f.SetBackColor(el.Chat, kChatIdle, true);
  f.SetColor(el.Chat, kInk);
  f.SetFontSize(el.Chat, 10);

  el.imgLocation = image("imgLocation", 0, 312, 664, 380, 28, kPicLocationBar);
  el.Location = label("Location", 0, 524, 669, 164, 18, kGold, 9);
  el.imgword1 = image("imgword1", 0, 314, 666, 62, 24);
  el.imgword2 = image("imgword2", 0, 378, 666, 62, 24);
  f.SetToolTip(el.imgword1, "短语1");
  f.SetToolTip(el.imgword2, "短语2");

  el.ImgShuffle = image("ImgShuffle", 0, 362, 352, 300, 40, kPicShuffleBar, false);
  el.LblShuffle = label("LblShuffle", 0, 362, 362, 300, 20, kCream, 10, false);
  f.SetAlign(el.LblShuffle, TextAlign::Center);

  el.Bird = image("Bird", 0, 936, 680, 82, 80, kPicEmblem);
  el.imgAd2 = image("imgAd2", 0, 360, 8, 300, 75, kPicBanner);
  el.ImgProp = image("ImgProp", 0, 30, 560, 64, 64, kPicPropFrame, false);
  el.LbProp = label("LbProp", 0, 20, 626, 84, 18, kCream, 9, false);
  f.SetAlign(el.LbProp, TextAlign::Center);

  // The window frame: shown by the frame code once the window draws its own.
  el.Skin = image("Skin", 0, 0, 0, 1024, 24, kPicSkin, false);
  el.ImgIcon = image("ImgIcon", 0, 6, 2, 20, 20, kPicIcon, false);
  el.lcaption = label("lcaption", 0, 30, 3, 300, 18, 0xFFFFFF, 10, false);
  f.SetCaption(el.lcaption, "Korvel麻将");
  el.LbMove = label("LbMove", 0, 0, 0, 940, 24, 0xFFFFFF, 9, false);
  constexpr PictureId kClose[4] = {kPicClose, kPicClose, kPicCloseHover, kPicClosePressed};
  constexpr PictureId kMin[4] = {kPicMinimise, kPicMinimise, kPicMinimiseHover,
                                 kPicMinimisePressed};
  for (int i = 0; i < 4; ++i) {
    el.ImgClose[i] = image("ImgClose", i, 996, 2, 22, 20, kClose[i], false);
    el.ImgMin[i] = image("ImgMin", i, 972, 2, 22, 20, kMin[i], false);
  }
}

}  // namespace korvel
