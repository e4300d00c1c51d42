#include "sound/voice_clips.h"

namespace korvel {

std::string TileClip(TileCode code) {
  const int suit = code >> 4;
  const int rank = RankOf(code);
  int digit = 0;
  switch (suit) {
    case kSuitHonours:
      digit = 1;
      break;
    case kSuitBamboo:
      digit = 2;
      break;
    // The packs number characters and dots the other way round from the tile codes.
    case kSuitCharacters:
      digit = 8;
      break;
    case kSuitDots:
      digit = 4;
      break;
    default:
      return {};
  }
  const int maxRank = suit == kSuitHonours ? 7 : 9;
  if (rank < 1 || rank > maxRank) return {};
  return std::string{static_cast<char>('0' + digit), static_cast<char>('0' + rank)};
}

std::string DiscardClip(ViewPos viewPos, TileCode tile, int readyMark) {
  if (viewPos != 0 && (readyMark == 1 || readyMark == 2)) return std::string(kClipReady);
  return TileClip(tile);
}

std::string_view OperationClip(int opCode) {
  switch (opCode) {
    case OpChi:
      return kClipReady;
    case OpPeng:
      return kClipPeng;
    case OpGang:
    case OpAddedGang:
      return kClipGang;
    case OpConcealedGang:
      return kClipConcealedGang;
    case OpHu:
      return kClipWin;
    default:
      return {};
  }
}

std::vector<std::string> AllVoiceClips() {
  std::vector<std::string> clips(kCallClips.begin(), kCallClips.end());
  for (int suit : {kSuitHonours, kSuitBamboo, kSuitCharacters, kSuitDots}) {
    for (int rank = 1; rank <= 9; ++rank) {
      std::string clip = TileClip(static_cast<TileCode>(suit << 4 | rank));
      if (!clip.empty()) clips.push_back(std::move(clip));
    }
  }
  return clips;
}

}  // namespace korvel
