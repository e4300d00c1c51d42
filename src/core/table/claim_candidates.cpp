// Which concealed tiles an offered claim uses: the pair of a peng and the gang candidates, with
// the choice marks that show them.
#include <algorithm>

#include "model/player_record.h"
#include "platform/ports.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kGangMarks = 5;

}  // namespace

int TablePlay::FindPengPair(TileCode tile) const {
  return korvel::FindPengPair(table_.players[0], tile);
}

int TablePlay::CollectGangChoices() {
  const TableModel& table = table_;
  const PlayerRecord& p = table.players[0];
  const GangCandidates found = FindGangCandidates(
      p, table.state.OfferedOps, static_cast<TileCode>(table.state.OfferTile), OptionRecord);
  GangChoices = found.slots;
  GangChoiceCount = found.count;
  FirstGangKind = found.firstKind;
  TableView& view = view_;
  for (int m = 0; m < std::min(found.count, kGangMarks); ++m) {
    const int code = p.slots[found.slots[m]].code;
    view.main().LoadSprite(view.el.Gang[m],
                           view.sprites().TileSprites[TilePicture(code, kBlockHand)]);
  }
  return found.count;
}

void TablePlay::ResolveGangChoice(int c) {
  if (c < 0 || c >= GangChoiceCount) return;
  const int k = GangChoices[c];
  switch (ResolveGang(table_.players[0], k, table_.state.OfferedOps)) {
    case GangKind::Added:
      GangChoices[0] = static_cast<int16_t>(k);
      SendAddedGang(k);
      break;
    case GangKind::Concealed:
      SendConcealedGang(k);
      break;
    case GangKind::OnDiscard:
      SendGang(k);
      break;
    case GangKind::None:
      break;
  }
}

void TablePlay::PerformFirstGangChoice() {
  if (GangChoiceCount < 1) return;
  const int k = GangChoices[0];
  switch (FirstGangKind) {
    case GangKind::Added:
      SendAddedGang(k);
      break;
    case GangKind::OnDiscard:
      SendGang(k);
      break;
    case GangKind::Concealed:
      SendConcealedGang(k);
      break;
    case GangKind::None:
      break;
  }
}

}  // namespace korvel
