// The whole client driven from the socket side, shared by the harnesses that start it: bytes
// arrive from the server in arbitrary pieces, the input also clicks tiles and buttons, presses
// keys, sends lobby messages, drops the connection and moves the virtual clock, and after every
// step the client's state must hold together; anything else aborts. Steps are described in
// client_steps.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/client.h"
#include "client_steps.h"
#include "platform/virtual_platform.h"

// The checks run after every step; their own comparisons are no coverage worth steering by.
#define KORVEL_FUZZ_NO_COVERAGE __attribute__((no_sanitize("coverage")))

namespace korvel::fuzz {

inline constexpr int kKeys[] = {kKeyBack,   kKeyTab,   kKeyReturn, kKeyShift, kKeyControl, kKeyAlt,
                                kKeyEscape, kKeySpace, kKeyF1,     113,       114,         115,
                                'A',        '0',       46,         13};
inline constexpr uint32_t kLobbyNumbers[] = {22,   771,  1024,        1125,
                                             1126, 1127, kSysCommand, kSysCommand};
// A receive ring that holds this much and has not moved for this long has stopped for good.
inline constexpr int64_t kStallLimitMs = 20000;

[[noreturn]] inline void Violation(const char* what, long a = 0, long b = 0) {
  std::fprintf(stderr, "invariant violated: %s (%ld, %ld)\n", what, a, b);
  std::abort();
}

inline void Require(bool ok, const char* what, long a = 0, long b = 0) {
  if (!ok) Violation(what, a, b);
}

class Harness {
 public:
  // `forcedFlags` are added to the flags byte the input starts with.
  Harness(const uint8_t* data, size_t size, uint8_t forcedFlags = 0)
      : data_(data), size_(size), forcedFlags_(forcedFlags), client_(vp_.platform()) {
    vp_.lobby.windows.insert("Tesk山庄");
    vp_.lobby.windows.insert("lobby");
  }

  VirtualPlatform& platform() { return vp_; }
  Client& client() { return client_; }

  void Run() {
    const uint8_t flags = Byte() | forcedFlags_;
    watcher_ = flags & kFlagWatcher;
    client_.Startup(LaunchLine(flags));
    // The dice and the shuffle tumble the same way every time, so recorded games replay.
    client_.tablePlay().SetRandomSource([](int) { return 0; });
    Check();
    while (at_ < size_) {
      Step();
      Check();
    }
  }

 private:
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t Word() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }

  void Deliver(size_t n) {
    n = std::min(n, size_ - at_);
    vp_.socket.Deliver(std::span(data_ + at_, n));
    at_ += n;
  }

  void Advance(int64_t ms) { vp_.timers.Advance(ms); }

  ElementEvent Event(ElementId element, int button) {
    ElementEvent ev;
    ev.form = client_.view().mainForm();
    ev.element = element;
    ev.button = button;
    return ev;
  }
  void Press(ElementId element, int button) {
    client_.input().OnMouseDown(Event(element, button));
    client_.input().OnMouseUp(Event(element, button));
  }

  void Step() {
    const uint8_t op = Byte();
    if (trace_) {
      const RecordBytes& r = client_.records().ReceivedRecord;
      std::fprintf(stderr,
                   "t=%lld op=%02x last record:", static_cast<long long>(vp_.timers.NowMs()), op);
      for (int k = 0; k < 16; ++k) std::fprintf(stderr, " %02x", r[k]);
      if (client_.view().laidOut()) {
        const Element* e = client_.view().main().Get(client_.view().el.MJ_Image[0]);
        std::fprintf(stderr, " | tile 0 %s %g,%g", e->visible ? "shown" : "hidden",
                     e->geometry.left, e->geometry.top);
      }
      std::fprintf(stderr, "\n");
    }
    const MainElements& el = client_.view().el;
    if (op < 0x80) {
      Deliver(op == kOpDeliver ? Word() : op);
      return;
    }
    switch (op) {
      case kOpTime:
        Advance((Byte() + 1) * 10);
        break;
      case kOpTimeLong:
        Advance((Byte() % 64 + 1) * 1000);
        break;
      case kOpTile:
        Press(el.MJ_Image[Byte() % kTileElements], kLeftButton);
        break;
      case kOpRightTile:
        Press(el.MJ_Image[Byte() % kTileElements], kRightButton);
        break;
      case kOpOperation:
        client_.input().OnClick(Event(el.Operation[Byte() % el.Operation.size()], kLeftButton));
        break;
      case kOpGangChoice:
        client_.input().OnClick(Event(el.Gang[Byte() % el.Gang.size()], kLeftButton));
        break;
      case kOpDecline:
        client_.input().OnMouseUp(Event(el.pic1, kRightButton));
        break;
      case kOpElement:
        AnyElement();
        break;
      case kOpKey: {
        const int key = kKeys[Byte() % std::size(kKeys)];
        const int shift = Byte() & 7;
        client_.input().OnKeyDown(client_.view().mainForm(), el.Chat, key, shift);
        break;
      }
      case kOpLobby: {
        const uint8_t pick = Byte();
        LobbyMessage m;
        m.number = kLobbyNumbers[pick % std::size(kLobbyNumbers)];
        if (m.number == kSysCommand) m.param1 = pick & 0x80 ? kScRestore : kScMinimize;
        vp_.lobby.DeliverToClient(m);
        break;
      }
      case kOpPeerClose:
        vp_.socket.PeerClose();
        break;
      case kOpConnectFails:
        vp_.socket.nextConnectResult = Byte() & 1 ? 10061 : 0;
        break;
      case kOpText: {
        const size_t n = std::min<size_t>(Byte(), size_ - at_);
        Form& form = client_.view().main();
        form.SetCaption(el.Chat, std::string_view(reinterpret_cast<const char*>(data_ + at_), n));
        at_ += n;
        client_.input().OnTextChanged(form.id(), el.Chat);
        break;
      }
      default:
        Advance(kTickMs);
        break;
    }
  }

  // Any form, any element, any kind of input.
  void AnyElement() {
    Scene& scene = client_.view().scene();
    const FormId formId = Byte() % scene.FormCount();
    const Form& form = scene.form(formId);
    const uint16_t pick = Word();
    const uint8_t how = Byte();
    if (form.ElementCount() == 0) return;
    ElementEvent ev;
    ev.form = formId;
    ev.element = pick % form.ElementCount();
    ev.button = how & 1 ? kRightButton : kLeftButton;
    ev.x = (how >> 1) & 7;
    ev.y = (how >> 4) & 7;
    switch (how >> 6) {
      case 0:
        client_.input().OnClick(ev);
        break;
      case 1:
        client_.input().OnMouseDown(ev);
        client_.input().OnMouseMove(ev);
        client_.input().OnMouseUp(ev);
        break;
      case 2:
        client_.input().OnDoubleClick(ev);
        break;
      default:
        client_.input().OnFormResize(formId, how & 1);
        break;
    }
  }

  KORVEL_FUZZ_NO_COVERAGE void Check() {
    CheckTable();
    CheckScene();
    CheckSent();
    CheckReceiving();
    // Keep what the fakes collect from growing over a long input.
    vp_.log.lines.clear();
    vp_.dialogs.shown.clear();
    vp_.sound.played.clear();
    vp_.lobby.deliveries.clear();
  }

  KORVEL_FUZZ_NO_COVERAGE void CheckTable() {
    const TableModel& t = client_.table();
    for (int v = 0; v < kSeats; ++v) {
      const PlayerRecord& p = t.players[v];
      Require(p.handCount >= 0 && p.handCount <= 14, "hand count", v, p.handCount);
      Require(PlayerRecord::ValidSlot(p.handStart) || p.handStart == kSlotsPerSeat, "hand start", v,
              p.handStart);
      Require(p.handStart + p.handCount <= kSlotsPerSeat, "hand end", v, p.handStart + p.handCount);
      Require(p.meldCursor >= 0 && p.meldCursor <= kSlotsPerSeat, "meld cursor", v, p.meldCursor);
      Require(p.laidStart >= 0 && p.laidStart <= kSlotsPerSeat, "laid start", v, p.laidStart);
      for (const TileSlot& s : p.slots) {
        Require(s.element >= -1 && s.element < kTileElements, "slot element", v, s.element);
      }
    }
    const TableState& s = t.state;
    Require(s.OfferElement >= -1 && s.OfferElement < kTileElements, "offer element",
            s.OfferElement);
    Require(s.NextTileElement >= 0 && s.NextTileElement < kTileElements, "next tile element",
            s.NextTileElement);
    Require(s.WallEndElement >= 0 && s.WallEndElement < kTileElements, "wall end element",
            s.WallEndElement);
    Require(s.OfferView >= 0 && s.OfferView < kSeats, "offer view", s.OfferView);
    Require(s.RightDiscardCount >= 0 && s.RightDiscardCount <= kRightDiscards,
            "right discard count", s.RightDiscardCount);
    Require(s.Winner >= -1 && s.Winner < kSeats, "winner", s.Winner);
  }

  // A visible element of the table's window lies inside it.
  KORVEL_FUZZ_NO_COVERAGE void CheckScene() {
    if (!client_.view().laidOut()) return;
    const Form& form = client_.view().main();
    // Only a changed window needs looking at again.
    if (form.ChangeCount() == checkedChanges_) return;
    checkedChanges_ = form.ChangeCount();
    constexpr double kSlack = 1;
    for (ElementId e = 0; e < form.ElementCount(); ++e) {
      const Element* el = form.Get(e);
      if (!el->visible || el->geometry.Empty()) continue;
      const Rect& r = el->geometry;
      if (r.left < -kSlack || r.top < -kSlack || r.right() > form.width() + kSlack ||
          r.bottom() > form.height() + kSlack) {
        std::fprintf(stderr, "element %s(%d) at %g,%g size %g x %g\n", el->name.c_str(), el->index,
                     r.left, r.top, r.width, r.height);
        Violation("element outside the window", e);
      }
    }
  }

  // A watcher keeps the connection alive and may leave, but never plays.
  KORVEL_FUZZ_NO_COVERAGE void CheckSent() {
    if (watcher_) {
      for (const auto& bytes : vp_.socket.sent) {
        // The proxy's negotiation is not a record.
        if (bytes.size() != kRecordSize) continue;
        const int command = bytes[2] << 8 | bytes[3];
        const bool continues = command == kCommandContinue && bytes[15] != 0;
        const bool played = command == 2 || command == kCmdOperation || continues;
        Require(!played, "a watcher played", command, bytes[15]);
      }
    }
    vp_.socket.sent.clear();
    vp_.socket.sentAt.clear();
  }

  // Records waiting in the ring are taken sooner or later while the loop runs.
  KORVEL_FUZZ_NO_COVERAGE void CheckReceiving() {
    const Records& r = client_.records();
    const int64_t now = vp_.timers.NowMs();
    const bool receiving = client_.mainLoop().Running() && client_.loop().LoopFlag[kStepReceive];
    if (!receiving || r.ReceivedBytes() < 2 * kRecordSize || r.ReceiveRead != lastRead_) {
      lastRead_ = r.ReceiveRead;
      stillSince_ = now;
      return;
    }
    Require(now - stillSince_ < kStallLimitMs, "records wait in the ring forever",
            static_cast<long>(r.ReceivedBytes()), static_cast<long>(now - stillSince_));
  }

  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  uint8_t forcedFlags_ = 0;
  bool watcher_ = false;
  // KORVEL_FUZZ_TRACE=1 prints every step, to find the one that broke something.
  const bool trace_ = std::getenv("KORVEL_FUZZ_TRACE") != nullptr;
  uint64_t checkedChanges_ = ~uint64_t{0};
  uint32_t lastRead_ = 0;
  int64_t stillSince_ = 0;
  VirtualPlatform vp_;
  Client client_;
};

}  // namespace korvel::fuzz
