// The start-up layout: runs once the layout scale is known, in a fixed order, because later
// steps place elements relative to earlier ones.
#include "view/table_view.h"

namespace korvel {

void TableView::LayOut(const LayoutScale& scale) {
  if (laidOut()) return;
  scale_ = scale;
  BuildMainForm();
  Form& f = main();
  const bool small = scale_.IsSmall();

  // 1. The sprite lists.
  sprites_ = SpriteLists::Build(scale_);

  // 2. Portraits.
  Place(el.Tou[0], 10, 668, 85, 90);
  for (int v = 1; v < 3; ++v) {
    el.Tou[v] = f.Load("Tou", v);
    Place(el.Tou[v], 0, 0, 70, 62);
    f.Show(el.Tou[v]);
  }
  Place(el.Tou[1], 7, 15);
  Place(el.Tou[2], 693, 15);
  for (ElementId e : el.Tou) f.BringToFront(e);

  // 3. Main buttons: 0 send, 1 chat, 2 start or continue, 3 settings, 4 hide, 5 record,
  // 6 history, 7 rules, 8 exit. The continue pair (entries 6, 7) is button 2's second look.
  for (int i = 1; i < kMainButtons; ++i) {
    el.AnNiu[i] = f.Load("AnNiu", i);
    f.Show(el.AnNiu[i]);
    f.BringToFront(el.AnNiu[i]);
  }
  for (int i = 0; i < kMainButtons; ++i) {
    ButtonLocked[i] = false;
    ButtonHover[i] = false;
    const ElementId b = el.AnNiu[i];
    f.Move(b, f.GetLeft(b), f.GetTop(b), X(i == 0 ? 50 : 60), Y(30));
    f.LoadSprite(b, sprites_.ButtonSprites[MainButtonSprite(i, false)]);
  }
  ButtonLocked[2] = true;
  Place(el.AnNiu[0], 573, 730);
  Place(el.AnNiu[1], 648, 699);
  for (int i = 2; i <= 4; ++i) {
    f.Move(el.AnNiu[i], f.GetLeft(el.AnNiu[i - 1]) + X(70), f.GetTop(el.AnNiu[1]));
  }
  f.Move(el.AnNiu[5], f.GetLeft(el.AnNiu[1]), f.GetTop(el.AnNiu[1]) + Y(32));
  for (int i = 6; i <= 8; ++i) {
    f.Move(el.AnNiu[i], f.GetLeft(el.AnNiu[i - 1]) + X(70), f.GetTop(el.AnNiu[5]));
  }
  constexpr const char* kButtonTips[kMainButtons] = {"发送信息，快捷键为回车键",
                                                     "点击打开聊天窗口",
                                                     "点击开始新一局游戏",
                                                     "游戏的基本设置",
                                                     "最小化窗口，快捷键为F1",
                                                     "可以查看当前牌局详细结果",
                                                     "可以查看本次游戏的所有牌局详细结果",
                                                     "点击这里了解游戏规则",
                                                     "退出游戏"};
  for (int i = 0; i < kMainButtons; ++i) {
    f.SetToolTip(el.AnNiu[i], kButtonTips[i]);
    f.SetCursor(el.AnNiu[i], kCursorCustom);
  }

  // 4. Seat labels: nickname, cash, level.
  for (int v = 1; v < 3; ++v) {
    el.Nid[v] = f.Load("Nid", v);
    el.Cash[v] = f.Load("Cash", v);
    el.Level[v] = f.Load("Level", v);
    for (ElementId e : {el.Nid[v], el.Cash[v], el.Level[v]}) f.Show(e);
  }
  if (small) {
    for (int v = 0; v < 3; ++v) {
      for (ElementId e : {el.Nid[v], el.Cash[v], el.Level[v]}) f.SetFontSize(e, 8);
    }
  }
  constexpr double kLabelLeft[3] = {181, 165, 852};
  constexpr double kLabelTops[3][3] = {{700, 724, 744}, {15, 40, 64}, {15, 40, 64}};
  for (int v = 0; v < 3; ++v) {
    Place(el.Nid[v], kLabelLeft[v], kLabelTops[v][0]);
    Place(el.Cash[v], kLabelLeft[v], kLabelTops[v][1]);
    Place(el.Level[v], kLabelLeft[v], kLabelTops[v][2]);
  }

  // 5. Ready marks (element 3 exists but is never shown).
  for (int i = 1; i < 4; ++i) el.OK[i] = f.Load("OK", i);
  for (ElementId e : el.OK) f.Hide(e);
  Place(el.OK[0], 460, 620);
  Place(el.OK[1], kSideReadyLeft[0], 280);
  Place(el.OK[2], kSideReadyLeft[1], 280);
  Place(el.OK[3], 460, 180);

  // 6. Dealer plate, notice, store button.
  const double plateLeft = small ? X(820) : X(880);
  f.Move(el.img_zhuang, plateLeft, Y(104), X(120), Y(78));
  f.Hide(el.img_zhuang);
  // The name sits at the same place of the plate in both layouts, so that it stays inside it.
  f.Move(el.lbZhuang, plateLeft + X(16), Y(104) + Y(44));
  // The name keeps its 12 or 9 points on the small table too: its box keeps the full height and
  // reaches to the plate's right edge.
  if (small) f.Move(el.lbZhuang, plateLeft + X(16), Y(104) + Y(44), X(120 - 16), 22);
  f.Hide(el.lbZhuang);
  f.Move(el.img_tip, (f.GetWidth(el.pic1) - f.GetWidth(el.img_tip)) / 2,
         (f.GetHeight(el.pic1) - f.GetHeight(el.img_tip)) / 2);
  f.Hide(el.img_tip);
  Place(el.Bank, 699, 658);
  if (small) {
    const auto size = scene_.pictures().Size(450).value_or(PictureSize{55, 31});
    f.SetStretch(el.Bank, true);
    f.Move(el.Bank, f.GetLeft(el.Bank), f.GetTop(el.Bank), X(size.width), Y(size.height));
  }
  f.SetCursor(el.Bank, kCursorCustom);
  for (ElementId e : el.Img_An) f.Hide(e);

  // 7. Turn clock.
  f.Hide(el.img_zhuang);
  f.Hide(el.lbZhuang);
  Place(el.Time_Img, 922, 242, 81, 38);
  f.Move(el.Number, f.GetLeft(el.Time_Img) + X(48), f.GetTop(el.Time_Img) + Y(5), X(24), Y(24));
  if (small) f.SetFontSize(el.Number, 12);

  // 8. Operation buttons: element 0 anchors the row and is never shown.
  Place(el.Operation[0], kOperationRowLeft, kOperationRowTop);
  for (int i = 1; i < 6; ++i) el.Operation[i] = f.Load("Operation", i);
  f.Move(el.Operation[0], f.GetLeft(el.Operation[0]), f.GetTop(el.Operation[0]), X(50), Y(71));
  f.Disable(el.Operation[0]);
  f.Hide(el.Operation[0]);
  for (int i = 1; i < 6; ++i) {
    const ElementId op = el.Operation[i];
    f.Move(op, f.GetLeft(op), f.GetTop(op), f.GetWidth(el.Operation[0]),
           f.GetHeight(el.Operation[0]));
    f.LoadSprite(op, sprites_.OperationSprites[3 * i]);
    f.Move(op, f.GetLeft(el.Operation[i - 1]) + f.GetWidth(el.Operation[0]),
           f.GetTop(el.Operation[0]));
    f.SetCursor(op, kCursorCustom);
    f.Disable(op);
    f.Hide(op);
  }

  // 9. The tile pool, all in front.
  for (int i = 1; i < kTileElements; ++i) el.MJ_Image[i] = f.Load("MJ_Image", i);
  for (ElementId e : el.MJ_Image) f.BringToFront(e);
  pool_.Bind(el.MJ_Image);

  // 10. Dice: element k holds entry k.
  for (int k = 1; k < 16; ++k) {
    el.SZ_Image[k] = f.Load("SZ_Image", k);
    f.LoadSprite(el.SZ_Image[k], sprites_.DiceSprites[k]);
  }
  f.LoadSprite(el.SZ_Image[0], sprites_.DiceSprites[0]);

  // 11. Message and chat area, multiplier panels, advertisement frames, hover labels, small
  // dice.
  Place(el.Sysmsg[0], 312, 696, 281, 20);
  f.Move(el.Sysmsg[1], f.GetLeft(el.Sysmsg[0]), f.GetTop(el.Sysmsg[0]) + f.GetHeight(el.Sysmsg[0]),
         f.GetWidth(el.Sysmsg[0]), f.GetHeight(el.Sysmsg[1]));
  Place(el.Lbchat, 594, 694, 25, 33);
  if (small) {
    // One message line per list: the smaller rows take a smaller type.
    f.SetFontSize(el.Sysmsg[0], 10);
    f.SetFontSize(el.Sysmsg[1], 8);
    f.SetFontSize(el.Chat, 9);
  }
  Place(el.imgBeishu, 365, 135);
  Place(el.Imgwealth, 575, 135);
  f.SetFontSize(el.lblDifen, 18);
  f.SetFontSize(el.lblDifen, 16);
  f.SetFontSize(el.lbwealth, 16);
  Place(el.Bird, 936, 680, 82, 80);
  Place(el.imgAd2, 360, 8, 300, 75);
  for (int i = 0; i < 3; ++i) {
    f.Move(el.lbfont[i], small ? X(424) - 10 : X(424), Y(280 + 32 * i));
    f.Hide(el.lbfont[i]);
  }
  for (int i = 0; i < 2; ++i) {
    f.LoadSprite(el.imgsezi[i], sprites_.SmallDiceSprites[0]);
    f.Hide(el.imgsezi[i]);
  }
  for (ElementId e : {el.imgBeishu, el.lblDifen, el.Imgwealth, el.lbwealth}) f.Hide(e);

  main().SetFormVisible(true);
}

}  // namespace korvel
