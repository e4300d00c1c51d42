// Which clip a seat's voice says for each event, and which voice sets the slots give.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/tiles.h"

namespace korvel {

// Clip numbers of the spoken calls; a tile's name has its own two-digit clip (TileClip).
inline constexpr std::string_view kClipReady = "01";  // 报叫, also another seat's chi
inline constexpr std::string_view kClipPeng = "02";
inline constexpr std::string_view kClipGang = "03";  // exposed and added gang
inline constexpr std::string_view kClipConcealedGang = "06";
inline constexpr std::string_view kClipWin = "09";

inline constexpr std::array<std::string_view, 5> kCallClips = {kClipReady, kClipPeng, kClipGang,
                                                               kClipConcealedGang, kClipWin};

// The voice set each slot stands for. Two slots may share a set; six female slots, five male.
inline constexpr std::array<std::string_view, 6> kFemaleSlotSets = {"10", "20", "30",
                                                                    "10", "20", "20"};
inline constexpr std::array<std::string_view, 5> kMaleSlotSets = {"10", "20", "10", "10", "20"};

// Voice pack languages: Mandarin, and the dialect the settings dialog switches to.
inline constexpr std::string_view kLangMandarin = "00";
inline constexpr std::string_view kLangDialect = "27";

// The clip that names a tile: the suit digit (honours 1, bamboo 2, dots 4, characters 8) and
// the rank. Empty for a code that is no tile, so a malformed record says nothing.
std::string TileClip(TileCode code);

// The clip that a discard record makes its seat say: the local seat always names the tile;
// another seat whose discard carries a ready declaration (mark 1 or 2) says "01" instead.
std::string DiscardClip(ViewPos viewPos, TileCode tile, int readyMark);

// The clip of another seat's announced operation; empty for codes that say nothing.
std::string_view OperationClip(int opCode);

// Every clip a voice pack has to hold: the five calls and the names of all 34 tiles.
std::vector<std::string> AllVoiceClips();

}  // namespace korvel
