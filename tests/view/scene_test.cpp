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

// A list box four lines high (9-point lines are 16 pixels) holding `n` lines "0", "1", ...
class ListScrollTest : public ::testing::Test {
 protected:
  ListScrollTest() : form(scene.form(scene.AddForm("Hero", 400, 300))) {
    a = form.Add("Num", 0, ElementKind::List, {10, 10, 100, 66});
    b = form.Add("Grade", 0, ElementKind::List, {120, 10, 100, 66});
    for (ElementId e : {a, b}) form.SetFontSize(e, 9);
  }
  void Fill(ElementId e, int n) {
    for (int i = 0; i < n; ++i) form.AddLine(e, std::to_string(i));
  }
  int Top(ElementId e) { return form.Get(e)->topLine; }
  int Chosen(ElementId e) { return form.Get(e)->selectedLine; }
  Scene scene;
  Form& form;
  ElementId a, b;
};

TEST_F(ListScrollTest, TheTopLineStaysWithinTheLinesAndTheWheelMovesItThreeANotch) {
  EXPECT_EQ(form.ListPage(a), 4);
  Fill(a, 10);
  EXPECT_TRUE(form.ListOverflows(a));
  EXPECT_EQ(form.ListLastTop(a), 6);
  form.ScrollList(a, 99);
  EXPECT_EQ(Top(a), 6);
  form.ScrollList(a, -5);
  EXPECT_EQ(Top(a), 0);
  form.WheelList(a, -1);  // towards the user: down
  EXPECT_EQ(Top(a), 3);
  form.WheelList(a, -1);
  EXPECT_EQ(Top(a), 6);
  form.WheelList(a, 1);
  EXPECT_EQ(Top(a), 3);
  // A list that fits does not scroll; an unknown element is left alone.
  Fill(b, 3);
  EXPECT_FALSE(form.ListOverflows(b));
  form.WheelList(b, -4);
  EXPECT_EQ(Top(b), 0);
  form.ScrollList(kNoElement, 3);
  form.WheelList(999, 1);
}

TEST_F(ListScrollTest, TheLineUnderThePointerCountsFromTheTopLine) {
  Fill(a, 10);
  const double top = form.ListTextTop(a);
  EXPECT_EQ(form.ListLineAt(a, top + 1), 0);
  EXPECT_EQ(form.ListLineAt(a, top + 16 * 3 + 1), 3);
  EXPECT_EQ(form.ListLineAt(a, top + 16 * 4 + 1), -1) << "below the last row in view";
  EXPECT_EQ(form.ListLineAt(a, -1), -1);
  form.ScrollList(a, 5);
  EXPECT_EQ(form.ListLineAt(a, top + 1), 5);
  EXPECT_EQ(form.ListLineAt(a, top + 16 * 3 + 1), 8);
  form.ClearLines(a);
  Fill(a, 2);
  EXPECT_EQ(Top(a), 0) << "emptying a list starts it at its top";
  EXPECT_EQ(form.ListLineAt(a, top + 16 * 2 + 1), -1) << "no line there";
}

TEST_F(ListScrollTest, KeysMoveTheChosenLineAndKeepItInView) {
  Fill(a, 10);
  EXPECT_TRUE(form.ListKeyDown(a, kListDown));
  EXPECT_EQ(Chosen(a), 0) << "the first key chooses the top line";
  EXPECT_TRUE(form.ListKeyDown(a, kListPageDown));
  EXPECT_EQ(Chosen(a), 3);
  EXPECT_EQ(Top(a), 0);
  EXPECT_TRUE(form.ListKeyDown(a, kListDown));
  EXPECT_EQ(Chosen(a), 4);
  EXPECT_EQ(Top(a), 1) << "the chosen line stays on the last row";
  EXPECT_TRUE(form.ListKeyDown(a, kListEnd));
  EXPECT_EQ(Chosen(a), 9);
  EXPECT_EQ(Top(a), 6);
  EXPECT_TRUE(form.ListKeyDown(a, kListDown));
  EXPECT_EQ(Chosen(a), 9) << "nothing past the end";
  EXPECT_TRUE(form.ListKeyDown(a, kListPageUp));
  EXPECT_EQ(Chosen(a), 6);
  EXPECT_TRUE(form.ListKeyDown(a, kListHome));
  EXPECT_EQ(Chosen(a), 0);
  EXPECT_EQ(Top(a), 0);
  EXPECT_TRUE(form.ListKeyDown(a, kListUp));
  EXPECT_EQ(Chosen(a), 0);
  EXPECT_FALSE(form.ListKeyDown(a, 37)) << "Left is not a list key";
  form.ClearLines(b);
  EXPECT_TRUE(form.ListKeyDown(b, kListDown));
  EXPECT_EQ(Chosen(b), -1) << "an empty list chooses nothing";
}

TEST_F(ListScrollTest, LinkedListsScrollAndChooseTogether) {
  Fill(a, 10);
  Fill(b, 10);
  form.LinkLists({a, b});
  form.WheelList(a, -1);
  EXPECT_EQ(Top(b), 3);
  form.ScrollList(b, 5);
  EXPECT_EQ(Top(a), 5);
  form.SelectLine(a, 1);
  EXPECT_EQ(Chosen(b), 1);
  EXPECT_EQ(Top(a), 1);
  EXPECT_EQ(Top(b), 1) << "choosing a line above the view scrolls both";
  // A shorter partner scrolls as far as the longest, so the rows stay side by side.
  form.ClearLines(b);
  Fill(b, 6);
  form.ScrollList(a, 6);
  EXPECT_EQ(Top(a), 6);
  EXPECT_EQ(Top(b), 6);
  form.WheelList(b, -5);
  EXPECT_EQ(Top(a), 6);
  EXPECT_EQ(Top(b), 6);
  EXPECT_EQ(form.ListLineAt(b, form.ListTextTop(b) + 1), -1) << "no line there";
}

TEST_F(ListScrollTest, DroppingTheOldestLineKeepsTheSameLinesInViewAndChosen) {
  Fill(a, kMaxListLines);
  form.ScrollList(a, 100);
  form.SelectLine(a, 101);
  form.AddLine(a, "new");
  EXPECT_EQ(Top(a), 99);
  EXPECT_EQ(Chosen(a), 100);
  EXPECT_EQ(form.Get(a)->lines[Chosen(a)], "101");
  form.ScrollList(a, 0);
  form.SelectLine(a, 0);
  form.AddLine(a, "newer");
  EXPECT_EQ(Top(a), 0);
  EXPECT_EQ(Chosen(a), -1) << "the chosen line itself went";
}

TEST_F(ListScrollTest, TheScrollBarThumbShowsWhereTheViewIs) {
  Fill(a, 4);
  EXPECT_TRUE(form.ListThumb(a).Empty()) << "no bar while everything fits";
  Fill(a, 12);  // 16 lines, a quarter in view
  Rect thumb = form.ListThumb(a);
  EXPECT_NEAR(thumb.height, 64.0 / 4, 0.01);
  EXPECT_NEAR(thumb.top, 1, 0.01);
  EXPECT_NEAR(thumb.left + thumb.width, 100 - 1, 0.01) << "inside the box's right edge";
  form.ScrollListToEnd(a);
  thumb = form.ListThumb(a);
  EXPECT_NEAR(thumb.top + thumb.height, 65, 0.01);
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
