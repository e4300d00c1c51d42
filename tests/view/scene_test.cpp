#include "view/scene.h"

#include <gtest/gtest.h>

#include "view/picture_store.h"

namespace korvel {
namespace {

struct RecordingListener : SceneListener {
  void FormDirty(FormId f) override { dirtied.push_back(f); }
  void FormShown(FormId f, bool v) override { shown.emplace_back(f, v); }
  void FormAdded(FormId f) override { added.push_back(f); }
  std::vector<FormId> dirtied, added;
  std::vector<std::pair<FormId, bool>> shown;
};

class SceneTest : public ::testing::Test {
 protected:
  SceneTest() : form(scene.form(scene.AddForm("MainForm", 1024, 768))) {
    back = form.Add("pic1", 0, ElementKind::Picture, {0, 0, 1024, 768});
    tile = form.Add("MJ_Image", 0, ElementKind::Image, {10, 20, 36, 50});
    list = form.Add("Sysmsg", 0, ElementKind::List, {300, 700, 280, 20});
  }
  Scene scene;
  Form& form;
  ElementId back, tile, list;
};

TEST_F(SceneTest, ArrayMembersAreHiddenCopiesOfElementZero) {
  form.SetCaption(tile, "x");
  form.SetToolTip(tile, "tip");
  const ElementId second = form.Load("MJ_Image", 5);
  ASSERT_NE(second, kNoElement);
  EXPECT_EQ(form.Find("MJ_Image", 5), second);
  EXPECT_EQ(form.Find("MJ_Image", 3), kNoElement);
  EXPECT_FALSE(form.Visible(second));
  EXPECT_EQ(form.Get(second)->geometry, form.Get(tile)->geometry);
  EXPECT_EQ(form.Get(second)->toolTip, "tip");
  // Loading twice gives the same element; an array that does not exist gives none.
  EXPECT_EQ(form.Load("MJ_Image", 5), second);
  EXPECT_EQ(form.Load("Nothing", 1), kNoElement);
  EXPECT_EQ(form.Load("MJ_Image", -1), kNoElement);
}

TEST_F(SceneTest, UnknownElementsAreIgnoredEverywhere) {
  for (ElementId bad : {kNoElement, -7, 999}) {
    form.Show(bad);
    form.Hide(bad);
    form.Move(bad, 1, 2, 3, 4);
    form.BringToFront(bad);
    form.SendToBack(bad);
    form.SetCaption(bad, "a");
    form.AddLine(bad, "a");
    EXPECT_FALSE(form.LoadSprite(bad, 201));
    EXPECT_EQ(form.GetLeft(bad), 0);
    EXPECT_FALSE(form.Visible(bad));
    EXPECT_EQ(form.Get(bad), nullptr);
  }
  EXPECT_EQ(form.ElementCount(), 3);
}

TEST_F(SceneTest, LoadSpriteKeepsOrTakesTheSizeAndFailsWithoutChange) {
  EXPECT_TRUE(form.LoadSprite(tile, 209));  // a lying back, 38 x 56, stretched to 36 x 50
  EXPECT_EQ(form.GetPicture(tile), 209);
  EXPECT_EQ(form.GetWidth(tile), 36);
  form.SetStretch(tile, false);
  EXPECT_TRUE(form.LoadSprite(tile, 209));
  EXPECT_EQ(form.GetWidth(tile), 38);
  EXPECT_EQ(form.GetHeight(tile), 56);

  CataloguePictureStore store;
  store.missing.insert(210);
  scene.SetPictureStore(&store);
  EXPECT_FALSE(form.LoadSprite(tile, 210));
  EXPECT_FALSE(form.LoadSprite(tile, 140));  // not part of the set
  EXPECT_EQ(form.GetPicture(tile), 209);
  EXPECT_EQ(form.GetWidth(tile), 38);
  scene.SetPictureStore(nullptr);
  EXPECT_TRUE(form.LoadSprite(tile, 210));
}

TEST_F(SceneTest, SendingToBackNeverHidesBehindTheTableAndListsStayOnTop) {
  const ElementId other = form.Load("MJ_Image", 1);
  form.SendToBack(other);
  auto order = form.PaintOrder();
  ASSERT_EQ(order.size(), 4u);
  EXPECT_EQ(order.front(), back);
  EXPECT_EQ(order[1], other);
  EXPECT_EQ(order.back(), list);
  form.BringToFront(other);
  order = form.PaintOrder();
  EXPECT_EQ(order[2], other);
  EXPECT_EQ(order.back(), list);
  EXPECT_GT(form.ZIndex(other), form.ZIndex(tile));
}

TEST_F(SceneTest, HitTestFindsTheFrontmostVisibleEnabledElement) {
  const ElementId top = form.Load("MJ_Image", 1);
  form.Show(top);
  EXPECT_EQ(form.HitTest(20, 30), top);
  form.Disable(top);
  EXPECT_EQ(form.HitTest(20, 30), tile);
  form.Hide(tile);
  EXPECT_EQ(form.HitTest(20, 30), back);
  EXPECT_EQ(form.HitTest(46, 30), back);  // right edge is outside
  EXPECT_EQ(form.HitTest(-1, 30), kNoElement);
}

TEST_F(SceneTest, ChangesCollectIntoFewDirtyAreasAndTheListenerHearsOnce) {
  RecordingListener listener;
  scene.SetListener(&listener);
  form.TakeDirty();
  const uint64_t before = form.ChangeCount();

  form.Move(tile, 100.5, 200.25);
  auto dirty = form.TakeDirty();
  ASSERT_EQ(dirty.size(), 2u);  // where it was and where it is, far apart
  EXPECT_EQ(dirty[1], (Rect{100, 200, 37, 51}));
  EXPECT_GT(form.ChangeCount(), before);
  EXPECT_EQ(listener.dirtied.size(), 1u);

  // Invisible elements change nothing on screen.
  const ElementId hidden = form.Load("MJ_Image", 1);
  form.Move(hidden, 500, 500);
  form.SetCaption(hidden, "x");
  EXPECT_FALSE(form.Dirty());

  // Many scattered changes stay within the cap, and areas outside the window are dropped.
  for (int i = 0; i < 40; ++i) {
    const ElementId e = form.Load("MJ_Image", 2 + i);
    form.Move(e, 25.0 * i, 15.0 * i);
    form.Show(e);
  }
  form.Move(hidden, 2000, 2000);
  form.Show(hidden);
  dirty = form.TakeDirty();
  EXPECT_LE(dirty.size(), Form::kMaxDirtyRects);
  for (const Rect& r : dirty) EXPECT_LE(r.right(), 1024);
  EXPECT_EQ(listener.dirtied.size(), 2u);

  // Setting what is already there is no change.
  form.Move(tile, 100.5, 200.25);
  form.Show(tile);
  form.SetCaption(tile, "");
  EXPECT_FALSE(form.Dirty());
}

TEST_F(SceneTest, ListsKeepABoundedHistory) {
  for (int i = 0; i < kMaxListLines + 5; ++i) form.AddLine(list, std::to_string(i));
  const auto& lines = form.Get(list)->lines;
  ASSERT_EQ(lines.size(), static_cast<size_t>(kMaxListLines));
  EXPECT_EQ(lines.front(), "5");
  form.ClearLines(list);
  EXPECT_TRUE(form.Get(list)->lines.empty());
}

TEST_F(SceneTest, FormsAreFoundByNameAndReportTheirWindow) {
  RecordingListener listener;
  scene.SetListener(&listener);
  const FormId talk = scene.AddForm("Talk", 300, 200);
  EXPECT_EQ(scene.AddForm("Talk", 1, 1), talk);
  EXPECT_EQ(scene.FindForm("Talk")->id(), talk);
  EXPECT_EQ(scene.FindForm("Nope"), nullptr);
  scene.form(talk).SetFormVisible(true);
  scene.form(talk).SetFormVisible(true);
  ASSERT_EQ(listener.added, std::vector<FormId>{talk});
  ASSERT_EQ(listener.shown.size(), 1u);
  EXPECT_TRUE(listener.shown[0].second);
}

TEST_F(SceneTest, CursorsAndOpacityStayInRange) {
  form.SetCursor(tile, 99);
  EXPECT_EQ(form.Get(tile)->cursor, kCursorCustom);
  form.SetCursor(tile, 5);
  EXPECT_EQ(form.Get(tile)->cursor, kCursorDefault);
  form.SetOpacity(tile, 400);
  EXPECT_EQ(form.Get(tile)->opacity, 255);
  form.SetOpacity(tile, -3);
  EXPECT_EQ(form.Get(tile)->opacity, 0);
}

}  // namespace
}  // namespace korvel
