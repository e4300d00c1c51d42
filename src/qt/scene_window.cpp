#include "scene_window.h"

#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <cmath>

#include "view/main_elements.h"

namespace korvel {

int KeyCodeOf(int key) {
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Backspace:
      return kKeyBack;
    case Qt::Key_Tab:
      return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    case Qt::Key_Shift:
      return kKeyShift;
    case Qt::Key_Control:
      return kKeyControl;
    case Qt::Key_Alt:
      return kKeyAlt;
    case Qt::Key_Escape:
      return kKeyEscape;
    case Qt::Key_Space:
      return kKeySpace;
    case Qt::Key_PageUp:
      return kListPageUp;
    case Qt::Key_PageDown:
      return kListPageDown;
    case Qt::Key_End:
      return kListEnd;
    case Qt::Key_Home:
      return kListHome;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Delete:
      return 46;
    default:
      return 0;
  }
}

int ShiftOf(Qt::KeyboardModifiers modifiers) {
  int shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= kShiftKey;
  if (modifiers & Qt::ControlModifier) shift |= kCtrlKey;
  if (modifiers & Qt::AltModifier) shift |= kAltKey;
  return shift;
}

namespace {

int ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return kLeftButton;
    case Qt::RightButton:
      return kRightButton;
    case Qt::MiddleButton:
      return kMiddleButton;
    default:
      return 0;
  }
}

int ButtonsOf(Qt::MouseButtons buttons) {
  int out = 0;
  if (buttons & Qt::LeftButton) out |= kLeftButton;
  if (buttons & Qt::RightButton) out |= kRightButton;
  if (buttons & Qt::MiddleButton) out |= kMiddleButton;
  return out;
}

}  // namespace

// An owned window is a tool window: only those name their owner to the window manager
// (WM_TRANSIENT_FOR), which then keeps them above the table, in the table's layer even when the
// table fills the screen.
SceneWindow::SceneWindow(Scene& scene, FormId form, SceneRenderer& renderer,
                         PictureLibrary& pictures, QWidget* owner)
    : QWidget(owner, owner ? Qt::Tool : Qt::WindowFlags()),
      scene_(scene),
      form_(form),
      renderer_(renderer),
      pictures_(pictures) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // The table keeps the keyboard while a board or a notice comes up over it.
  if (owner) setAttribute(Qt::WA_ShowWithoutActivating);
  const QImage& pointer = pictures.Image(kPicCursor);
  customCursor_ = pointer.isNull() ? QCursor(Qt::PointingHandCursor)
                                   : QCursor(QPixmap::fromImage(pointer), 9, 2);
  SyncWithForm();
}

SceneWindow::~SceneWindow() = default;

void SceneWindow::SyncWithForm() {
  const Form& f = scene_.form(form_);
  const QSize size(static_cast<int>(std::lround(f.width())),
                   static_cast<int>(std::lround(f.height())));
  if (this->size() != size) setFixedSize(size);
  const QString title = QString::fromStdString(f.title());
  if (windowTitle() != title) setWindowTitle(title);
  if (std::abs(windowOpacity() - f.windowOpacity / 255.0) > 0.002) {
    setWindowOpacity(f.windowOpacity / 255.0);
  }
  // Changing a window's flags hides it; one that was up comes back at once.
  const bool wasShown = isVisible();
  bool flagsChanged = false;
  auto follow = [&](Qt::WindowType flag, bool wanted) {
    if (windowFlags().testFlag(flag) == wanted) return;
    setWindowFlag(flag, wanted);
    flagsChanged = true;
  };
  follow(Qt::FramelessWindowHint, f.frameless);
  follow(Qt::WindowStaysOnTopHint, f.topmost);
  // Shown over the table while the player types: the keyboard stays where it is.
  follow(Qt::WindowDoesNotAcceptFocus, !f.takesFocus);
  if (!f.takesFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
  }
  if (flagsChanged && wasShown) show();
  // The core places secondary windows relative to the table; follow it.
  const QPoint wanted(static_cast<int>(std::lround(f.screenLeft)),
                      static_cast<int>(std::lround(f.screenTop)));
  if ((wanted.x() != 0 || wanted.y() != 0) && pos() != wanted) move(wanted);
  if (isVisible() && f.minimised() != isMinimized()) {
    if (f.minimised()) {
      showMinimized();
    } else {
      showNormal();
      raise();
      activateWindow();
    }
  }
  SyncTextBoxes();
  ApplyShape();
}

void SceneWindow::ApplyShape() {
  const Form& f = scene_.form(form_);
  const Element* el = f.Get(f.shapedBy);
  if (!el || el->picture == kNoPicture || shapedSize_ == size()) return;
  const QRect r = SceneRenderer::PixelRect(*el);
  const QImage image =
      pictures_.Scaled(el->picture, r.width(), r.height()).convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) return;
  // The top-left pixel's colour is see-through, and so is what is nearly transparent; each
  // row's runs of other pixels make up the window.
  const QRgb key = image.pixel(0, 0);
  QRegion region;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width();) {
      auto solid = [&](int at) { return row[at] != key && qAlpha(row[at]) >= 128; };
      if (!solid(x)) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < image.width() && solid(x)) ++x;
      region += QRect(r.left() + start, r.top() + y, x - start, 1);
    }
  }
  setMask(region);
  shapedSize_ = size();
}

void SceneWindow::FocusText(ElementId e) {
  SyncTextBoxes();
  auto it = textBoxes_.find(e);
  if (it == textBoxes_.end() || !it->second->isEnabled()) return;
  it->second->setFocus(Qt::OtherFocusReason);
  // The caret after what is already there, as after a whisper's prefix.
  it->second->end(false);
}

void SceneWindow::moveEvent(QMoveEvent* event) {
  // The core places other windows from where the user put this one.
  // pos() counts the desktop's frame as move() does, so the two never drift apart.
  Form& f = scene_.form(form_);
  f.screenLeft = pos().x();
  f.screenTop = pos().y();
  QWidget::moveEvent(event);
}

void SceneWindow::SyncTextBoxes() {
  Form& f = form_ref();
  for (ElementId id = 0; id < f.ElementCount(); ++id) {
    const Element& el = *f.Get(id);
    if (el.kind != ElementKind::Text) continue;
    QLineEdit*& box = textBoxes_[id];
    if (!box) {
      box = new QLineEdit(this);
      box->setFrame(false);
      box->installEventFilter(this);
      connect(box, &QLineEdit::textEdited, this, [this, id](const QString& text) {
        form_ref().SetCaption(id, text.toStdString());
        if (events_) events_->OnTextChanged(form_, id);
      });
    }
    box->setGeometry(SceneRenderer::PixelRect(el).adjusted(1, 1, -1, -1));
    box->setFont(renderer_.FontFor(el));
    const QString style = QString("QLineEdit { background: %1; color: %2; border: none; }")
                              .arg(ToColor(el.backColor).name(), ToColor(el.color).name());
    if (box->styleSheet() != style) box->setStyleSheet(style);
    const QString text = QString::fromStdString(el.caption);
    if (box->text() != text) box->setText(text);
    box->setEnabled(el.enabled);
    box->setVisible(el.visible);
  }
}

ElementId SceneWindow::FocusedText() const {
  const QWidget* focus = focusWidget();
  for (const auto& [id, box] : textBoxes_) {
    if (box == focus) return id;
  }
  return kNoElement;
}

void SceneWindow::Invalidate(const std::vector<Rect>& areas) {
  for (const Rect& r : areas) {
    update(QRect(static_cast<int>(r.left), static_cast<int>(r.top),
                 static_cast<int>(std::ceil(r.width)), static_cast<int>(std::ceil(r.height))));
  }
}

void SceneWindow::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  // A shaped window's soft edges lie on white, as the picture was drawn.
  if (scene_.form(form_).shapedBy != kNoElement) p.fillRect(event->rect(), Qt::white);
  renderer_.Paint(p, scene_.form(form_), event->rect());
}

ElementEvent SceneWindow::MakeEvent(ElementId target, const QPointF& at, int button, int buttons,
                                    Qt::KeyboardModifiers modifiers) {
  ElementEvent e;
  e.form = form_;
  e.element = target;
  e.button = button;
  e.buttons = buttons;
  e.shift = ShiftOf(modifiers);
  e.formX = at.x();
  e.formY = at.y();
  const Element* el = scene_.form(form_).Get(target);
  e.x = el ? at.x() - el->geometry.left : at.x();
  e.y = el ? at.y() - el->geometry.top : at.y();
  return e;
}

void SceneWindow::ShowCursorFor(ElementId hit) {
  const Element* el = scene_.form(form_).Get(hit);
  const int shape = el ? el->cursor : kCursorDefault;
  if (shape == cursorShape_) return;
  cursorShape_ = shape;
  if (shape == kCursorCustom) {
    setCursor(customCursor_);
  } else {
    unsetCursor();
  }
}

bool SceneWindow::PressList(ElementId list, const QPointF& at) {
  Form& f = form_ref();
  const Element& el = *f.Get(list);
  const double x = at.x() - el.geometry.left, y = at.y() - el.geometry.top;
  if (f.ListOverflows(list) && x >= el.geometry.width - kScrollBarWidth - 1) {
    // The scroll bar: a page above or below the thumb, or the thumb itself to drag.
    const Rect thumb = f.ListThumb(list);
    if (y < thumb.top) {
      f.ScrollList(list, el.topLine - f.ListPage(list));
    } else if (y >= thumb.bottom()) {
      f.ScrollList(list, el.topLine + f.ListPage(list));
    } else {
      dragList_ = list;
      dragOffset_ = y - thumb.top;
    }
    return true;
  }
  if (const int line = f.ListLineAt(list, y); line >= 0) f.SelectLine(list, line);
  return false;
}

void SceneWindow::DragThumb(const QPointF& at) {
  Form& f = form_ref();
  const Element* el = f.Get(dragList_);
  if (!el) return;
  const Rect thumb = f.ListThumb(dragList_);
  const double travel = el->geometry.height - 2 - thumb.height;
  if (travel <= 0) return;
  const double moved = at.y() - el->geometry.top - dragOffset_ - 1;
  f.ScrollList(dragList_, static_cast<int>(std::lround(moved / travel * f.ListLastTop(dragList_))));
}

void SceneWindow::wheelEvent(QWheelEvent* event) {
  Form& f = form_ref();
  const QPointF at = event->position();
  const ElementId hit = f.HitTest(at.x(), at.y());
  const Element* el = f.Get(hit);
  const int notches = event->angleDelta().y() / 120;
  if (!el || el->kind != ElementKind::List || notches == 0) {
    event->ignore();
    return;
  }
  f.WheelList(hit, notches);
  event->accept();
}

void SceneWindow::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  // A press on the table takes the keyboard, as the table picture takes the focus: the keys
  // then play instead of typing.
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  pressed_ = scene_.form(form_).HitTest(at.x(), at.y());
  const Element* hit = scene_.form(form_).Get(pressed_);
  focusList_ = hit && hit->kind == ElementKind::List ? pressed_ : kNoElement;
  if (focusList_ != kNoElement && event->button() == Qt::LeftButton && PressList(pressed_, at)) {
    // The scroll bar is the list's own; the handlers hear nothing of it.
    pressed_ = kNoElement;
    barPressed_ = true;
    return;
  }
  if (events_) {
    events_->OnMouseDown(MakeEvent(pressed_, at, ButtonOf(event->button()),
                                   ButtonsOf(event->buttons()), event->modifiers()));
  }
  Form& f = scene_.form(form_);
  if (f.moveRequested) {
    f.moveRequested = false;
    pressed_ = kNoElement;
    moveFrom_ = event->globalPosition().toPoint();
  }
}

void SceneWindow::mouseReleaseEvent(QMouseEvent* event) {
  moveFrom_.reset();
  const QPointF at = event->position();
  // The element that took the press also gets its release, as with a captured mouse.
  const ElementId target = pressed_;
  const ElementId under = scene_.form(form_).HitTest(at.x(), at.y());
  const int button = ButtonOf(event->button());
  if (barPressed_) {
    if (event->buttons() == Qt::NoButton) {
      barPressed_ = false;
      dragList_ = kNoElement;
    }
    return;
  }
  if (event->buttons() == Qt::NoButton) pressed_ = kNoElement;
  if (!events_) return;
  events_->OnMouseUp(
      MakeEvent(target, at, button, ButtonsOf(event->buttons()), event->modifiers()));
  if (button == kLeftButton && target == under && target != kNoElement) {
    events_->OnClick(MakeEvent(target, at, button, 0, event->modifiers()));
  }
}

void SceneWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  pressed_ = scene_.form(form_).HitTest(at.x(), at.y());
  if (!events_) return;
  const ElementEvent e = MakeEvent(pressed_, at, ButtonOf(event->button()),
                                   ButtonsOf(event->buttons()), event->modifiers());
  events_->OnMouseDown(e);
  events_->OnDoubleClick(e);
}

void SceneWindow::mouseMoveEvent(QMouseEvent* event) {
  // The window manager moves the window only once the pointer is dragged: handed a plain click,
  // it would carry the window along until the next one.
  if (moveFrom_ && (event->buttons() & Qt::LeftButton)) {
    if ((event->globalPosition().toPoint() - *moveFrom_).manhattanLength() >=
        QApplication::startDragDistance()) {
      moveFrom_.reset();
      if (QWindow* w = windowHandle()) w->startSystemMove();
    }
    return;
  }
  const QPointF at = event->position();
  if (dragList_ != kNoElement && (event->buttons() & Qt::LeftButton)) {
    DragThumb(at);
    return;
  }
  const ElementId under = scene_.form(form_).HitTest(at.x(), at.y());
  ShowCursorFor(under);
  const bool held = event->buttons() != Qt::NoButton && pressed_ != kNoElement;
  if (events_) {
    events_->OnMouseMove(
        MakeEvent(held ? pressed_ : under, at, 0, ButtonsOf(event->buttons()), event->modifiers()));
  }
}

void SceneWindow::keyPressEvent(QKeyEvent* event) {
  // A key a text box passed on has been reported already, with the box as the focus.
  if (FocusedText() != kNoElement) return;
  const int code = KeyCodeOf(event->key());
  // The list last pressed takes its keys; the rest go to the handlers.
  Form& f = form_ref();
  if (f.Visible(focusList_) && f.ListKeyDown(focusList_, code)) return;
  if (events_ && code) events_->OnKeyDown(form_, FocusedText(), code, ShiftOf(event->modifiers()));
}

void SceneWindow::keyReleaseEvent(QKeyEvent* event) {
  if (FocusedText() != kNoElement) return;
  const int code = KeyCodeOf(event->key());
  if (events_ && code) events_->OnKeyUp(form_, FocusedText(), code, ShiftOf(event->modifiers()));
}

bool SceneWindow::eventFilter(QObject* watched, QEvent* event) {
  // Keys typed into a text box reach the handlers too (Enter sends, F1 hides ...).
  for (const auto& [id, box] : textBoxes_) {
    if (box != watched) continue;
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && events_) {
      auto* key = static_cast<QKeyEvent*>(event);
      const int code = KeyCodeOf(key->key());
      if (code && event->type() == QEvent::KeyPress) {
        events_->OnKeyDown(form_, id, code, ShiftOf(key->modifiers()));
      } else if (code) {
        events_->OnKeyUp(form_, id, code, ShiftOf(key->modifiers()));
      }
    } else if ((event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) && events_) {
      events_->OnFocusChanged(form_, id, event->type() == QEvent::FocusIn);
    }
    break;
  }
  return QWidget::eventFilter(watched, event);
}

bool SceneWindow::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const Element* el =
        scene_.form(form_).Get(scene_.form(form_).HitTest(help->pos().x(), help->pos().y()));
    if (el && !el->toolTip.empty()) {
      QToolTip::showText(help->globalPos(), QString::fromStdString(el->toolTip), this);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QWidget::event(event);
}

void SceneWindow::closeEvent(QCloseEvent* event) {
  if (events_) {
    event->ignore();
    events_->OnFormClose(form_);
    return;
  }
  scene_.form(form_).SetFormVisible(false);
  event->accept();
}

void SceneWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    Form& f = scene_.form(form_);
    // The user's own minimise or restore becomes the form's state before handlers hear of it.
    if (f.minimised() != isMinimized()) f.SetMinimised(isMinimized());
    if (!isMinimized() && isVisible()) {
      // Back from the task bar: on top of the desktop's other windows.
      raise();
      activateWindow();
    }
    if (events_) events_->OnFormResize(form_, isMinimized());
  }
  QWidget::changeEvent(event);
}

// ---- the front end ---------------------------------------------------------------------

SceneFrontEnd::SceneFrontEnd(Scene& scene, PictureLibrary& pictures)
    : scene_(scene), renderer_(pictures), pictures_(pictures) {
  scene_.SetListener(this);
  for (FormId f = 0; f < scene_.FormCount(); ++f) {
    FormAdded(f);
    if (scene_.form(f).visible()) FormShown(f, true);
    // Changes made before the front end listened are flushed like any other.
    if (scene_.form(f).Dirty()) FormDirty(f);
  }
}

SceneFrontEnd::~SceneFrontEnd() {
  if (scene_.listener() == this) scene_.SetListener(nullptr);
  // Owned windows go before their owner, which would otherwise delete them a second time.
  while (!windows_.empty()) windows_.pop_back();
}

void SceneFrontEnd::SetEvents(ElementEvents* events) {
  events_ = events;
  for (auto& w : windows_) {
    if (w) w->SetEvents(events);
  }
}

SceneWindow* SceneFrontEnd::Window(FormId form) {
  return form >= 0 && form < static_cast<FormId>(windows_.size()) ? windows_[form].get() : nullptr;
}

SceneWindow* SceneFrontEnd::MainWindow() {
  for (auto& w : windows_) {
    if (w && scene_.form(w->form()).name() == kMainFormName) return w.get();
  }
  return nullptr;
}

void SceneFrontEnd::FormAdded(FormId form) {
  if (static_cast<FormId>(windows_.size()) <= form) windows_.resize(form + 1);
  if (windows_[form]) return;
  // Secondary windows belong to the table: the desktop keeps them above it, so a click on
  // the table never buries the score board or a dialog.
  SceneWindow* owner = scene_.form(form).name() == kMainFormName ? nullptr : MainWindow();
  windows_[form] = std::make_unique<SceneWindow>(scene_, form, renderer_, pictures_, owner);
  windows_[form]->SetEvents(events_);
}

void SceneFrontEnd::FormShown(FormId form, bool visible) {
  SceneWindow* w = Window(form);
  if (!w) return;
  w->SyncWithForm();
  w->setVisible(visible);
  // Window states such as minimised only apply to a window that is shown.
  if (visible) w->SyncWithForm();
  // A window opened again comes to the front at once.
  if (visible && w->parentWidget()) w->raise();
}

void SceneFrontEnd::FocusRequested(FormId form, ElementId element) {
  SceneWindow* w = Window(form);
  if (!w) return;
  w->SyncWithForm();
  w->FocusText(element);
}

void SceneFrontEnd::FormDirty(FormId) {
  if (flushQueued_) return;
  flushQueued_ = true;
  // One flush after the handler that made the changes has finished.
  QTimer::singleShot(0, this, [this] { Flush(); });
}

void SceneFrontEnd::Flush() {
  flushQueued_ = false;
  for (FormId f = 0; f < scene_.FormCount(); ++f) {
    Form& form = scene_.form(f);
    if (!form.Dirty()) continue;
    const std::vector<Rect> areas = form.TakeDirty();
    if (SceneWindow* w = Window(f)) {
      w->SyncWithForm();
      w->Invalidate(areas);
    }
  }
}

bool SceneFrontEnd::SaveScreenshot(FormId form, const QString& file) {
  if (!scene_.ValidForm(form)) return false;
  return renderer_.Render(scene_.form(form), qGuiApp->devicePixelRatio()).save(file, "PNG");
}

}  // namespace korvel
