#include "demo_props.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace korvel::demo {
namespace {

constexpr const char* kGame = "threegame";
constexpr double kSmallScale = 0.78125;
constexpr int kF2 = 113, kF3 = 114;
constexpr int kBoxW = 64, kBoxH = 56, kPrizeW = 48, kPrizeH = 48;
constexpr int kOpeningFrameMs = 60, kOpeningFrames = 25;
constexpr uint32_t kFlowerColour = 0x9314FF;  // pink, as blue-green-red
constexpr uint32_t kEggColour = 0x00D7FF;     // gold
constexpr int kCaptionMs = 100, kCaptionFrames = 20;
constexpr int kFirstStock = 3;

// Where a seat's caption goes and where its prize lands, in design pixels (view 0 the local
// player at the bottom, 1 the left seat, 2 the right seat).
constexpr int kCaptionAt[kSeats][2] = {{110, 690}, {90, 40}, {530, 40}};
constexpr int kPrizeAt[kEntries][2] = {{24, 610}, {20, 90}, {712, 90}, {488, 90}};

void SetLongs(PropDllLongs& a, std::initializer_list<int32_t> values) {
  a.lower = 0;
  a.count = 0;
  for (int32_t v : values) a.v[a.count++] = v;
}

void SetText(PropDllText& t, const std::string& text) {
  const size_t n = std::min(text.size(), sizeof t.utf8 - 1);
  std::memcpy(t.utf8, text.data(), n);
  t.utf8[n] = '\0';
}

const char* PropName(PropId prop) { return prop == kFlower ? "鲜花" : "鸡蛋"; }
const char* PropUnit(PropId prop) { return prop == kFlower ? "一朵" : "一个"; }

uint32_t Argb(int a, int r, int g, int b) {
  return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 |
         static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}

}  // namespace

DemoProps::DemoProps()
    : closedBox_(DrawClosedBox(kBoxW, kBoxH)), prize_(DrawPrize(kPrizeW, kPrizeH)) {}

int32_t DemoProps::Px(double design) const {
  return static_cast<int32_t>(std::lround(design * scale_));
}

bool DemoProps::Initdll(const std::string& userId, const std::string& game, int scale) {
  if (game != kGame || userId.empty()) return false;
  // Each start at a table begins with the same small stock.
  userId_ = userId;
  scale_ = scale == 2 ? kSmallScale : 1.0;
  started_ = true;
  waiting_.clear();
  seats_ = {};
  flowers_ = kFirstStock;
  eggs_ = kFirstStock;
  deals_ = 0;
  scoreReady_ = false;
  return true;
}

bool DemoProps::GetBaoInfo(PropDllBoxInfo& info) const {
  info = PropDllBoxInfo{};
  // Three rows of five boxes across the middle of the table, one row per seat that earns one.
  constexpr int kStep = 80, kFirstLeft = 512 - (kBoxW + 4 * kStep) / 2, kFirstTop = 280;
  info.boxes30.count = 30;
  for (int k = 0; k < 15; ++k) {
    info.boxes30.v[k] = Px(kFirstLeft + kStep * (k % 5));
    info.boxes30.v[k + 15] = Px(kFirstTop + 70 * (k / 5));
  }
  SetLongs(info.pair1, {Px(512), Px(380)});
  info.eight.count = 8;
  for (int l = 0; l < kEntries; ++l) {
    info.eight.v[l] = Px(kPrizeAt[l][0]);
    info.eight.v[l + 4] = Px(kPrizeAt[l][1]);
  }
  SetLongs(info.pair2, {Px(512), Px(215)});
  info.shorts2.count = 2;
  info.shorts2.v[0] = kOpeningFrameMs;
  info.shorts2.v[1] = kOpeningFrames;
  info.picture1 = {kBoxW, kBoxH, closedBox_.data()};
  SetLongs(info.pair3, {Px(kBoxW), Px(kBoxH)});
  info.picture2 = {kPrizeW, kPrizeH, prize_.data()};
  SetLongs(info.pair4, {Px(kPrizeW), Px(kPrizeH)});
  return true;
}

void DemoProps::Queue(const PropDllAction& action) {
  if (waiting_.size() < kMostWaiting) waiting_.push_back(action);
}

void DemoProps::GetSendBuff(PropDllAction& action) {
  if (waiting_.empty()) {
    action = PropDllAction{};
    return;
  }
  action = waiting_.front();
  waiting_.pop_front();
}

void DemoProps::Say(const std::string& text) {
  PropDllAction a{};
  a.kind = 0;
  SetText(a.text, text);
  Queue(a);
}

void DemoProps::Animate(const std::string& text, int view, uint32_t bgr) {
  if (view < 0 || view >= kSeats) return;
  PropDllAction a{};
  a.kind = 1;
  SetText(a.text, text);
  SetLongs(a.longs1, {Px(160), Px(30), Px(kCaptionAt[view][0]), Px(kCaptionAt[view][1])});
  SetLongs(a.longs2, {kCaptionMs, kCaptionFrames, 14, static_cast<int32_t>(bgr), 2});
  Queue(a);
}

int DemoProps::ViewOfMask(int mask) const {
  for (int v = 0; v < kSeats; ++v) {
    if (mask != 0 && seats_[v].mask == mask) return v;
  }
  return -1;
}

void DemoProps::SendUse(PropId prop, int targetMask) {
  PropDllAction a{};
  a.kind = 2;
  a.bytes.count = 272;
  uint8_t* r = a.bytes.v;
  r[3] = kPropCommand;
  r[6] = static_cast<uint8_t>(seats_[0].mask);
  r[9] = static_cast<uint8_t>(prop);
  r[11] = static_cast<uint8_t>(targetMask);
  std::memcpy(r + 16, userId_.data(), std::min<size_t>(userId_.size(), 16));
  Queue(a);
}

void DemoProps::Give(PropId prop, int view) {
  int& left = prop == kFlower ? flowers_ : eggs_;
  const Seat& target = seats_[view];
  if (target.nickname.empty()) {
    Say(std::string("没有可以送") + PropName(prop) + "的玩家");
    return;
  }
  if (left <= 0) {
    Say(std::string(PropName(prop)) + "已经用完了，开宝箱可以得到更多");
    return;
  }
  --left;
  Say((prop == kFlower ? "你送给" : "你扔给") + target.nickname + PropUnit(prop) + PropName(prop) +
      "（还剩" + std::to_string(left) + "）");
  Animate(prop == kFlower ? "送花！" : "扔鸡蛋！", view,
          prop == kFlower ? kFlowerColour : kEggColour);
  SendUse(prop, target.mask);
}

void DemoProps::SetKeyDown(int key) {
  if (!started_) return;
  // The next seat in play is on the right, the one before on the left.
  if (key == kF2) Give(kFlower, 2);
  if (key == kF3) Give(kEgg, 1);
}

void DemoProps::setbankstate(int state) {
  if (!started_ || state != 0) return;
  Say("【道具仓库】鲜花×" + std::to_string(flowers_) + "，鸡蛋×" + std::to_string(eggs_));
  Say("F2 送鲜花给下家，F3 扔鸡蛋给上家");
}

void DemoProps::Rec_MSG(const uint8_t* r) {
  if (!started_ || r[2] != 0 || r[3] != kPropCommand) return;
  const auto prop = static_cast<PropId>(r[9]);
  if (prop != kFlower && prop != kEgg) return;
  const int from = ViewOfMask(r[6]);
  const int to = ViewOfMask(r[11]);
  if (from <= 0 || to < 0) return;  // our own use comes back from the server: already shown
  const std::string giver = seats_[from].nickname;
  const std::string taker = to == 0 ? std::string("你") : seats_[to].nickname;
  Say(giver + (prop == kFlower ? "送给" : "扔给") + taker + PropUnit(prop) + PropName(prop));
  Animate(prop == kFlower ? "收到鲜花！" : "被扔鸡蛋！", to,
          prop == kFlower ? kFlowerColour : kEggColour);
}

void DemoProps::InitShowEnd() {
  if (!started_ || scoreReady_) return;
  ++deals_;
  score_ = PropDllScore{};
  prizeFlowers_.fill(0);
  // Every third deal the local player earns a box, the deal after it the others do.
  if (deals_ % 3 == 1 && !seats_[0].nickname.empty()) {
    SetText(score_.boxOwnerNames[0], seats_[0].nickname);
    SetText(score_.boxOwnerLines[0], "获得鲜花×2|获得鸡蛋×1");
    prizeFlowers_[0] = 2;
  } else if (deals_ % 3 == 2) {
    for (int v = 1; v < kSeats; ++v) {
      if (seats_[v].nickname.empty()) continue;
      SetText(score_.boxOwnerNames[v], seats_[v].nickname);
      SetText(score_.boxOwnerLines[v], seats_[v].nickname + "获得鲜花×1");
    }
  }
  scoreReady_ = true;
}

bool DemoProps::GetScoreInfo(PropDllScore& score) {
  if (!scoreReady_) return false;
  score = score_;
  scoreReady_ = false;
  if (prizeFlowers_[0] > 0) {
    flowers_ += prizeFlowers_[0];
    eggs_ += 1;
  }
  return true;
}

void DemoProps::InitShowNext(bool) {}

void DemoProps::InitExit() {
  started_ = false;
  waiting_.clear();
  scoreReady_ = false;
}

void DemoProps::ClearUser(int view) {
  if (view >= 0 && view < kSeats) seats_[view] = Seat{};
}

void DemoProps::SetUserinfo(const std::string& nickname, const std::string& account, int mask,
                            int view) {
  if (view < 0 || view >= kSeats) return;
  seats_[view] = Seat{nickname, account, mask};
}

std::vector<uint32_t> DrawClosedBox(int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
  const int lidBottom = height * 2 / 5;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool edge = x < 2 || y < 2 || x >= width - 2 || y >= height - 2;
      const bool seam = std::abs(y - lidBottom) < 2;
      const bool band = std::abs(x - width / 6) < 3 || std::abs(x - width * 5 / 6) < 3;
      const bool lock = std::abs(x - width / 2) < 5 && y > lidBottom - 6 && y < lidBottom + 8;
      // Dark wood, lighter towards the top, with gold bands and a gold lock.
      const int shade = 150 - 60 * y / height;
      uint32_t c = Argb(255, shade, shade / 2, 20);
      if (band || seam) c = Argb(255, 205, 160, 40);
      if (lock) c = Argb(255, 250, 215, 80);
      if (edge) c = Argb(255, 70, 35, 10);
      pixels[static_cast<size_t>(y) * width + x] = c;
    }
  }
  return pixels;
}

std::vector<uint32_t> DrawPrize(int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
  // Three gold coins in a heap.
  const double r = width / 4.0;
  const double centres[3][2] = {
      {width / 2.0, r + 1}, {r + 1, height - r - 1}, {width - r - 1, height - r - 1}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (const auto& c : centres) {
        const double d = std::hypot(x + 0.5 - c[0], y + 0.5 - c[1]);
        if (d > r) continue;
        const bool rim = d > r - 2.5;
        pixels[static_cast<size_t>(y) * width + x] =
            rim ? Argb(255, 170, 120, 10) : Argb(255, 255, 200 + static_cast<int>(30 * d / r), 40);
      }
    }
  }
  return pixels;
}

}  // namespace korvel::demo
