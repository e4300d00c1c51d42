// The Scene: forms (windows) holding named display elements. Handlers change only the Scene;
// the front end paints it and reports input as element events. Every operation takes an element
// id and does nothing for an id it does not know, so a bad index read from a record never
// reaches memory it should not.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "view/geometry.h"
#include "view/picture_catalogue.h"
#include "view/picture_store.h"

namespace korvel {

class Scene;

using ElementId = int32_t;
using FormId = int32_t;
inline constexpr ElementId kNoElement = -1;
inline constexpr FormId kNoForm = -1;

enum class ElementKind : uint8_t {
  Picture,  // a container with a background picture; always behind the other elements
  Image,    // one picture, stretched to the element or at the picture's size
  Label,    // one line of text
  List,     // a scrolling list of lines
  Text,     // an edit box
};

enum class TextAlign : uint8_t { Left, Center, Right };

// Mouse pointer shapes: the default arrow and the table's own pointer.
inline constexpr int kCursorDefault = 0;
inline constexpr int kCursorCustom = 99;

inline constexpr int kMaxListLines = 200;
// A list's scroll bar, inside its right edge, shown only while the lines overflow.
inline constexpr double kScrollBarWidth = 12;
// Lines a wheel notch moves a list by.
inline constexpr int kWheelLines = 3;

// Keys a list with the keyboard focus answers (the usual virtual-key numbers).
enum ListKey : int {
  kListPageUp = 33,
  kListPageDown = 34,
  kListEnd = 35,
  kListHome = 36,
  kListUp = 38,
  kListDown = 40,
};

// Pictures handed to the table while it runs (the prop component draws its own), numbered apart
// from the picture set. The Scene keeps a copy of their pixels for the front end.
inline constexpr PictureId kFirstRuntimePicture = 5000;
inline constexpr int kRuntimePictures = 16;
inline constexpr int kLargestRuntimeSide = 2048;
constexpr bool IsRuntimePicture(PictureId id) {
  return id >= kFirstRuntimePicture && id < kFirstRuntimePicture + kRuntimePictures;
}
struct RuntimePicture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;  // width * height pixels, 0xAARRGGBB, rows top to bottom
  uint64_t serial = 0;         // changes whenever the number gets new pixels
};

struct Element {
  std::string name;
  int index = 0;
  ElementKind kind = ElementKind::Image;
  bool visible = true;
  bool enabled = true;
  bool stretch = true;  // images: keep the element's size when given a picture
  Rect geometry;
  PictureId picture = kNoPicture;
  std::string caption;             // labels; the contents of a text element
  std::vector<std::string> lines;  // lists
  int topLine = 0;                 // lists: the line at the top of the box
  int selectedLine = -1;           // lists: the chosen line, -1 for none
  // Lists that scroll and choose together with this one (the history's and the board's
  // columns).
  std::vector<int32_t> linkedLists;
  double fontSize = 9;  // points
  bool bold = false;
  TextAlign align = TextAlign::Left;
  bool wrap = false;          // labels: long text breaks onto further lines instead of being cut
  uint32_t color = 0x000000;  // text colour, 0xRRGGBB
  uint32_t backColor = 0xFFFFFF;  // used when `opaque`
  bool opaque = false;
  std::string toolTip;
  int cursor = kCursorDefault;
  uint8_t opacity = 255;
};

// Told about changes so the front end can repaint; each call is cheap and may come often.
class SceneListener {
 public:
  virtual ~SceneListener() = default;
  // The form went from clean to having something to repaint.
  virtual void FormDirty(FormId form) = 0;
  virtual void FormShown(FormId form, bool visible) = 0;
  virtual void FormAdded(FormId form) = 0;
  // A handler wants the keyboard in text element `element` of the form.
  virtual void FocusRequested(FormId /*form*/, ElementId /*element*/) {}
};

class Form {
 public:
  Form(Scene& scene, FormId id, std::string name, double width, double height);

  FormId id() const { return id_; }
  const std::string& name() const { return name_; }
  const Scene& scene() const { return scene_; }

  // ---- elements --------------------------------------------------------------------------
  // A design-time element: exists from the start, visible unless hidden later.
  ElementId Add(std::string_view name, int index, ElementKind kind, const Rect& geometry);
  // A run-time member of an element array: a hidden copy of element 0 of the array, placed in
  // front of its layer. Returns the existing element when it is already there.
  ElementId Load(std::string_view name, int index);
  // kNoElement when there is no such element.
  ElementId Find(std::string_view name, int index = 0) const;
  bool Valid(ElementId e) const { return e >= 0 && e < static_cast<ElementId>(elements_.size()); }
  const Element* Get(ElementId e) const { return Valid(e) ? &elements_[e] : nullptr; }
  int ElementCount() const { return static_cast<int>(elements_.size()); }
  // Room for this many elements, so building a large form does not copy them again and again.
  void Reserve(int elements) { elements_.reserve(elements); }

  // ---- the table view operations ------------------------------------------------------
  void Show(ElementId e) { SetVisible(e, true); }
  void Hide(ElementId e) { SetVisible(e, false); }
  void SetVisible(ElementId e, bool visible);
  // Gives an image the picture `id`; false (and nothing changes) when the picture is missing.
  // A stretched element keeps its size, any other takes the picture's size.
  bool LoadSprite(ElementId e, PictureId id);
  void ClearPicture(ElementId e);
  void SetCaption(ElementId e, std::string_view text);
  void Move(ElementId e, double left, double top);
  void Move(ElementId e, double left, double top, double width, double height);
  void SetFontSize(ElementId e, double points);
  void SetBold(ElementId e, bool bold);
  void SetAlign(ElementId e, TextAlign align);
  void SetColor(ElementId e, uint32_t rgb);
  void SetBackColor(ElementId e, uint32_t rgb, bool opaque);
  void BringToFront(ElementId e);
  void SendToBack(ElementId e);
  void Enable(ElementId e) { SetEnabled(e, true); }
  void Disable(ElementId e) { SetEnabled(e, false); }
  void SetEnabled(ElementId e, bool enabled);
  void SetToolTip(ElementId e, std::string_view text);
  void SetCursor(ElementId e, int shape);
  void SetOpacity(ElementId e, int alpha);
  void SetStretch(ElementId e, bool stretch);
  void SetWrap(ElementId e, bool wrap);
  // Lists: append a line (the oldest lines go beyond kMaxListLines) or empty the list.
  void AddLine(ElementId e, std::string_view line);
  void ClearLines(ElementId e);

  // ---- list scrolling and choosing ----------------------------------------------------
  // Every list of `lists` follows the others' top line and chosen line from now on.
  void LinkLists(const std::vector<ElementId>& lists);
  // The height of one line and the lines that fit in the box (at least 1). The front end
  // draws with these figures, so a line position here is a line on the screen.
  double ListLineHeight(ElementId e) const;
  int ListPage(ElementId e) const;
  // Where the first line in view starts, relative to the box.
  double ListTextTop(ElementId e) const;
  // The line under `y` (relative to the box), or -1 below the last line or outside the box.
  int ListLineAt(ElementId e, double y) const;
  // The largest top line: the last line at the bottom of the box.
  int ListLastTop(ElementId e) const;
  bool ListOverflows(ElementId e) const;
  // Puts `line` at the top, held to 0..ListLastTop; the linked lists follow.
  void ScrollList(ElementId e, int line);
  void ScrollListToEnd(ElementId e) { ScrollList(e, ListLastTop(e)); }
  // A wheel turn of `notches` (positive away from the user, scrolling up).
  void WheelList(ElementId e, int notches);
  // Chooses `line` (-1: none) and scrolls it into view; the linked lists follow.
  void SelectLine(ElementId e, int line);
  // Up, Down, PageUp, PageDown, Home, End: move the chosen line; false for another key.
  bool ListKeyDown(ElementId e, int keyCode);
  // The scroll bar's thumb, relative to the box; empty when the lines fit.
  Rect ListThumb(ElementId e) const;

  bool Visible(ElementId e) const { return Valid(e) && elements_[e].visible; }
  bool Enabled(ElementId e) const { return Valid(e) && elements_[e].enabled; }
  double GetLeft(ElementId e) const { return Valid(e) ? elements_[e].geometry.left : 0; }
  double GetTop(ElementId e) const { return Valid(e) ? elements_[e].geometry.top : 0; }
  double GetWidth(ElementId e) const { return Valid(e) ? elements_[e].geometry.width : 0; }
  double GetHeight(ElementId e) const { return Valid(e) ? elements_[e].geometry.height : 0; }
  PictureId GetPicture(ElementId e) const { return Valid(e) ? elements_[e].picture : kNoPicture; }

  // ---- z-order, painting and input ----------------------------------------------------
  // Back to front: pictures, then images and labels, then lists and text boxes.
  std::vector<ElementId> PaintOrder() const;
  // 0 = furthest back; only meaningful within one layer.
  int ZIndex(ElementId e) const;
  // The front-most visible, enabled element under (x, y), or kNoElement.
  ElementId HitTest(double x, double y) const;

  // ---- the form's own window ----------------------------------------------------------
  bool visible() const { return visible_; }
  void SetFormVisible(bool visible);
  double width() const { return width_; }
  double height() const { return height_; }
  void Resize(double width, double height);
  // Scales the form and everything on it (places, sizes, type) by `factor`, for a form built
  // at the full layout's size shown on the smaller one.
  void ScaleLayout(double factor);
  const std::string& title() const { return title_; }
  void SetTitle(std::string_view title) { title_ = title; }
  // Window opacity 0..255 and staying above other windows.
  uint8_t windowOpacity = 255;
  bool topmost = false;
  double screenLeft = 0;
  double screenTop = 0;
  // The window draws its own frame instead of the desktop's.
  bool frameless = false;
  // The window takes the shape of this element's picture (its top-left pixel's colour is
  // see-through) and shows without taking the keyboard from another window.
  ElementId shapedBy = kNoElement;
  bool takesFocus = true;
  // Gives text element `e` the keyboard (when the window can have it).
  void RequestFocus(ElementId e);
  ElementId lastFocusRequest = kNoElement;
  // The wanted window state; the front end follows it and reports the user's changes back.
  bool minimised() const { return minimised_; }
  void SetMinimised(bool minimised);
  // Set during a mouse press: the window then follows the pointer until the button is up.
  bool moveRequested = false;
  // Places the window on the screen (it moves there when it is next shown or synchronised).
  void PlaceOnScreen(double left, double top);

  // ---- what changed since the front end last looked ------------------------------------
  uint64_t ChangeCount() const { return changes_; }
  bool Dirty() const { return !dirty_.empty(); }
  // The areas to repaint (at most kMaxDirtyRects, whole pixels), and clean again.
  std::vector<Rect> TakeDirty();
  void MarkAllDirty() { MarkDirty({0, 0, width_, height_}); }
  static constexpr size_t kMaxDirtyRects = 8;

 private:
  static int LayerOf(ElementKind kind);
  Element* Mut(ElementId e) { return Valid(e) ? &elements_[e] : nullptr; }
  // Repaint the element's area when it can be seen.
  void Touch(const Element& el) {
    if (el.visible) MarkDirty(el.geometry);
  }
  void MarkDirty(const Rect& r);
  void RemoveFromLayer(ElementId e);
  void SetTopLine(ElementId e, int line);
  void SetSelected(ElementId e, int line);
  ElementId Insert(Element el, bool front);

  Scene& scene_;
  FormId id_;
  std::string name_;
  std::string title_;
  double width_, height_;
  bool visible_ = false;
  bool minimised_ = false;
  std::vector<Element> elements_;
  std::array<std::vector<ElementId>, 3> layers_;
  // Looked up by every element the layout creates; a hash keeps start-up short.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  std::unordered_map<std::string, std::vector<ElementId>, NameHash, std::equal_to<>> byName_;
  std::vector<Rect> dirty_;
  uint64_t changes_ = 0;
};

class Scene {
 public:
  Scene();
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  FormId AddForm(std::string_view name, double width, double height);
  Form& form(FormId id) { return *forms_.at(id); }
  const Form& form(FormId id) const { return *forms_.at(id); }
  bool ValidForm(FormId id) const { return id >= 0 && id < FormCount(); }
  Form* FindForm(std::string_view name);
  int FormCount() const { return static_cast<int>(forms_.size()); }

  // The picture port; without one the catalogue answers.
  void SetPictureStore(const PictureStore* store);
  const PictureStore& pictures() const { return *pictures_; }

  // Keeps a copy of `width` x `height` pixels as runtime picture `id`; false (and nothing kept)
  // for another number, a size outside 1..kLargestRuntimeSide or no pixels.
  bool SetRuntimePicture(PictureId id, int width, int height, const uint32_t* argb);
  void ClearRuntimePicture(PictureId id);
  // Null when `id` holds no runtime picture.
  const RuntimePicture* FindRuntimePicture(PictureId id) const;
  // The size of any picture an element can show: runtime pictures first, then the store.
  std::optional<PictureSize> PictureSizeOf(PictureId id) const;

  void SetListener(SceneListener* listener) { listener_ = listener; }
  SceneListener* listener() const { return listener_; }

 private:
  std::vector<std::unique_ptr<Form>> forms_;
  std::unique_ptr<PictureStore> catalogue_;
  const PictureStore* pictures_;
  std::array<RuntimePicture, kRuntimePictures> runtime_;
  uint64_t runtimeSerial_ = 0;
  SceneListener* listener_ = nullptr;
};

}  // namespace korvel
