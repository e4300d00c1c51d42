// The per-seat records and the table-wide state shared by the table handlers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/seat_info.h"
#include "model/tiles.h"

namespace korvel {

struct TileSlot {
  SlotKind kind = SlotKind::Empty;
  int16_t code = 0;
  int16_t element = -1;  // index into the tile element pool, -1 = none
};

inline constexpr int kSlotsPerSeat = 18;

struct PlayerRecord {
  std::string name;  // record 0 only: the local user id
  int32_t dealScore = 0;
  uint8_t seatMask = 0;
  bool isDealer = false;
  int16_t discardX = 0, discardY = 0;
  int16_t discardX0 = 0, discardY0 = 0;
  int16_t rowX = 0, rowY = 0;
  std::array<TileSlot, kSlotsPerSeat> slots{};
  int16_t meldCursor = 4;
  int16_t handStart = 4;
  int16_t laidStart = 4;
  int16_t handCount = 0;
  int16_t redAside = 0;
  int16_t otherAside = 0;

  // True when `slot` is a valid slot index; every index read from a record is checked first.
  static constexpr bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotsPerSeat; }
};

inline constexpr int kOperationButtons = 6;
inline constexpr int kReadyDiscards = 14;
inline constexpr int kRightDiscards = 24;

struct TableState {
  int16_t OfferTile = 0;
  int16_t OfferElement = -1;
  int16_t OfferView = 0;
  int16_t DealDone = -1;
  int16_t NextTileElement = 0;
  int16_t WallEndElement = 0;
  // The two cursors as the deal start set them: a rebuilt deal counts from there, however far
  // the deal had gone before the connection dropped.
  int16_t DealFirstElement = 0;
  int16_t DealWallEnd = 0;
  int16_t ReplacementDraw = -1;
  uint8_t OfferedOps = 0;
  std::array<int16_t, kOperationButtons> OperationState{};
  bool OpSent = false;
  int16_t ClickState = 1;
  bool MustDiscard = false;
  bool ReadyDeclared = false;
  bool ReadyListSent = false;
  std::array<int16_t, kReadyDiscards> ReadyDiscards{};
  uint8_t WinOffered = 0;
  bool OfferClaimed = false;
  uint8_t WinTile = 0;
  std::array<int16_t, kSeats> LaidDown{};
  std::array<std::array<int16_t, kSlotsPerSeat>, 2> RevealedTiles{};
  std::array<std::array<int16_t, 8>, kSeats> AsideElements{};
  // The right seat's discard elements in order, for their stacking.
  std::array<int16_t, kRightDiscards> RightDiscards{};
  int16_t RightDiscardCount = 0;
  int16_t Winner = -1;
  bool Spectator = false;
};

// Where the stay at the table has got to: set by the subsystem that sees it change, read by
// the others.
struct GameProgress {
  int DealCount = 0;           // deals started since the last login
  bool GameRunning = false;    // a game is on: a player leaving ends it
  bool GameEnded = false;      // the server ended the game
  bool CountdownArmed = true;  // the deal-end board counts down to the next deal
  int16_t TimeoutLimit = 0;    // time-outs in a row the server allows, from the login result
  int16_t TimeoutRun = 0;      // time-outs in a row so far
  bool HiddenByKey = false;    // the hide key took the window away
  bool TableRestored = false;  // the snapshot after a reconnection or for a watcher is laid out
};

// The seats as the login and the seat announcements left them: who sits where, their faces and
// stakes, and what the seating handlers tell the deal handlers.
struct SeatingState {
  std::array<std::string, kSeats> SeatName;  // account names by seat index
  int SeatCount = 0;
  bool SeatsAnnounced = false;
  int OthersSeated = 0;
  std::array<std::string, 2> LastOpponents;
  int OpponentChanges = 0;
  std::array<int32_t, 4> SeatStakes{};
  int32_t LastStake = 0;
  struct Face {
    std::string nickname;
    std::string avatar;
  };
  std::array<Face, kSeats> SeatFace;
  int DealStarted = 0;
  bool PropDealStarted = false;
  std::string AdPage;
  std::string ShuffleAd;

  // The smallest positive stake at the table, 0 when there is none.
  int32_t SmallestStake() const {
    int32_t smallest = 0;
    for (int32_t stake : SeatStakes) {
      if (stake > 0 && (smallest == 0 || stake < smallest)) smallest = stake;
    }
    return smallest;
  }
};

// The three seats' records, indexed by ViewPos, plus the table-wide state. Allocated once.
struct TableModel {
  std::array<PlayerRecord, kSeats> players;
  std::array<SeatInfo, kSeats> seatInfo;  // what the server told about each player, by ViewPos
  GameProgress progress;
  SeatingState seating;
  TableState state;

  int LocalMask() const { return players[0].seatMask; }
  ViewPos ViewOfMask(int mask) const { return ViewOf(LocalMask(), mask); }
};

}  // namespace korvel
