// Painting the table: a full repaint of the main form at 1024 x 768 with a deal on the table,
// the repaint of one moved tile, and the memory the decoded picture set takes.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "picture_library.h"
#include "scene_renderer.h"
#include "view/table_view.h"

namespace korvel {
namespace {

QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "bench_scene_paint";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Never destroyed: Qt's own globals are gone by the time statics are torn down.
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  return *app;
}

// A table in the middle of a deal: walls, a hand for every seat, discards, the dealer plate,
// the clock, portraits, names and messages.
struct DealOnTable {
  DealOnTable() {
    App();
    pictures.LoadFolder(QString(KORVEL_SHARE_DIR) + "/pictures");
    view.scene().SetPictureStore(&pictures);
    view.LayOut(LayoutScale::Full());
    view.ResetTable();
    Form& f = view.main();
    for (int i = 0; i < 30; ++i) view.ShowTile(i, TableView::WallTileIndex(i / 24));
    for (int i = 48; i < 60; ++i) view.ShowTile(i, TableView::WallTileIndex(2));
    int next = 30;
    for (int s = 4; s < 17; ++s, ++next) {  // the local hand
      f.Move(view.el.MJ_Image[next], 19 + s * 48, 564, 48, 78);
      view.ShowTile(next, 144 + (s * 7) % 36);
    }
    for (int s = 4; s < 12; ++s, ++next) {  // the left hand's backs
      f.Move(view.el.MJ_Image[next], 163 - 5 * s, 192 + s * 17.5, 35, 66);
      view.ShowTile(next, 43);
    }
    for (int k = 0; k < 6; ++k, ++next) {  // discards
      f.Move(view.el.MJ_Image[next], 356 + 36 * k, 443, 36, 50);
      view.ShowTile(next, (k * 5) % 36);
    }
    for (int v = 0; v < 3; ++v) {
      f.LoadSprite(view.el.Tou[v], view.sprites().AvatarSprites[v * 6]);
      f.SetCaption(view.el.Nid[v], "玩家" + std::to_string(v + 1));
      f.SetCaption(view.el.Cash[v], "12800");
      f.SetCaption(view.el.Level[v], "雀圣");
    }
    for (ElementId e : {view.el.img_zhuang, view.el.Time_Img, view.el.Number}) f.Show(e);
    f.SetCaption(view.el.Number, "8");
    f.AddLine(view.el.Sysmsg[0], "欢迎来到Korvel麻将！");
  }
  TableModel table;
  LoopState loop;
  PictureLibrary pictures;
  TableView view{table, loop};
};

void BM_FullRepaint(benchmark::State& state) {
  DealOnTable deal;
  SceneRenderer renderer(deal.pictures);
  QImage target(1024, 768, QImage::Format_RGB32);
  const QRect all = target.rect();
  {
    QPainter warm(&target);
    renderer.Paint(warm, deal.view.main(), all);
  }
  for (auto _ : state) {
    QPainter p(&target);
    renderer.Paint(p, deal.view.main(), all);
    p.end();
    benchmark::DoNotOptimize(target.constBits());
  }
  state.counters["decoded_MB"] = deal.pictures.DecodedBytes() / 1048576.0;
  state.counters["scaled_MB"] = deal.pictures.ScaledBytes() / 1048576.0;
  state.counters["pictures"] = deal.pictures.Loaded();
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

void BM_RepaintOneTile(benchmark::State& state) {
  DealOnTable deal;
  SceneRenderer renderer(deal.pictures);
  QImage target(1024, 768, QImage::Format_RGB32);
  Form& f = deal.view.main();
  const ElementId tile = deal.view.el.MJ_Image[35];
  f.TakeDirty();
  for (auto _ : state) {
    // A tile is raised and lowered again, as the pointer passes over the hand.
    f.Move(tile, f.GetLeft(tile), f.GetTop(tile) == 564 ? 554 : 564);
    QPainter p(&target);
    for (const Rect& r : f.TakeDirty()) {
      renderer.Paint(p, f, QRect(r.left, r.top, r.width, r.height));
    }
  }
}
BENCHMARK(BM_RepaintOneTile)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvel
