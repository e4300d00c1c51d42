// The player's input on the table's windows, kept in the session beside the records: a click
// shows its own effect on the table before the server answers, so a replay that is to show what
// the player saw plays the clicks too.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "replay/session_file.h"
#include "view/element_events.h"
#include "view/scene.h"

namespace korvel {

class SessionRecorder;

enum class InputMethod : uint8_t {
  MouseDown = 1,
  MouseUp,
  MouseMove,
  Click,
  DoubleClick,
  KeyDown,
  KeyUp,
  FocusChanged,
  FormResize,
  FormClose,
};

struct InputEvent {
  InputMethod method = InputMethod::Click;
  ElementEvent event;  // form and element serve the key, focus, resize and close calls too
  int keyCode = 0;
  bool flag = false;  // focus gained, or minimised
};

std::array<uint8_t, kInputPayload> EncodeInput(const InputEvent& input);
// False for a payload that names no input method.
bool DecodeInput(std::span<const uint8_t> payload, InputEvent& input);
// Hands a recorded input to the client; an input for a window that does not exist is dropped.
void DeliverInput(const InputEvent& input, const Scene& scene, ElementEvents& events);
// A recorded text edit: the box gets the text, then the client hears of the edit.
void DeliverText(std::span<const uint8_t> payload, Scene& scene, ElementEvents& events);

// Passes the front end's input on to the client and into the session.
class InputRecorder : public ElementEvents {
 public:
  InputRecorder(ElementEvents& inner, const Scene& scene, SessionRecorder& recorder)
      : inner_(inner), scene_(scene), recorder_(recorder) {}

  void OnMouseDown(const ElementEvent& e) override { Pass(InputMethod::MouseDown, e); }
  void OnMouseUp(const ElementEvent& e) override { Pass(InputMethod::MouseUp, e); }
  void OnMouseMove(const ElementEvent& e) override { Pass(InputMethod::MouseMove, e); }
  void OnClick(const ElementEvent& e) override { Pass(InputMethod::Click, e); }
  void OnDoubleClick(const ElementEvent& e) override { Pass(InputMethod::DoubleClick, e); }
  void OnKeyDown(FormId form, ElementId focus, int keyCode, int shift) override {
    Pass(InputMethod::KeyDown, form, focus, keyCode, shift);
  }
  void OnKeyUp(FormId form, ElementId focus, int keyCode, int shift) override {
    Pass(InputMethod::KeyUp, form, focus, keyCode, shift);
  }
  void OnTextChanged(FormId form, ElementId element) override;
  void OnFocusChanged(FormId form, ElementId element, bool hasFocus) override {
    Pass(InputMethod::FocusChanged, form, element, 0, 0, hasFocus);
  }
  void OnFormResize(FormId form, bool minimised) override {
    Pass(InputMethod::FormResize, form, kNoElement, 0, 0, minimised);
  }
  void OnFormClose(FormId form) override { Pass(InputMethod::FormClose, form, kNoElement); }

 private:
  // Keeps the input, then hands it on exactly as a replay will.
  void Pass(const InputEvent& input);
  void Pass(InputMethod method, const ElementEvent& e);
  void Pass(InputMethod method, FormId form, ElementId element, int keyCode = 0, int shift = 0,
            bool flag = false);
  void Keep(const InputEvent& input);

  ElementEvents& inner_;
  const Scene& scene_;
  SessionRecorder& recorder_;
};

}  // namespace korvel
