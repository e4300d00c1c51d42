// The ids of the main form's elements, by the names every handler uses. Arrays are indexed as
// the elements are; "by ViewPos" arrays by the seat's position on the screen.
#pragma once

#include <array>

#include "view/scene.h"
#include "view/tile_element_pool.h"

namespace korvel {

inline constexpr const char* kMainFormName = "MainForm";
// The chat box's paper: bright while it has the keyboard, dimmer while the keys play on the
// table, so the player sees where typing goes.
inline constexpr uint32_t kChatTyping = 0xFFFFFF;
inline constexpr uint32_t kChatIdle = 0xD9D1BC;

template <size_t N>
using Ids = std::array<ElementId, N>;

struct MainElements {
  ElementId pic1 = kNoElement;
  ElementId Pic2 = kNoElement;
  ElementId imgDinglan = kNoElement;
  Ids<3> Tou{}, Nid{}, Cash{}, Level{};
  Ids<kTileElements> MJ_Image{};
  Ids<6> Operation{};
  Ids<5> Gang{};
  Ids<6> Chi{};
  ElementId Words = kNoElement;
  Ids<3> Speak{}, tsSpeak{};
  Ids<4> imgTing{}, OK{};
  ElementId Time_Img = kNoElement, Number = kNoElement;
  Ids<16> SZ_Image{};
  Ids<2> Sai_Image{}, imgsezi{};
  ElementId img_zhuang = kNoElement, lbZhuang = kNoElement;
  ElementId Imgwealth = kNoElement, lbwealth = kNoElement;
  ElementId imgBeishu = kNoElement, lblDifen = kNoElement;
  Ids<3> lbfont{};
  ElementId img_tip = kNoElement;
  Ids<4> Img_An{};
  ElementId Bank = kNoElement;
  Ids<9> AnNiu{};
  Ids<2> Sysmsg{};
  ElementId Lbchat = kNoElement, Chat = kNoElement;
  ElementId imgLocation = kNoElement, Location = kNoElement;
  ElementId imgword1 = kNoElement, imgword2 = kNoElement;
  ElementId ImgShuffle = kNoElement, LblShuffle = kNoElement;
  ElementId Bird = kNoElement, imgAd2 = kNoElement;
  ElementId ImgProp = kNoElement, LbProp = kNoElement;
  ElementId Skin = kNoElement, lcaption = kNoElement, LbMove = kNoElement, ImgIcon = kNoElement;
  Ids<4> ImgClose{}, ImgMin{};

  MainElements() {
    for (auto* a : {&Tou, &Nid, &Cash, &Level, &Speak, &tsSpeak, &lbfont}) a->fill(kNoElement);
    for (auto* a : {&imgTing, &OK, &Img_An, &ImgClose, &ImgMin}) a->fill(kNoElement);
    for (auto* a : {&Sai_Image, &imgsezi, &Sysmsg}) a->fill(kNoElement);
    MJ_Image.fill(kNoElement);
    Operation.fill(kNoElement);
    Gang.fill(kNoElement);
    Chi.fill(kNoElement);
    SZ_Image.fill(kNoElement);
    AnNiu.fill(kNoElement);
  }
};

}  // namespace korvel
