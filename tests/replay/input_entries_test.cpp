// The player's input as kept in a session: it reads back as it was, reaches the client the same
// way, and a damaged entry or one naming a window that does not exist is dropped.
#include "replay/input_entries.h"

#include <gtest/gtest.h>

#include "memory_session_store.h"
#include "platform/virtual_platform.h"
#include "replay/session_recorder.h"

namespace korvel {
namespace {

// Notes what reached it, one line per call.
class Calls : public ElementEvents {
 public:
  void OnMouseDown(const ElementEvent& e) override { Note("down", e.form, e.element, e.button); }
  void OnClick(const ElementEvent& e) override { Note("click", e.form, e.element, e.button); }
  void OnKeyUp(FormId f, ElementId e, int key, int shift) override {
    Note("keyup", f, e, key, shift);
  }
  void OnTextChanged(FormId f, ElementId e) override { Note("text", f, e); }
  void OnFormResize(FormId f, bool minimised) override { Note("resize", f, minimised); }
  void OnFormClose(FormId f) override { Note("close", f); }
  template <typename... V>
  void Note(std::string what, V... values) {
    ((what += " " + std::to_string(values)), ...);
    lines.push_back(what);
  }
  std::vector<std::string> lines;
};

class InputEntriesTest : public ::testing::Test {
 protected:
  InputEntriesTest() {
    form = scene.AddForm("Main", 100, 100);
    box = scene.form(form).Add("Box", 0, ElementKind::Text, Rect{0, 0, 50, 20});
  }
  // What the recorder kept, played into a fresh listener.
  std::vector<std::string> Replayed() {
    recorder.Flush();
    Calls replayed;
    for (const SessionEntry& e : ParseSession(store.files["s.kvsession"]).entries) {
      InputEvent in;
      if (e.kind == EntryKind::Input && DecodeInput(e.record, in))
        DeliverInput(in, scene, replayed);
      if (e.kind == EntryKind::Text) DeliverText(e.record, scene, replayed);
    }
    return replayed.lines;
  }

  Scene scene;
  FormId form = 0;
  ElementId box = 0;
  VirtualPlatform vp;
  testing::MemorySessionStore store;
  SessionRecorder recorder{store, vp.timers, vp.log, "s.kvsession", {}};
  Calls live;
  InputRecorder input{live, scene, recorder};
};

TEST_F(InputEntriesTest, TheReplayGetsWhatTheClientGot) {
  ElementEvent e;
  e.form = form;
  e.element = 7;
  e.button = kLeftButton;
  e.x = 12.25;
  e.formY = -3.5;
  input.OnMouseDown(e);
  input.OnClick(e);
  input.OnKeyUp(form, box, 13, 1);
  input.OnFormResize(form, true);
  input.OnFormClose(form);
  EXPECT_EQ(live.lines, (std::vector<std::string>{"down 0 7 1", "click 0 7 1", "keyup 0 0 13 1",
                                                  "resize 0 1", "close 0"}));
  EXPECT_EQ(Replayed(), live.lines);

  InputEvent back;
  ASSERT_TRUE(DecodeInput(EncodeInput(InputEvent{InputMethod::Click, e, 0, false}), back));
  EXPECT_EQ(back.event.x, 12.25);
  EXPECT_EQ(back.event.formY, -3.5);
}

TEST_F(InputEntriesTest, TypedTextGoesBackIntoTheBoxCutOnAWholeCharacter) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "麻";  // 300 bytes: more than an entry holds
  scene.form(form).SetCaption(box, text);
  input.OnTextChanged(form, box);
  scene.form(form).SetCaption(box, "");
  EXPECT_EQ(Replayed(), (std::vector<std::string>{"text 0 0"}));
  const std::string& shown = scene.form(form).Get(box)->caption;
  EXPECT_EQ(shown.size() % 3, 0u) << "no half character";
  EXPECT_EQ(shown, text.substr(0, shown.size()));
  EXPECT_GT(shown.size(), 250u);
}

TEST_F(InputEntriesTest, DamagedOrStrayInputIsDropped) {
  Calls calls;
  std::array<uint8_t, kInputPayload> payload{};
  InputEvent in;
  EXPECT_FALSE(DecodeInput(payload, in)) << "method 0";
  payload[0] = 99;
  EXPECT_FALSE(DecodeInput(payload, in));
  EXPECT_FALSE(DecodeInput(std::span(payload).first(10), in)) << "too short";

  in.method = InputMethod::Click;
  in.event.form = 5;  // no such window
  DeliverInput(in, scene, calls);
  in.event.form = -1;
  DeliverInput(in, scene, calls);
  RecordBytes text{};
  text[0] = 9;  // form 9
  DeliverText(text, scene, calls);
  text[0] = 0;
  text[4] = 200;  // element 200 of the window
  DeliverText(text, scene, calls);
  EXPECT_TRUE(calls.lines.empty());
}

}  // namespace
}  // namespace korvel
