// One window per form of the Scene: paints what changed and turns the window system's mouse
// and key input into element events.
#pragma once

#include <QCursor>
#include <QObject>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "picture_library.h"
#include "scene_renderer.h"
#include "view/element_events.h"
#include "view/scene.h"

class QLineEdit;

namespace korvel {

// The key code of a key event (F1 = 112, Esc = 27, letters as capitals ...), 0 when unknown.
int KeyCodeOf(int qtKey);
// ShiftState bits of keyboard modifiers.
int ShiftOf(Qt::KeyboardModifiers modifiers);

class SceneWindow : public QWidget {
  Q_OBJECT
 public:
  // A window with an `owner` stays above it while both are shown, as a dialog does.
  SceneWindow(Scene& scene, FormId form, SceneRenderer& renderer, PictureLibrary& pictures,
              QWidget* owner = nullptr);
  ~SceneWindow() override;

  FormId form() const { return form_; }
  void SetEvents(ElementEvents* events) { events_ = events; }
  // Brings size, title and text boxes in line with the form.
  void SyncWithForm();
  // Schedules a repaint of the given form areas.
  void Invalidate(const std::vector<Rect>& areas);
  // The pointer shape currently shown: kCursorCustom or kCursorDefault.
  int CursorShape() const { return cursorShape_; }
  // Gives the keyboard to text element `e`.
  void FocusText(ElementId e);
  // The list that answers the arrow and page keys (the one last pressed), or kNoElement.
  ElementId FocusedList() const { return focusList_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Form& form_ref() { return scene_.form(form_); }
  ElementEvent MakeEvent(ElementId target, const QPointF& at, int button, int buttons,
                         Qt::KeyboardModifiers modifiers);
  void ShowCursorFor(ElementId hit);
  void SyncTextBoxes();
  ElementId FocusedText() const;
  // A press on a list: its scroll bar pages or drags; elsewhere it chooses the line.
  // True when the scroll bar took the press.
  bool PressList(ElementId list, const QPointF& at);
  void DragThumb(const QPointF& at);
  // Cuts the window to its picture's shape.
  void ApplyShape();

  Scene& scene_;
  FormId form_;
  SceneRenderer& renderer_;
  PictureLibrary& pictures_;
  ElementEvents* events_ = nullptr;
  ElementId pressed_ = kNoElement;
  int cursorShape_ = kCursorDefault;
  QCursor customCursor_;
  std::map<ElementId, QLineEdit*> textBoxes_;
  ElementId focusList_ = kNoElement;
  ElementId dragList_ = kNoElement;  // whose scroll bar thumb the pointer holds
  double dragOffset_ = 0;
  bool barPressed_ = false;         // the press went to a scroll bar, and so does its release
  std::optional<QPoint> moveFrom_;  // a press that moves the window once it is dragged
  QSize shapedSize_;
};

// Keeps one window per form, repaints what the Scene reports as changed, and saves pictures of
// a form on request.
class SceneFrontEnd : public QObject, public SceneListener {
  Q_OBJECT
 public:
  SceneFrontEnd(Scene& scene, PictureLibrary& pictures);
  ~SceneFrontEnd() override;

  void SetEvents(ElementEvents* events);
  SceneWindow* Window(FormId form);
  SceneRenderer& renderer() { return renderer_; }
  // Writes the whole form as a PNG; false when it cannot be written.
  bool SaveScreenshot(FormId form, const QString& file);

  void FormDirty(FormId form) override;
  void FormShown(FormId form, bool visible) override;
  void FormAdded(FormId form) override;
  void FocusRequested(FormId form, ElementId element) override;

 private:
  void Flush();
  // The table's own window, which owns every other window once it exists.
  SceneWindow* MainWindow();

  Scene& scene_;
  SceneRenderer renderer_;
  PictureLibrary& pictures_;
  std::vector<std::unique_ptr<SceneWindow>> windows_;
  ElementEvents* events_ = nullptr;
  bool flushQueued_ = false;
};

}  // namespace korvel
