// Every picture the table shows: the numbered set 101..451 and the named pictures of the table,
// with the size each is drawn at. The picture generator and the client share this one list.
#pragma once

#include <array>
#include <cstdio>
#include <string>

namespace korvel {

using PictureId = int;
inline constexpr PictureId kNoPicture = 0;

struct PictureSize {
  int width = 0;
  int height = 0;
  bool operator==(const PictureSize&) const = default;
};

// Tile pictures: five blocks of 36, block b holding sprite numbers 201 + 36b + key.
inline constexpr int kTileSpriteBase = 201;
inline constexpr int kTileBlocks = 5;
inline constexpr int kTilesPerBlock = 36;
inline constexpr int kTileSprites = kTileBlocks * kTilesPerBlock;
// Inside a block the honours row ends with the two backs.
inline constexpr int kStandingBackKey = 7;
inline constexpr int kLyingBackKey = 8;

constexpr PictureSize TilePictureSize(int block, int key) {
  constexpr PictureSize kFace[kTileBlocks] = {{50, 58}, {59, 46}, {34, 37}, {59, 46}, {50, 77}};
  constexpr PictureSize kStanding[kTileBlocks] = {{50, 77}, {33, 66}, {34, 50}, {34, 66}, {50, 77}};
  constexpr PictureSize kLying[kTileBlocks] = {{38, 56}, {50, 44}, {33, 37}, {50, 44}, {38, 56}};
  if (block < 0 || block >= kTileBlocks || key < 0 || key >= kTilesPerBlock) return {};
  if (key == kStandingBackKey) return kStanding[block];
  if (key == kLyingBackKey) return kLying[block];
  return kFace[block];
}

// The size of numbered picture n; {0, 0} for a number outside the set.
constexpr PictureSize NumberedPictureSize(int n) {
  if (n == 101 || n == 102) return {48, 30};
  if (n >= 103 && n <= 120) return {55, 31};
  if (n >= 130 && n <= 133) return {70, 29};
  if (n >= 134 && n <= 137) return {64, 26};
  if (n >= 144 && n <= 158) return {50, 71};
  if (n >= 161 && n <= 166) return {50, 56};
  if (n >= 167 && n <= 176) return {50, 50};
  if (n >= 183 && n <= 190) {
    // 吃 碰 杠 暗杠 红中杠 Tesk杠 开杠 胡: one, two or three characters wide.
    constexpr PictureSize kWords[8] = {{43, 32}, {43, 32}, {43, 32}, {64, 30},
                                       {84, 27}, {84, 27}, {64, 30}, {43, 32}};
    return kWords[n - 183];
  }
  if (n >= 191 && n <= 200) return {85, 90};
  if (n >= kTileSpriteBase && n < kTileSpriteBase + kTileSprites) {
    const int index = n - kTileSpriteBase;
    return TilePictureSize(index / kTilesPerBlock, index % kTilesPerBlock);
  }
  if (n >= 381 && n <= 398) return {43, 24};
  if (n >= 401 && n <= 410) return {85, 90};
  if (n >= 411 && n <= 415) return {131, 102};
  if (n >= 416 && n <= 421) return {24, 24};
  if (n == 450 || n == 451) return {55, 31};
  return {};
}

inline constexpr int kFirstNumberedPicture = 101;
inline constexpr int kLastNumberedPicture = 451;

// Pictures with names, numbered from 1000 so they never meet the numbered set.
enum NamedPicture : PictureId {
  kPicTable = 1001,
  kPicTableSmall,
  kPicTopBar,
  kPicTopBarSmall,
  kPicClock,
  kPicDealer,
  kPicWealth,
  kPicDiceMultiplier,
  kPicTingBottom,
  kPicTingLeft,
  kPicTingRight,
  kPicReadyMascot,
  kPicTip,
  kPicCornerFrame,
  kPicBanner,
  kPicEmblem,
  kPicLocationBar,
  kPicShuffleBar,
  kPicSpeak,
  kPicChoiceGang,
  kPicChoiceChi,
  kPicPropFrame,
  kPicEmptySeat,
  kPicClose,
  kPicCloseHover,
  kPicClosePressed,
  kPicMinimise,
  kPicMinimiseHover,
  kPicMinimisePressed,
  kPicIcon,
  kPicSkin,
  kPicCursor,
  kPicExitPanel,
  kNamedPictureEnd,
};

struct NamedPictureInfo {
  PictureId id;
  const char* file;
  PictureSize size;
};

inline constexpr std::array<NamedPictureInfo, kNamedPictureEnd - kPicTable> kNamedPictures = {{
    {kPicTable, "table-1024.png", {1024, 768}},
    {kPicTableSmall, "table-800.png", {800, 600}},
    {kPicTopBar, "topbar-1024.png", {1024, 96}},
    {kPicTopBarSmall, "topbar-800.png", {800, 75}},
    {kPicClock, "clock.png", {81, 38}},
    {kPicDealer, "dealer.png", {120, 78}},
    {kPicWealth, "wealth.png", {148, 30}},
    {kPicDiceMultiplier, "dice-multiplier.png", {148, 30}},
    {kPicTingBottom, "ting-bottom.png", {167, 12}},
    {kPicTingLeft, "ting-left.png", {44, 156}},
    {kPicTingRight, "ting-right.png", {44, 156}},
    {kPicReadyMascot, "ready.png", {72, 80}},
    {kPicTip, "tip.png", {223, 136}},
    {kPicCornerFrame, "corner-frame.png", {145, 61}},
    {kPicBanner, "banner.png", {300, 75}},
    {kPicEmblem, "emblem.png", {82, 80}},
    {kPicLocationBar, "location-bar.png", {380, 28}},
    {kPicShuffleBar, "shuffle-bar.png", {300, 40}},
    {kPicSpeak, "speak.png", {81, 81}},
    {kPicChoiceGang, "choice-gang.png", {33, 25}},
    {kPicChoiceChi, "choice-chi.png", {25, 25}},
    {kPicPropFrame, "prop-frame.png", {64, 64}},
    {kPicEmptySeat, "seat-empty.png", {85, 90}},
    {kPicClose, "close.png", {22, 20}},
    {kPicCloseHover, "close-hover.png", {22, 20}},
    {kPicClosePressed, "close-pressed.png", {22, 20}},
    {kPicMinimise, "minimise.png", {22, 20}},
    {kPicMinimiseHover, "minimise-hover.png", {22, 20}},
    {kPicMinimisePressed, "minimise-pressed.png", {22, 20}},
    {kPicIcon, "icon.png", {20, 20}},
    {kPicSkin, "skin.png", {48, 48}},
    {kPicCursor, "cursor.png", {32, 32}},
    {kPicExitPanel, "exit-panel.png", {300, 150}},
}};

constexpr bool IsNumberedPicture(PictureId id) {
  return id >= kFirstNumberedPicture && id <= kLastNumberedPicture &&
         NumberedPictureSize(id).width > 0;
}
constexpr bool IsNamedPicture(PictureId id) { return id >= kPicTable && id < kNamedPictureEnd; }

// The designed size of any picture of the set; {0, 0} when `id` names none.
constexpr PictureSize CataloguePictureSize(PictureId id) {
  if (IsNumberedPicture(id)) return NumberedPictureSize(id);
  if (IsNamedPicture(id)) return kNamedPictures[id - kPicTable].size;
  return {};
}

// The file of a picture inside the pictures folder: "NNN.png" or the picture's name.
inline std::string PictureFileName(PictureId id) {
  if (IsNumberedPicture(id)) {
    char name[16];
    std::snprintf(name, sizeof name, "%03d.png", id);
    return name;
  }
  if (IsNamedPicture(id)) return kNamedPictures[id - kPicTable].file;
  return {};
}

// The file of a picture drawn at `scale` times its design size: "NNN@2x.png" beside "NNN.png".
inline std::string ScaledPictureFileName(PictureId id, int scale) {
  std::string name = PictureFileName(id);
  const size_t dot = name.rfind('.');
  if (scale <= 1 || dot == std::string::npos) return name;
  return name.insert(dot, "@" + std::to_string(scale) + "x");
}

// Calls f(id) for every picture of the set, numbered first.
template <class F>
void ForEachPicture(F&& f) {
  for (int n = kFirstNumberedPicture; n <= kLastNumberedPicture; ++n) {
    if (IsNumberedPicture(n)) f(n);
  }
  for (const auto& named : kNamedPictures) f(named.id);
}

}  // namespace korvel
