// What a seat may be asked and what it may answer: the vocabulary shared by the deal, the
// computer players and the table.
#pragma once

#include <cstdint>

#include "rules/tiles.h"

namespace korvel::server {

enum class ActionKind : uint8_t {
  Pass,
  Discard,
  DeclareReady,
  Peng,
  Gang,  // on a discard
  ConcealedGang,
  AddedGang,
  Win,
};

struct Action {
  ActionKind kind = ActionKind::Pass;
  TileCode tile = 0;
};

enum class OfferKind : uint8_t {
  None,
  OwnTurn,  // the seat holds 3k + 2 tiles and must discard (or win, or gang)
  Claim,    // another seat's discard may be claimed
  Rob,      // another seat's added gang may be robbed
};

// One seat's offer, with the lists the option record carries.
struct Offer {
  OfferKind kind = OfferKind::None;
  uint8_t bits = 0;   // OpCode bits: 0x01 pass, 0x08 peng, 0x10 gang, 0x20 concealed gang,
                      // 0x40 added gang, 0x80 win
  TileCode tile = 0;  // the discard or the added tile on offer (claims and robbing)
  TileList concealedGangs;
  TileList addedGangs;
  bool readyOffered = false;
  TileList readyDiscards;

  bool Has(uint8_t bit) const { return (bits & bit) != 0; }
};

const char* ActionName(ActionKind kind);

}  // namespace korvel::server
