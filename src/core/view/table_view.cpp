#include "view/table_view.h"

#include <algorithm>
#include <cmath>

#include "platform/gbk.h"

namespace korvel {

TableView::TableView(TableModel& table, LoopState& loop)
    : table_(table), loop_(loop), pool_(table.state.NextTileElement) {}

void TableView::ShowTile(int element, int index) {
  if (!laidOut() || element < 0 || element >= kTileElements || index < 0 || index >= kTileSprites) {
    return;
  }
  Form& f = main();
  const ElementId e = el.MJ_Image[element];
  f.Hide(e);
  f.LoadSprite(e, sprites_.TileSprites[index]);
  f.Show(e);
}

void TableView::SetTileSizes(double localWidth, double localHeight, double sideWidth,
                             double sideHeight) {
  TileWidth[0] = scale_.RoundX(localWidth);
  TileHeight[0] = scale_.RoundY(localHeight);
  for (int v = 1; v < kSeats; ++v) {
    TileWidth[v] = scale_.RoundX(sideWidth);
    TileHeight[v] = scale_.RoundY(sideHeight);
  }
}

void TableView::Place(ElementId e, double left, double top) { main().Move(e, X(left), Y(top)); }

void TableView::Place(ElementId e, double left, double top, double width, double height) {
  main().Move(e, X(left), Y(top), X(width), Y(height));
}

void TableView::AddSystemLine(std::string_view line) {
  if (laidOut()) main().AddLine(el.Sysmsg[0], line);
}

int TableView::WallTileIndex(ViewPos v) {
  constexpr int kBlocks[kSeats] = {kBlockUpright, kBlockLeft, kBlockRight};
  return LyingBackIndex(kBlocks[std::clamp(v, 0, kSeats - 1)]);
}

void TableView::AddResetParticipant(TableResetParticipant* participant) {
  if (participant &&
      std::find(participants_.begin(), participants_.end(), participant) == participants_.end()) {
    participants_.push_back(participant);
  }
}

void TableView::ShowDealerName(const std::string& name) {
  if (!laidOut()) return;
  // Names of eleven characters or more take the smaller size, in both layouts.
  constexpr size_t kLongName = 11;
  const double points = Utf8Length(name) >= kLongName ? 9 : 12;
  main().SetCaption(el.lbZhuang, name);
  main().SetFontSize(el.lbZhuang, points);
}

}  // namespace korvel
