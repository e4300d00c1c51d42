// The prop component's answers, which the client cannot trust: its start-up verdict, the
// treasure-box buffers, the deal-end score lines and the queue of actions (texts, animations,
// records to send, clicks and keys) with any bounds, counts and picture sizes, while the whole
// client runs from the socket side with props allowed (steps and invariants of the whole-client
// harness). The input starts with patches to the component's answers, then the client's steps.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "client_harness.h"
#include "props/propdll.h"

namespace {

// The scriptable test component, built beside the harness as plugin/tools/libpropdll.so.
struct Component {
  Component() {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    appDir = (self.parent_path().parent_path() / "fuzz-props").string();
    handle = dlopen(korvel::PropLibrary::PathFor(appDir).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      std::fprintf(stderr, "no test component: %s\n", dlerror());
      std::abort();
    }
    Bind(reset, "TestProp_Reset");
    Bind(setInit, "TestProp_SetInitResult");
    Bind(setBoxes, "TestProp_SetBoxInfo");
    Bind(setScore, "TestProp_SetScore");
    Bind(queue, "TestProp_QueueAction");
    Bind(setCheck, "TestProp_SetCheckCount");
  }
  template <class F>
  void Bind(F& f, const char* name) {
    f = reinterpret_cast<F>(dlsym(handle, name));
    if (!f) std::abort();
  }
  std::string appDir;
  void* handle = nullptr;
  void (*reset)() = nullptr;
  void (*setInit)(int32_t) = nullptr;
  void (*setBoxes)(const PropDllBoxInfo*, int32_t) = nullptr;
  void (*setScore)(const PropDllScore*, int32_t) = nullptr;
  void (*queue)(const PropDllAction*) = nullptr;
  void (*setCheck)(int32_t) = nullptr;
};

// Pictures point into the component's memory and hold the pixels their size says; any size
// the client accepts fits here.
std::vector<uint32_t>& Pixels() {
  static std::vector<uint32_t> pixels(size_t{2048} * 2048, 0xFF336699u);
  return pixels;
}

void FixPicture(PropDllPicture& p) {
  p.argb = p.width == 0 && p.height == 0 ? nullptr : Pixels().data();
}

constexpr int kActions = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Component component;
  static auto* boxes = new PropDllBoxInfo;
  static auto* score = new PropDllScore;
  static auto* actions = new PropDllAction[kActions];
  *boxes = {};
  *score = {};
  for (int k = 0; k < kActions; ++k) actions[k] = {};

  // Header: the verdicts, the count the check reports, the number of patches.
  size_t at = 0;
  auto byte = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  const int8_t initResult = static_cast<int8_t>(byte());
  const uint8_t boxResult = byte();
  const uint8_t scoreResult = byte();
  const int8_t check = static_cast<int8_t>(byte());
  const uint8_t actionCount = byte() % (kActions + 1);
  const uint8_t patches = byte() % 32;
  // Each patch: which answer, where, how many bytes, the bytes.
  for (int i = 0; i < patches && at < size; ++i) {
    const uint8_t target = byte() % (2 + kActions);
    const uint8_t low = byte();
    const uint16_t offset = static_cast<uint16_t>(low | byte() << 8);
    const size_t wanted = byte() % 17;
    const size_t n = std::min(wanted, size - at);
    uint8_t* base = target == 0   ? reinterpret_cast<uint8_t*>(boxes)
                    : target == 1 ? reinterpret_cast<uint8_t*>(score)
                                  : reinterpret_cast<uint8_t*>(&actions[target - 2]);
    const size_t limit = target == 0   ? sizeof *boxes
                         : target == 1 ? sizeof *score
                                       : sizeof *actions;
    const size_t where = offset % limit;
    std::memcpy(base + where, data + at, std::min(n, limit - where));
    at += n;
  }
  FixPicture(boxes->picture1);
  FixPicture(boxes->picture2);
  for (int k = 0; k < kActions; ++k) FixPicture(actions[k].picture);

  component.reset();
  component.setInit(initResult);
  component.setBoxes(boxes, boxResult);
  component.setScore(score, scoreResult);
  for (int k = 0; k < actionCount; ++k) component.queue(&actions[k]);
  component.setCheck(check);

  auto harness =
      std::make_unique<korvel::fuzz::Harness>(data + at, size - at, korvel::fuzz::kFlagProps);
  harness->platform().files.appDir = component.appDir;
  try {
    harness->Run();
  } catch (const korvel::ClientEnded&) {
  }
  return 0;
}
