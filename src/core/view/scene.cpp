#include "view/scene.h"

#include <algorithm>
#include <cmath>

#include "view/picture_store.h"

namespace korvel {

Form::Form(Scene& scene, FormId id, std::string name, double width, double height)
    : scene_(scene),
      id_(id),
      name_(std::move(name)),
      title_(name_),
      width_(width),
      height_(height) {}

int Form::LayerOf(ElementKind kind) {
  switch (kind) {
    case ElementKind::Picture:
      return 0;
    case ElementKind::List:
    case ElementKind::Text:
      return 2;
    default:
      return 1;
  }
}

ElementId Form::Insert(Element el, bool front) {
  const ElementId id = static_cast<ElementId>(elements_.size());
  auto& slots = byName_[el.name];
  if (static_cast<int>(slots.size()) <= el.index) slots.resize(el.index + 1, kNoElement);
  slots[el.index] = id;
  auto& layer = layers_[LayerOf(el.kind)];
  if (front) {
    layer.push_back(id);
  } else {
    layer.insert(layer.begin(), id);
  }
  elements_.push_back(std::move(el));
  Touch(elements_.back());
  return id;
}

ElementId Form::Add(std::string_view name, int index, ElementKind kind, const Rect& geometry) {
  if (index < 0) return kNoElement;
  if (ElementId existing = Find(name, index); existing != kNoElement) return existing;
  Element el;
  el.name = std::string(name);
  el.index = index;
  el.kind = kind;
  el.geometry = geometry;
  if (kind == ElementKind::List || kind == ElementKind::Text) el.opaque = true;
  return Insert(std::move(el), true);
}

ElementId Form::Load(std::string_view name, int index) {
  if (index < 0) return kNoElement;
  if (ElementId existing = Find(name, index); existing != kNoElement) return existing;
  const ElementId first = Find(name, 0);
  if (first == kNoElement) return kNoElement;
  Element el = elements_[first];
  el.index = index;
  el.visible = false;
  return Insert(std::move(el), true);
}

ElementId Form::Find(std::string_view name, int index) const {
  auto it = byName_.find(name);
  if (it == byName_.end() || index < 0 || index >= static_cast<int>(it->second.size())) {
    return kNoElement;
  }
  return it->second[index];
}

void Form::MarkDirty(const Rect& area) {
  // Only the part inside the window can be painted.
  const double l = std::max(0.0, area.left), t = std::max(0.0, area.top);
  const double r0 = std::min(width_, area.right()), b0 = std::min(height_, area.bottom());
  if (r0 <= l || b0 <= t) return;
  const Rect r = CoveringPixels({l, t, r0 - l, b0 - t});
  ++changes_;
  const bool wasClean = dirty_.empty();
  // Merge into an overlapping area; past the cap, into the one that grows least.
  for (auto& d : dirty_) {
    if (d.Intersects(r) || (d.left <= r.left && d.top <= r.top && d.right() >= r.right() &&
                            d.bottom() >= r.bottom())) {
      d = d.United(r);
      return;
    }
  }
  if (dirty_.size() < kMaxDirtyRects) {
    dirty_.push_back(r);
  } else {
    auto best = std::min_element(dirty_.begin(), dirty_.end(), [&](const Rect& a, const Rect& b) {
      return a.United(r).Area() - a.Area() < b.United(r).Area() - b.Area();
    });
    *best = best->United(r);
  }
  if (wasClean && scene_.listener()) scene_.listener()->FormDirty(id_);
}

std::vector<Rect> Form::TakeDirty() {
  std::vector<Rect> out;
  out.swap(dirty_);
  return out;
}

void Form::SetVisible(ElementId e, bool visible) {
  Element* el = Mut(e);
  if (!el || el->visible == visible) return;
  el->visible = visible;
  MarkDirty(el->geometry);
}

bool Form::LoadSprite(ElementId e, PictureId id) {
  Element* el = Mut(e);
  if (!el) return false;
  const auto size = scene_.PictureSizeOf(id);
  if (!size) return false;
  Touch(*el);
  el->picture = id;
  if (!el->stretch) {
    el->geometry.width = size->width;
    el->geometry.height = size->height;
  }
  Touch(*el);
  return true;
}

void Form::ClearPicture(ElementId e) {
  Element* el = Mut(e);
  if (!el || el->picture == kNoPicture) return;
  el->picture = kNoPicture;
  Touch(*el);
}

void Form::SetCaption(ElementId e, std::string_view text) {
  Element* el = Mut(e);
  if (!el || el->caption == text) return;
  el->caption = std::string(text);
  Touch(*el);
}

void Form::Move(ElementId e, double left, double top) {
  Element* el = Mut(e);
  if (!el) return;
  Move(e, left, top, el->geometry.width, el->geometry.height);
}

void Form::Move(ElementId e, double left, double top, double width, double height) {
  Element* el = Mut(e);
  if (!el) return;
  const Rect next{left, top, std::max(0.0, width), std::max(0.0, height)};
  if (el->geometry == next) return;
  Touch(*el);
  el->geometry = next;
  Touch(*el);
}

void Form::SetFontSize(ElementId e, double points) {
  Element* el = Mut(e);
  if (!el || points <= 0 || el->fontSize == points) return;
  el->fontSize = points;
  Touch(*el);
}

void Form::SetBold(ElementId e, bool bold) {
  Element* el = Mut(e);
  if (!el || el->bold == bold) return;
  el->bold = bold;
  Touch(*el);
}

void Form::SetAlign(ElementId e, TextAlign align) {
  Element* el = Mut(e);
  if (!el || el->align == align) return;
  el->align = align;
  Touch(*el);
}

void Form::SetColor(ElementId e, uint32_t rgb) {
  Element* el = Mut(e);
  if (!el || el->color == (rgb & 0xFFFFFF)) return;
  el->color = rgb & 0xFFFFFF;
  Touch(*el);
}

void Form::SetBackColor(ElementId e, uint32_t rgb, bool opaque) {
  Element* el = Mut(e);
  if (!el) return;
  el->backColor = rgb & 0xFFFFFF;
  el->opaque = opaque;
  Touch(*el);
}

void Form::RemoveFromLayer(ElementId e) {
  auto& layer = layers_[LayerOf(elements_[e].kind)];
  layer.erase(std::find(layer.begin(), layer.end(), e));
}

void Form::BringToFront(ElementId e) {
  if (!Valid(e)) return;
  auto& layer = layers_[LayerOf(elements_[e].kind)];
  if (layer.back() == e) return;
  RemoveFromLayer(e);
  layer.push_back(e);
  Touch(elements_[e]);
}

void Form::SendToBack(ElementId e) {
  if (!Valid(e)) return;
  auto& layer = layers_[LayerOf(elements_[e].kind)];
  if (layer.front() == e) return;
  RemoveFromLayer(e);
  layer.insert(layer.begin(), e);
  Touch(elements_[e]);
}

void Form::SetEnabled(ElementId e, bool enabled) {
  Element* el = Mut(e);
  if (el) el->enabled = enabled;
}

void Form::SetToolTip(ElementId e, std::string_view text) {
  Element* el = Mut(e);
  if (el) el->toolTip = std::string(text);
}

void Form::SetCursor(ElementId e, int shape) {
  Element* el = Mut(e);
  if (el) el->cursor = shape == kCursorCustom ? kCursorCustom : kCursorDefault;
}

void Form::SetOpacity(ElementId e, int alpha) {
  Element* el = Mut(e);
  if (!el) return;
  const auto a = static_cast<uint8_t>(std::clamp(alpha, 0, 255));
  if (el->opacity == a) return;
  el->opacity = a;
  Touch(*el);
}

void Form::SetStretch(ElementId e, bool stretch) {
  Element* el = Mut(e);
  if (el) el->stretch = stretch;
}

void Form::SetWrap(ElementId e, bool wrap) {
  Element* el = Mut(e);
  if (!el || el->wrap == wrap) return;
  el->wrap = wrap;
  Touch(*el);
}

void Form::RequestFocus(ElementId e) {
  if (!Valid(e)) return;
  lastFocusRequest = e;
  if (scene_.listener()) scene_.listener()->FocusRequested(id_, e);
}

void Form::AddLine(ElementId e, std::string_view line) {
  Element* el = Mut(e);
  if (!el) return;
  if (el->lines.size() >= kMaxListLines) {
    el->lines.erase(el->lines.begin());
    // The lines in view and the chosen one stay the same lines.
    el->topLine = std::max(0, el->topLine - 1);
    if (el->selectedLine >= 0) --el->selectedLine;
  }
  el->lines.emplace_back(line);
  Touch(*el);
}

void Form::ClearLines(ElementId e) {
  Element* el = Mut(e);
  if (!el) return;
  el->topLine = 0;
  el->selectedLine = -1;
  if (el->lines.empty()) return;
  el->lines.clear();
  Touch(*el);
}

void Form::LinkLists(const std::vector<ElementId>& lists) {
  for (ElementId e : lists) {
    Element* el = Mut(e);
    if (!el) continue;
    for (ElementId other : lists) {
      if (other != e && Valid(other) &&
          std::find(el->linkedLists.begin(), el->linkedLists.end(), other) ==
              el->linkedLists.end()) {
        el->linkedLists.push_back(other);
      }
    }
  }
}

double Form::ListLineHeight(ElementId e) const {
  // 16 pixels for the 9-point type the lists use, in proportion for other sizes.
  return Valid(e) ? std::max(1.0, std::round(elements_[e].fontSize * 16.0 / 9.0)) : 1.0;
}

int Form::ListPage(ElementId e) const {
  if (!Valid(e)) return 1;
  return std::max(1, static_cast<int>((elements_[e].geometry.height - 2) / ListLineHeight(e)));
}

double Form::ListTextTop(ElementId e) const {
  if (!Valid(e)) return 0;
  // Lines sit centred when fewer fit than the box's height would suggest.
  const double slack = elements_[e].geometry.height - ListPage(e) * ListLineHeight(e);
  return std::max(1.0, std::floor(slack / 2));
}

int Form::ListLineAt(ElementId e, double y) const {
  const Element* el = Get(e);
  if (!el || y < 0 || y >= el->geometry.height) return -1;
  const double inside = y - ListTextTop(e);
  if (inside < 0) return -1;
  const int row = static_cast<int>(inside / ListLineHeight(e));
  if (row >= ListPage(e)) return -1;
  const int line = el->topLine + row;
  return line < static_cast<int>(el->lines.size()) ? line : -1;
}

int Form::ListLastTop(ElementId e) const {
  const Element* el = Get(e);
  if (!el) return 0;
  // Linked lists go as far as the longest of them, so their rows stay side by side.
  size_t count = el->lines.size();
  for (ElementId other : el->linkedLists) {
    if (Valid(other)) count = std::max(count, elements_[other].lines.size());
  }
  return std::max(0, static_cast<int>(count) - ListPage(e));
}

bool Form::ListOverflows(ElementId e) const {
  const Element* el = Get(e);
  return el && static_cast<int>(el->lines.size()) > ListPage(e);
}

void Form::SetTopLine(ElementId e, int line) {
  Element* el = Mut(e);
  if (!el) return;
  const int top = std::clamp(line, 0, ListLastTop(e));
  if (el->topLine == top) return;
  el->topLine = top;
  Touch(*el);
}

void Form::SetSelected(ElementId e, int line) {
  Element* el = Mut(e);
  if (!el) return;
  const int chosen = line >= 0 && line < static_cast<int>(el->lines.size()) ? line : -1;
  if (el->selectedLine == chosen) return;
  el->selectedLine = chosen;
  Touch(*el);
}

void Form::ScrollList(ElementId e, int line) {
  const Element* el = Get(e);
  if (!el) return;
  SetTopLine(e, line);
  // The linked lists go to the same top line, not each by the same distance.
  const int top = el->topLine;
  for (ElementId other : el->linkedLists) SetTopLine(other, top);
}

void Form::WheelList(ElementId e, int notches) {
  const Element* el = Get(e);
  if (el) ScrollList(e, el->topLine - notches * kWheelLines);
}

void Form::SelectLine(ElementId e, int line) {
  const Element* el = Get(e);
  if (!el) return;
  SetSelected(e, line);
  for (ElementId other : el->linkedLists) SetSelected(other, line);
  const int chosen = el->selectedLine;
  if (chosen < 0) return;
  if (chosen < el->topLine) {
    ScrollList(e, chosen);
  } else if (chosen >= el->topLine + ListPage(e)) {
    ScrollList(e, chosen - ListPage(e) + 1);
  }
}

bool Form::ListKeyDown(ElementId e, int keyCode) {
  const Element* el = Get(e);
  if (!el || el->kind != ElementKind::List) return false;
  const int count = static_cast<int>(el->lines.size());
  const int page = ListPage(e);
  const int at = el->selectedLine;
  int next = 0;
  switch (keyCode) {
    case kListUp:
      next = at < 0 ? el->topLine : at - 1;
      break;
    case kListDown:
      next = at < 0 ? el->topLine : at + 1;
      break;
    case kListPageUp:
      next = (at < 0 ? el->topLine : at) - (page - 1);
      break;
    case kListPageDown:
      next = (at < 0 ? el->topLine : at) + (page - 1);
      break;
    case kListHome:
      next = 0;
      break;
    case kListEnd:
      next = count - 1;
      break;
    default:
      return false;
  }
  if (count > 0) SelectLine(e, std::clamp(next, 0, count - 1));
  return true;
}

Rect Form::ListThumb(ElementId e) const {
  const Element* el = Get(e);
  if (!el || !ListOverflows(e)) return {};
  const double track = el->geometry.height - 2;
  const double count = static_cast<double>(el->lines.size());
  const double length = std::max(8.0, track * ListPage(e) / count);
  const double top = 1 + (track - length) * el->topLine / std::max(1, ListLastTop(e));
  return {el->geometry.width - kScrollBarWidth - 1, top, kScrollBarWidth, length};
}

std::vector<ElementId> Form::PaintOrder() const {
  std::vector<ElementId> order;
  order.reserve(elements_.size());
  for (const auto& layer : layers_) order.insert(order.end(), layer.begin(), layer.end());
  return order;
}

int Form::ZIndex(ElementId e) const {
  if (!Valid(e)) return -1;
  const auto& layer = layers_[LayerOf(elements_[e].kind)];
  return static_cast<int>(std::find(layer.begin(), layer.end(), e) - layer.begin());
}

ElementId Form::HitTest(double x, double y) const {
  for (int l = 2; l >= 0; --l) {
    const auto& layer = layers_[l];
    for (auto it = layer.rbegin(); it != layer.rend(); ++it) {
      const Element& el = elements_[*it];
      if (el.visible && el.enabled && el.geometry.Contains(x, y)) return *it;
    }
  }
  return kNoElement;
}

void Form::SetMinimised(bool minimised) {
  if (minimised_ == minimised) return;
  minimised_ = minimised;
  if (scene_.listener()) scene_.listener()->FormShown(id_, visible_);
}

void Form::PlaceOnScreen(double left, double top) {
  screenLeft = left;
  screenTop = top;
  if (visible_ && scene_.listener()) scene_.listener()->FormShown(id_, visible_);
}

void Form::SetFormVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (scene_.listener()) scene_.listener()->FormShown(id_, visible);
}

void Form::Resize(double width, double height) {
  width_ = width;
  height_ = height;
  MarkAllDirty();
}

void Form::ScaleLayout(double factor) {
  if (factor <= 0 || factor == 1.0) return;
  for (Element& el : elements_) {
    Rect& g = el.geometry;
    g = Rect{std::round(g.left * factor), std::round(g.top * factor), std::round(g.width * factor),
             std::round(g.height * factor)};
    el.fontSize *= factor;
  }
  Resize(std::round(width_ * factor), std::round(height_ * factor));
}

Scene::Scene()
    : catalogue_(std::make_unique<CataloguePictureStore>()), pictures_(catalogue_.get()) {}

Scene::~Scene() = default;

FormId Scene::AddForm(std::string_view name, double width, double height) {
  if (Form* existing = FindForm(name)) return existing->id();
  const FormId id = FormCount();
  forms_.push_back(std::make_unique<Form>(*this, id, std::string(name), width, height));
  if (listener_) listener_->FormAdded(id);
  return id;
}

Form* Scene::FindForm(std::string_view name) {
  for (auto& f : forms_) {
    if (f->name() == name) return f.get();
  }
  return nullptr;
}

void Scene::SetPictureStore(const PictureStore* store) {
  pictures_ = store ? store : catalogue_.get();
}

bool Scene::SetRuntimePicture(PictureId id, int width, int height, const uint32_t* argb) {
  if (!IsRuntimePicture(id) || !argb || width < 1 || height < 1 || width > kLargestRuntimeSide ||
      height > kLargestRuntimeSide) {
    return false;
  }
  RuntimePicture& slot = runtime_[id - kFirstRuntimePicture];
  slot.width = width;
  slot.height = height;
  slot.argb.assign(argb, argb + static_cast<size_t>(width) * static_cast<size_t>(height));
  slot.serial = ++runtimeSerial_;
  return true;
}

void Scene::ClearRuntimePicture(PictureId id) {
  if (IsRuntimePicture(id)) runtime_[id - kFirstRuntimePicture] = RuntimePicture{};
}

const RuntimePicture* Scene::FindRuntimePicture(PictureId id) const {
  if (!IsRuntimePicture(id)) return nullptr;
  const RuntimePicture& slot = runtime_[id - kFirstRuntimePicture];
  return slot.argb.empty() ? nullptr : &slot;
}

std::optional<PictureSize> Scene::PictureSizeOf(PictureId id) const {
  if (IsRuntimePicture(id)) {
    const RuntimePicture* picture = FindRuntimePicture(id);
    if (!picture) return std::nullopt;
    return PictureSize{picture->width, picture->height};
  }
  return pictures_->Size(id);
}

}  // namespace korvel
