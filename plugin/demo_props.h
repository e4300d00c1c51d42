// The demonstration prop component: two props a player can give to another seat (flowers to
// the next seat with F2, eggs to the seat before with F3; the bank button lists what is left),
// announced as a chat line and a caption over the seat, told to the server as a prop record so
// the other seats see it too, and a treasure box at the end of some deals whose prize is more
// props. Everything it needs comes through the component contract.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "props/propdll.h"

namespace korvel::demo {

inline constexpr int kSeats = 3;
inline constexpr int kEntries = PROPDLL_ENTRIES;
inline constexpr int kPropCommand = 45;
inline constexpr size_t kMostWaiting = 32;

enum PropId : int { kFlower = 1, kEgg = 2 };

struct Seat {
  std::string nickname;
  std::string account;
  int mask = 0;
};

class DemoProps {
 public:
  DemoProps();

  bool Initdll(const std::string& userId, const std::string& game, int scale);
  bool GetBaoInfo(PropDllBoxInfo& info) const;
  void Rec_MSG(const uint8_t* record);
  int CheckSendBuff() const { return static_cast<int>(waiting_.size()); }
  void GetSendBuff(PropDllAction& action);
  bool GetScoreInfo(PropDllScore& score);
  void InitShowNext(bool show);
  void InitShowEnd();
  void InitExit();
  void ClearUser(int view);
  void SetUserinfo(const std::string& nickname, const std::string& account, int mask, int view);
  void SetKeyDown(int key);
  void setbankstate(int state);

  int flowers() const { return flowers_; }
  int eggs() const { return eggs_; }
  int deals() const { return deals_; }

 private:
  // Design pixels of the full table, scaled to the window the client drew.
  int32_t Px(double design) const;
  void Say(const std::string& text);
  void Animate(const std::string& text, int view, uint32_t bgr);
  void Give(PropId prop, int view);
  void SendUse(PropId prop, int targetMask);
  int ViewOfMask(int mask) const;
  void Queue(const PropDllAction& action);

  bool started_ = false;
  double scale_ = 1.0;
  std::string userId_;
  std::array<Seat, kSeats> seats_;
  int flowers_ = 3;
  int eggs_ = 3;
  int deals_ = 0;
  bool scoreReady_ = false;
  PropDllScore score_{};
  std::array<int, kEntries> prizeFlowers_{};
  std::deque<PropDllAction> waiting_;
  std::vector<uint32_t> closedBox_;
  std::vector<uint32_t> prize_;
};

// The pictures of the boxes, drawn here: a closed chest and a heap of gold coins.
std::vector<uint32_t> DrawClosedBox(int width, int height);
std::vector<uint32_t> DrawPrize(int width, int height);

}  // namespace korvel::demo
