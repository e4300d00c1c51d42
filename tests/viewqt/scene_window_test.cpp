// The window of a form: input comes back as element events, the pointer follows the element
// under it, and changes are repainted.
#include "scene_window.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

#include "qt_app.h"

namespace korvel {
namespace {

struct Recorder : ElementEvents {
  void OnMouseDown(const ElementEvent& e) override { log.push_back({"down", e}); }
  void OnMouseUp(const ElementEvent& e) override { log.push_back({"up", e}); }
  void OnMouseMove(const ElementEvent& e) override { log.push_back({"move", e}); }
  void OnClick(const ElementEvent& e) override { log.push_back({"click", e}); }
  void OnDoubleClick(const ElementEvent& e) override { log.push_back({"double", e}); }
  void OnKeyDown(FormId, ElementId focus, int key, int shift) override {
    keys.push_back({key, shift});
    focuses.push_back(focus);
  }
  void OnTextChanged(FormId, ElementId e) override { edited.push_back(e); }
  void OnFormClose(FormId f) override { closed.push_back(f); }
  std::vector<std::pair<std::string, ElementEvent>> log;
  std::vector<std::pair<int, int>> keys;
  std::vector<ElementId> focuses, edited;
  std::vector<FormId> closed;
};

class SceneWindowTest : public ::testing::Test {
 protected:
  SceneWindowTest() {
    TestApp();
    formId = scene.AddForm("MainForm", 400, 300);
    Form& f = scene.form(formId);
    back = f.Add("pic1", 0, ElementKind::Picture, {0, 0, 400, 300});
    tile = f.Add("MJ_Image", 0, ElementKind::Image, {100, 100, 50, 70});
    button = f.Add("AnNiu", 0, ElementKind::Image, {200, 100, 60, 30});
    chat = f.Add("Chat", 0, ElementKind::Text, {10, 260, 200, 24});
    f.SetCursor(button, kCursorCustom);
    front = std::make_unique<SceneFrontEnd>(scene, pictures);
    front->SetEvents(&recorder);
    f.SetFormVisible(true);
    window = front->Window(formId);
  }

  void Mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, at, window->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
  }

  Scene scene;
  PictureLibrary pictures;
  Recorder recorder;
  FormId formId;
  ElementId back, tile, button, chat;
  std::unique_ptr<SceneFrontEnd> front;
  SceneWindow* window = nullptr;
};

TEST_F(SceneWindowTest, PressAndReleaseOnOneElementIsAClick) {
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->size(), QSize(400, 300));
  Mouse(QEvent::MouseButtonPress, {110, 120}, Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, {112, 121}, Qt::LeftButton, Qt::NoButton);
  ASSERT_EQ(recorder.log.size(), 3u);
  EXPECT_EQ(recorder.log[0].first, "down");
  EXPECT_EQ(recorder.log[0].second.element, tile);
  EXPECT_EQ(recorder.log[0].second.button, kLeftButton);
  EXPECT_DOUBLE_EQ(recorder.log[0].second.x, 10);
  EXPECT_DOUBLE_EQ(recorder.log[0].second.y, 20);
  EXPECT_DOUBLE_EQ(recorder.log[0].second.formX, 110);
  EXPECT_EQ(recorder.log[1].first, "up");
  EXPECT_EQ(recorder.log[2].first, "click");
  EXPECT_EQ(recorder.log[2].second.element, tile);
}

TEST_F(SceneWindowTest, TheReleaseGoesToThePressedElementWithoutAClickElsewhere) {
  Mouse(QEvent::MouseButtonPress, {110, 120}, Qt::RightButton, Qt::RightButton);
  Mouse(QEvent::MouseMove, {210, 110}, Qt::NoButton, Qt::RightButton);
  Mouse(QEvent::MouseButtonRelease, {210, 110}, Qt::RightButton, Qt::NoButton);
  ASSERT_EQ(recorder.log.size(), 3u);
  EXPECT_EQ(recorder.log[0].second.button, kRightButton);
  EXPECT_EQ(recorder.log[1].first, "move");
  EXPECT_EQ(recorder.log[1].second.element, tile);  // still captured by the pressed tile
  EXPECT_EQ(recorder.log[2].first, "up");
  EXPECT_EQ(recorder.log[2].second.element, tile);
  EXPECT_EQ(recorder.log[2].second.button, kRightButton);
}

TEST_F(SceneWindowTest, HiddenAndDisabledElementsLetTheTableHaveTheInput) {
  scene.form(formId).Hide(tile);
  Mouse(QEvent::MouseButtonDblClick, {110, 120}, Qt::LeftButton, Qt::LeftButton);
  ASSERT_EQ(recorder.log.size(), 2u);
  EXPECT_EQ(recorder.log[1].first, "double");
  EXPECT_EQ(recorder.log[1].second.element, back);
  scene.form(formId).Show(tile);
  scene.form(formId).Disable(tile);
  Mouse(QEvent::MouseButtonPress, {110, 120}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(recorder.log.back().second.element, back);
}

TEST_F(SceneWindowTest, ThePointerTakesTheElementsShape) {
  Mouse(QEvent::MouseMove, {210, 110}, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(window->CursorShape(), kCursorCustom);
  EXPECT_NE(window->cursor().shape(), Qt::ArrowCursor);
  Mouse(QEvent::MouseMove, {110, 110}, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(window->CursorShape(), kCursorDefault);
  EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(SceneWindowTest, KeysArriveAsKeyCodes) {
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &f1);
  QKeyEvent c(QEvent::KeyPress, Qt::Key_C, Qt::AltModifier, "c");
  QCoreApplication::sendEvent(window, &c);
  QKeyEvent unknown(QEvent::KeyPress, Qt::Key_Launch0, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &unknown);
  ASSERT_EQ(recorder.keys.size(), 2u);
  EXPECT_EQ(recorder.keys[0], std::make_pair(112, 0));
  EXPECT_EQ(recorder.keys[1], std::make_pair(67, static_cast<int>(kAltKey)));
  EXPECT_EQ(KeyCodeOf(Qt::Key_Escape), 27);
  EXPECT_EQ(KeyCodeOf(Qt::Key_Return), 13);
  EXPECT_EQ(KeyCodeOf(Qt::Key_Alt), 18);
}

TEST_F(SceneWindowTest, TypingInATextBoxUpdatesTheSceneAndReportsEnter) {
  auto* box = window->findChild<QLineEdit*>();
  ASSERT_NE(box, nullptr);
  box->setFocus();
  QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QCoreApplication::sendEvent(box, &a);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(box, &enter);
  EXPECT_EQ(scene.form(formId).Get(chat)->caption, "a");
  ASSERT_FALSE(recorder.edited.empty());
  EXPECT_EQ(recorder.edited.back(), chat);
  ASSERT_FALSE(recorder.keys.empty());
  EXPECT_EQ(recorder.keys.back().first, 13);
  EXPECT_EQ(recorder.focuses.back(), chat);
  // Text set by a handler reaches the box at the next repaint.
  scene.form(formId).SetCaption(chat, "");
  QCoreApplication::processEvents();
  EXPECT_TRUE(box->text().isEmpty());
}

TEST_F(SceneWindowTest, ChangesAreCollectedAndRepaintedOnce) {
  Form& f = scene.form(formId);
  QCoreApplication::processEvents();
  EXPECT_FALSE(f.Dirty());
  f.Move(tile, 20, 20);
  f.Hide(button);
  EXPECT_TRUE(f.Dirty());
  QCoreApplication::processEvents();
  EXPECT_FALSE(f.Dirty());
}

TEST_F(SceneWindowTest, ClosingAskesTheHandlersAndKeepsTheWindow) {
  window->close();
  ASSERT_EQ(recorder.closed.size(), 1u);
  EXPECT_TRUE(window->isVisible());
}

TEST_F(SceneWindowTest, FormsAddedLaterGetTheirOwnWindow) {
  const FormId other = scene.AddForm("Talk", 200, 150);
  ASSERT_NE(front->Window(other), nullptr);
  EXPECT_FALSE(front->Window(other)->isVisible());
  scene.form(other).SetFormVisible(true);
  EXPECT_TRUE(front->Window(other)->isVisible());
  scene.form(other).SetFormVisible(false);
  EXPECT_FALSE(front->Window(other)->isVisible());
}

// A list box of four 16-pixel lines holding twenty, beside a plain label.
class ListWindowTest : public SceneWindowTest {
 protected:
  ListWindowTest() {
    Form& f = scene.form(formId);
    list = f.Add("Num", 0, ElementKind::List, {20, 20, 120, 66});
    f.SetFontSize(list, 9);
    for (int i = 0; i < 20; ++i) f.AddLine(list, std::to_string(i));
  }
  void Wheel(QPointF at, int degrees8) {
    QWheelEvent event(at, window->mapToGlobal(at), QPoint(), QPoint(0, degrees8), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &event);
  }
  void Key(int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
  }
  void Click(QPointF at) {
    Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  }
  const Element& List() { return *scene.form(formId).Get(list); }
  ElementId list;
};

TEST_F(ListWindowTest, TheWheelOverAListMovesItsTopLineAndNothingElse) {
  Wheel({60, 40}, -120);  // one notch towards the user
  EXPECT_EQ(List().topLine, 3);
  Wheel({60, 40}, -240);
  EXPECT_EQ(List().topLine, 9);
  Wheel({60, 40}, 120);
  EXPECT_EQ(List().topLine, 6);
  Wheel({300, 250}, -120);  // over the table
  EXPECT_EQ(List().topLine, 6);
  EXPECT_TRUE(recorder.log.empty()) << "the wheel is the list's alone";
}

TEST_F(ListWindowTest, APressChoosesALineAndThenTheKeysMoveIt) {
  Key(Qt::Key_Down);
  EXPECT_EQ(List().selectedLine, -1) << "no list has the keys before it is pressed";
  ASSERT_EQ(recorder.keys.size(), 1u);
  const double textTop = 20 + scene.form(formId).ListTextTop(list);
  Click({60, textTop + 16 + 4});
  EXPECT_EQ(List().selectedLine, 1);
  EXPECT_EQ(recorder.log.back().first, "click") << "the handlers hear the click";
  Key(Qt::Key_Down);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(List().selectedLine, 5);
  EXPECT_EQ(List().topLine, 2);
  Key(Qt::Key_End);
  EXPECT_EQ(List().selectedLine, 19);
  EXPECT_EQ(List().topLine, 16);
  Key(Qt::Key_Home);
  EXPECT_EQ(List().topLine, 0);
  EXPECT_EQ(recorder.keys.size(), 1u) << "the list's keys stay with the list";
  Key(Qt::Key_Left);
  EXPECT_EQ(recorder.keys.size(), 2u) << "other keys go on to the table";
  // A press on the table takes the keys back.
  Click({300, 250});
  Key(Qt::Key_Down);
  EXPECT_EQ(recorder.keys.size(), 3u);
  EXPECT_EQ(List().selectedLine, 0);
}

TEST_F(ListWindowTest, TheScrollBarPagesAndItsThumbDrags) {
  const double barX = 20 + 120 - kScrollBarWidth / 2;
  const size_t heard = recorder.log.size();
  Click({barX, 20 + 60});  // below the thumb
  EXPECT_EQ(List().topLine, 4);
  Click({barX, 20 + 2});  // above it
  EXPECT_EQ(List().topLine, 0);
  EXPECT_EQ(recorder.log.size(), heard) << "the bar is no element event";
  EXPECT_EQ(List().selectedLine, -1);
  // Drag the thumb from the top to the bottom of the bar.
  const Rect thumb = scene.form(formId).ListThumb(list);
  const QPointF grip(barX, 20 + thumb.top + 2);
  Mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, {barX, 20 + 66}, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(List().topLine, 16);
  Mouse(QEvent::MouseMove, {barX, 20 + thumb.top + 2 + 33}, Qt::NoButton, Qt::LeftButton);
  EXPECT_NEAR(List().topLine, 10, 1);
  Mouse(QEvent::MouseButtonRelease, {barX, 20 + 40}, Qt::LeftButton, Qt::NoButton);
  const int top = List().topLine;
  Mouse(QEvent::MouseMove, {barX, 20 + 66}, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(List().topLine, top) << "released, the thumb stays";
}

TEST_F(ListWindowTest, TheBarAndTheChosenLineArePainted) {
  scene.form(formId).SelectLine(list, 0);
  const QImage shot = front->renderer().Render(scene.form(formId));
  const int textTop = 20 + static_cast<int>(scene.form(formId).ListTextTop(list));
  EXPECT_EQ(shot.pixelColor(100, textTop + 8), QColor(0x31, 0x5E, 0xA8)) << "chosen line";
  EXPECT_EQ(shot.pixelColor(20 + 120 - 6, 20 + 5), QColor(0x9C, 0x72, 0x26)) << "thumb";
  scene.form(formId).ClearLines(list);
  scene.form(formId).AddLine(list, "one");
  const QImage fits = front->renderer().Render(scene.form(formId));
  EXPECT_NE(fits.pixelColor(20 + 120 - 6, 20 + 5), QColor(0x9C, 0x72, 0x26)) << "no bar";
}

TEST_F(ListWindowTest, ALineWiderThanItsListIsDrawnSmallerNotCut) {
  // A message line as wide as the table's, with the longest warning it shows.
  Form& f = scene.form(formId);
  const ElementId line = f.Add("Sysmsg", 0, ElementKind::List, {20, 120, 281, 20});
  f.SetFontSize(line, 13);
  f.SetBackColor(line, 0x000000, true);
  f.SetColor(line, 0xFFFFFF);
  f.AddLine(line, "连续超时2次，再超时窗口将自动隐藏");
  const QImage shot = front->renderer().Render(f);
  int rightmostInk = 0;
  for (int y = 122; y < 138; ++y) {
    for (int x = 20; x < 20 + 281; ++x) {
      if (qGray(shot.pixel(x, y)) > 128) rightmostInk = std::max(rightmostInk, x);
    }
  }
  EXPECT_GT(rightmostInk, 20 + 200) << "the text is drawn";
  EXPECT_LT(rightmostInk, 20 + 281 - 8) << "its last character reaches the list's edge, cut";
}

TEST_F(SceneWindowTest, AFocusRequestGivesTheTextBoxTheKeyboard) {
  scene.form(formId).RequestFocus(chat);
  QWidget* focus = window->focusWidget();
  ASSERT_NE(focus, nullptr);
  EXPECT_NE(qobject_cast<QLineEdit*>(focus), nullptr);
}

}  // namespace
}  // namespace korvel
