// The window of a form: input comes back as element events, the pointer follows the element
// under it, and changes are repainted.
#include "scene_window.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

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

}  // namespace
}  // namespace korvel
