#include "replay/input_entries.h"

#include <algorithm>
#include <cstring>

#include "replay/session_recorder.h"

namespace korvel {
namespace {

constexpr size_t kTextAt = 8;

void Put32(std::span<uint8_t> out, size_t at, int32_t v) {
  for (int k = 0; k < 4; ++k)
    out[at + k] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
}
int32_t Get32(std::span<const uint8_t> in, size_t at) {
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v |= uint32_t{in[at + k]} << (8 * k);
  return static_cast<int32_t>(v);
}
void PutDouble(std::span<uint8_t> out, size_t at, double d) {
  uint64_t bits = 0;
  std::memcpy(&bits, &d, sizeof bits);
  for (int k = 0; k < 8; ++k) out[at + k] = static_cast<uint8_t>(bits >> (8 * k));
}
double GetDouble(std::span<const uint8_t> in, size_t at) {
  uint64_t bits = 0;
  for (int k = 0; k < 8; ++k) bits |= uint64_t{in[at + k]} << (8 * k);
  double d = 0;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

}  // namespace

std::array<uint8_t, kInputPayload> EncodeInput(const InputEvent& in) {
  std::array<uint8_t, kInputPayload> out{};
  out[0] = static_cast<uint8_t>(in.method);
  out[1] = in.flag ? 1 : 0;
  Put32(out, 4, in.event.form);
  Put32(out, 8, in.event.element);
  Put32(out, 12, in.event.button);
  Put32(out, 16, in.event.buttons);
  Put32(out, 20, in.event.shift);
  Put32(out, 24, in.keyCode);
  PutDouble(out, 28, in.event.x);
  PutDouble(out, 36, in.event.y);
  PutDouble(out, 44, in.event.formX);
  PutDouble(out, 52, in.event.formY);
  return out;
}

bool DecodeInput(std::span<const uint8_t> p, InputEvent& in) {
  if (p.size() < kInputPayload || p[0] < static_cast<uint8_t>(InputMethod::MouseDown) ||
      p[0] > static_cast<uint8_t>(InputMethod::FormClose)) {
    return false;
  }
  in.method = static_cast<InputMethod>(p[0]);
  in.flag = p[1] != 0;
  in.event.form = Get32(p, 4);
  in.event.element = Get32(p, 8);
  in.event.button = Get32(p, 12);
  in.event.buttons = Get32(p, 16);
  in.event.shift = Get32(p, 20);
  in.keyCode = Get32(p, 24);
  in.event.x = GetDouble(p, 28);
  in.event.y = GetDouble(p, 36);
  in.event.formX = GetDouble(p, 44);
  in.event.formY = GetDouble(p, 52);
  return true;
}

void DeliverInput(const InputEvent& in, const Scene& scene, ElementEvents& events) {
  const ElementEvent& e = in.event;
  if (!scene.ValidForm(e.form)) return;
  switch (in.method) {
    case InputMethod::MouseDown:
      events.OnMouseDown(e);
      break;
    case InputMethod::MouseUp:
      events.OnMouseUp(e);
      break;
    case InputMethod::MouseMove:
      events.OnMouseMove(e);
      break;
    case InputMethod::Click:
      events.OnClick(e);
      break;
    case InputMethod::DoubleClick:
      events.OnDoubleClick(e);
      break;
    case InputMethod::KeyDown:
      events.OnKeyDown(e.form, e.element, in.keyCode, e.shift);
      break;
    case InputMethod::KeyUp:
      events.OnKeyUp(e.form, e.element, in.keyCode, e.shift);
      break;
    case InputMethod::FocusChanged:
      events.OnFocusChanged(e.form, e.element, in.flag);
      break;
    case InputMethod::FormResize:
      events.OnFormResize(e.form, in.flag);
      break;
    case InputMethod::FormClose:
      events.OnFormClose(e.form);
      break;
  }
}

void DeliverText(std::span<const uint8_t> payload, Scene& scene, ElementEvents& events) {
  if (payload.size() < kTextAt) return;
  const FormId form = Get32(payload, 0);
  const ElementId element = Get32(payload, 4);
  if (!scene.ValidForm(form) || !scene.form(form).Valid(element)) return;
  const auto text = payload.subspan(kTextAt);
  const auto end = std::find(text.begin(), text.end(), uint8_t{0});
  scene.form(form).SetCaption(element, std::string_view(reinterpret_cast<const char*>(text.data()),
                                                        static_cast<size_t>(end - text.begin())));
  events.OnTextChanged(form, element);
}

void InputRecorder::Keep(const InputEvent& input) {
  recorder_.Input(EntryKind::Input, EncodeInput(input));
}

void InputRecorder::Pass(const InputEvent& input) {
  Keep(input);
  DeliverInput(input, scene_, inner_);
}

void InputRecorder::Pass(InputMethod method, const ElementEvent& e) {
  InputEvent in;
  in.method = method;
  in.event = e;
  Pass(in);
}

void InputRecorder::Pass(InputMethod method, FormId form, ElementId element, int keyCode, int shift,
                         bool flag) {
  InputEvent in;
  in.method = method;
  in.event.form = form;
  in.event.element = element;
  in.event.shift = shift;
  in.keyCode = keyCode;
  in.flag = flag;
  Pass(in);
}

void InputRecorder::OnTextChanged(FormId form, ElementId element) {
  RecordBytes payload{};
  Put32(payload, 0, form);
  Put32(payload, 4, element);
  if (scene_.ValidForm(form)) {
    if (const Element* el = scene_.form(form).Get(element)) {
      // Cut on a whole character so the replayed box never holds half of one.
      std::string_view text = el->caption;
      size_t n = std::min(text.size(), kRecordSize - kTextAt - 1);
      while (n > 0 && n < text.size() && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) --n;
      std::copy_n(text.begin(), n, payload.begin() + kTextAt);
    }
  }
  recorder_.Input(EntryKind::Text, payload);
  inner_.OnTextChanged(form, element);
}

}  // namespace korvel
