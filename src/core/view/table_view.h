// The table view: the Scene with its main form, the layout scale, the sprite lists, the tile
// element pool, and the procedures that lay the table out and clear it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "view/layout_scale.h"
#include "view/main_elements.h"
#include "view/scene.h"
#include "view/sprite_lists.h"
#include "view/tile_element_pool.h"

namespace korvel {

// Values other subsystems keep per deal that the table reset clears too. Each subsystem that
// has some registers itself with TableView::AddResetParticipant.
class TableResetParticipant {
 public:
  virtual ~TableResetParticipant() = default;
  virtual void OnClearTiles() {}
  virtual void OnClearTable() {}
  virtual void OnResetSeats() {}
};

inline constexpr int kMainButtons = 9;
enum MainButton : int {
  kButtonSend = 0,
  kButtonChat = 1,
  kButtonStart = 2,
  kButtonSettings = 3,
  kButtonHide = 4,
  kButtonScore = 5,
  kButtonHistory = 6,
  kButtonRules = 7,
  kButtonExit = 8,
};

// Where the start-up layout puts the operation row, the side seats' balloons and ready marks
// (design pixels). The row lies over the bottom wall, which is hidden under it while an offer is
// open; the side balloons share the side clock's place, which has moved on to the next seat by
// the time a balloon shows.
inline constexpr double kOperationRowLeft = 358, kOperationRowTop = 461;
inline constexpr double kSideBalloonTop = 280;
inline constexpr double kSideReadyLeft[2] = {60, 900};

class TableView {
 public:
  TableView(TableModel& table, LoopState& loop);
  TableView(const TableView&) = delete;
  TableView& operator=(const TableView&) = delete;

  Scene& scene() { return scene_; }
  const Scene& scene() const { return scene_; }
  // The main form exists once LayOut has run.
  bool laidOut() const { return mainForm_ != kNoForm; }
  // The seats have their rows and discard areas once the table has been cleared; a tile
  // handed to a seat before that has nowhere inside the window to go.
  bool seatsPlaced() const { return seatsPlaced_; }
  Form& main() { return scene_.form(mainForm_); }
  const Form& main() const { return scene_.form(mainForm_); }
  FormId mainForm() const { return mainForm_; }
  const LayoutScale& scale() const { return scale_; }
  const SpriteLists& sprites() const { return sprites_; }
  TileElementPool& pool() { return pool_; }
  const TileElementPool& pool() const { return pool_; }

  // Start-up: builds the main form and its elements, the sprite lists and the layout, in that
  // order. Runs once; a second call does nothing.
  void LayOut(const LayoutScale& scale);

  // Shows tile picture `index` (into TileSprites) on MJ_Image(element), keeping its place, size
  // and z-order. An element outside 0..71 or an index outside 0..179 is ignored.
  void ShowTile(int element, int index);

  // The size the current drawing step places tiles at, by ViewPos, in window pixels. Set from
  // design sizes: widths times the horizontal scale, heights the vertical, rounded.
  std::array<int16_t, kSeats> TileWidth{};
  std::array<int16_t, kSeats> TileHeight{};
  void SetTileSizes(double localWidth, double localHeight, double sideWidth, double sideHeight);

  // The main buttons' flags: under the pointer (hover picture shown), and locked.
  std::array<bool, kMainButtons> ButtonHover{};
  std::array<bool, kMainButtons> ButtonLocked{};

  // Design pixels to window pixels.
  double X(double design) const { return scale_.X(design); }
  double Y(double design) const { return scale_.Y(design); }
  // Places (and sizes) an element from design pixels.
  void Place(ElementId e, double left, double top);
  void Place(ElementId e, double left, double top, double width, double height);

  // The dealer's name on the dealer plate, in a size that fits the plate of this layout.
  void ShowDealerName(const std::string& name);

  // A line in the system message area.
  void AddSystemLine(std::string_view line);

  // ---- the panels the loop and the handlers switch --------------------------------------
  // Each does nothing before the layout; element numbers outside the tiles are ignored.
  void SetTileVisible(int element, bool visible);
  bool TileVisible(int element) const;
  void ShowChatButton(int buttonSprite);
  void ShowContinueButton();
  // Shows `seconds` on the clock, green above 5 and red at 5 or less.
  void ShowClock(int seconds);
  void ShowClockCaption(const std::string& caption, uint32_t colour);
  void HideClock();
  void HideClaimWords(int seat);
  // Main button `button` in its plain or hover look; before the first deal (with the start
  // hint on) the start button reads "start", afterwards "continue".
  void ShowMainButton(int button, bool hover, bool beforeFirstDeal);
  void ShowStartButton(bool beforeFirstDeal) {
    ShowMainButton(kButtonStart, ButtonHover[kButtonStart], beforeFirstDeal);
  }
  void MinimizeMainWindow();
  void RestoreMainWindow();
  bool MainWindowMinimized = false;
  // A replay shows its table throughout: the client still believes its window minimised when
  // it was, but the window itself stays up.
  bool KeepWindowShown = false;

  // ---- clearing the table --------------------------------------------------------------
  // Hides and empties every tile, forgets the hands' tiles and the ready declaration.
  void ClearTiles();
  // Hides the turn, claim and announcement elements, lays out the hidden walls and sets each
  // seat's row and discard origins.
  void ClearTable();
  // The part of ClearTable that undoes what a deal laid out (tiles, walls, seat areas, turn and
  // claim elements), leaving the dealer plate and the multipliers of the deal under way: a
  // rebuilt deal starts from it.
  void ClearDealLayout();
  // Resets the seat records and the per-deal table state.
  void ResetSeats();
  // The full table reset: ClearTiles, ClearTable, ResetSeats.
  void ResetTable();
  void AddResetParticipant(TableResetParticipant* participant);

  // The wall picture of each wall (ViewPos 0, 1, 2): the lying back of the seat's block.
  static int WallTileIndex(ViewPos v);

  MainElements el;

 private:
  void BuildMainForm();
  void PlaceWalls();
  void HideReadySticks();

  TableModel& table_;
  LoopState& loop_;
  Scene scene_;
  FormId mainForm_ = kNoForm;
  bool seatsPlaced_ = false;
  LayoutScale scale_;
  SpriteLists sprites_;
  TileElementPool pool_;
  std::vector<TableResetParticipant*> participants_;
};

}  // namespace korvel
