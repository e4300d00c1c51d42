// Play by keyboard: the arrow keys pick a hand tile out as the pointer does, Enter or Space
// discards it, letter keys answer an offer and digits choose among gangs. Each key goes through the
// same handler as the pointer, so what leaves for the server is the same as for the click.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/player_record.h"
#include "model/session_settings.h"
#include "platform/ports.h"
#include "table/table_play.h"
#include "view/element_events.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;
// A picked-out tile stands this far above the row (as the pointer leaves it).
constexpr double kRaise = 10;

struct OperationKey {
  int keyCode;
  int button;  // Operation(i)
  const char* toolTip;
};
constexpr std::array<OperationKey, 5> kOperationKeys = {{
    {'P', 1, "碰 (P)"},
    {'G', 2, "杠 (G)"},
    {'R', 3, "报叫 (R)"},
    {'H', 4, "胡 (H)"},
    {'N', 5, "过 (N)"},
}};

}  // namespace

void TablePlay::NameOperationKeys() {
  TableView& view = view_;
  if (!view.laidOut()) return;
  for (const OperationKey& k : kOperationKeys) {
    view.main().SetToolTip(view.el.Operation[k.button], k.toolTip);
  }
  // The gang choice marks take the digits, left mark first.
  for (size_t c = 0; c < view.el.Gang.size(); ++c) {
    view.main().SetToolTip(view.el.Gang[c], "杠 (" + std::to_string(c + 1) + ")");
  }
}

std::vector<int> TablePlay::KeyboardTiles() const {
  const TableView& view = view_;
  const PlayerRecord& p = table_.players[0];
  std::vector<int> tiles;
  if (!view.laidOut()) return tiles;
  const Form& f = view.main();
  const SlotRange range = ConcealedSlots(p);
  for (int k = range.first; k < range.end; ++k) {
    const int e = p.slots[k].element;
    const ElementId id = view.pool().Element(e);
    // Only what the pointer could reach: a tile in sight that takes clicks.
    if (id != kNoElement && f.Visible(id) && f.Enabled(id)) tiles.push_back(e);
  }
  std::sort(tiles.begin(), tiles.end(), [&](int a, int b) {
    return f.GetLeft(view.pool().Element(a)) < f.GetLeft(view.pool().Element(b));
  });
  return tiles;
}

int TablePlay::RaisedTile() const {
  const TableView& view = view_;
  if (!view.laidOut()) return -1;
  const double raised = table_.players[0].rowY - kRaise;
  for (int e : KeyboardTiles()) {
    if (std::abs(view.main().GetTop(view.pool().Element(e)) - raised) < 0.5) return e;
  }
  return -1;
}

bool TablePlay::OnPlayKey(int keyCode) {
  TableView& view = view_;
  if (!view.laidOut() || settings_.Spectator) return false;
  if (keyCode == kKeyLeft || keyCode == kKeyRight) {
    const std::vector<int> tiles = KeyboardTiles();
    if (tiles.empty()) return true;
    const int raised = RaisedTile();
    // Once ready is declared several tiles stand up; the key then walks its own mark.
    const int from = table_.state.ReadyDeclared ? keyTile_ : raised;
    const auto at = std::find(tiles.begin(), tiles.end(), from);
    int next;
    if (at == tiles.end()) {
      next = keyCode == kKeyRight ? tiles.front() : tiles.back();
    } else {
      const long i = at - tiles.begin() + (keyCode == kKeyRight ? 1 : -1);
      next =
          tiles[static_cast<size_t>(std::clamp<long>(i, 0, static_cast<long>(tiles.size()) - 1))];
    }
    keyTile_ = next;
    // As the pointer coming over the tile: it rises when it may.
    OnTileHover(next);
    return true;
  }
  if (keyCode == kKeyReturn || keyCode == kKeySpace) {
    const int tile = table_.state.ReadyDeclared ? keyTile_ : RaisedTile();
    const std::vector<int> tiles = KeyboardTiles();
    if (tile >= 0 && std::find(tiles.begin(), tiles.end(), tile) != tiles.end()) {
      OnTileClick(tile, kLeftButton);
    }
    return true;
  }
  if (keyCode >= '1' && keyCode < '1' + static_cast<int>(view.el.Gang.size())) {
    const int c = keyCode - '1';
    const ElementId mark = view.el.Gang[c];
    if (view.main().Visible(mark) && view.main().Enabled(mark)) OnGangChoiceClick(c);
    return true;
  }
  for (const OperationKey& k : kOperationKeys) {
    if (k.keyCode != keyCode) continue;
    const ElementId button = view.el.Operation[k.button];
    if (view.main().Visible(button) && view.main().Enabled(button)) OnOperationClick(k.button);
    return true;
  }
  return false;
}

}  // namespace korvel
