// A logged-in client whose folder holds the scriptable test component, seated at a table of
// three (local seat mask 1; Bob on the left with mask 4, Cat on the right with mask 2), and the
// script of that component, reached through the same file the client loads.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gbk.h"
#include "props/prop_component.h"
#include "support/client_fixture.h"
#include "support/scratch_folder.h"

namespace korvel::testing {

class TestComponent {
 public:
  TestComponent() {
    handle_ = dlopen(KORVEL_TEST_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) return;
    Bind(reset_, "TestProp_Reset");
    Bind(setInit_, "TestProp_SetInitResult");
    Bind(setBoxes_, "TestProp_SetBoxInfo");
    Bind(setScore_, "TestProp_SetScore");
    Bind(queue_, "TestProp_QueueAction");
    Bind(setCheck_, "TestProp_SetCheckCount");
    Bind(refuseUsers_, "TestProp_RefuseUsers");
    Bind(queued_, "TestProp_Queued");
    Bind(calls_, "TestProp_Calls");
    Bind(clearCalls_, "TestProp_ClearCalls");
    reset_();
  }
  ~TestComponent() {
    if (handle_) dlclose(handle_);
  }
  bool Ready() const { return handle_ && reset_ && clearCalls_; }
  // The folder a client must run from to find the component in plugin/tools.
  static std::string AppDir() {
    return std::filesystem::path(KORVEL_TEST_PLUGIN).parent_path().parent_path().parent_path();
  }

  void SetInitResult(int ok) { setInit_(ok); }
  void SetBoxes(const PropDllBoxInfo& info, bool result) { setBoxes_(&info, result ? 1 : 0); }
  void SetScore(const PropDllScore& score, int result) { setScore_(&score, result); }
  void Queue(const PropDllAction& action) { queue_(&action); }
  void SetCheckCount(int n) { setCheck_(n); }
  void RefuseUsers(bool refuse) { refuseUsers_(refuse ? 1 : 0); }
  int Queued() { return queued_(); }
  std::string Calls() { return calls_(); }
  void ClearCalls() { clearCalls_(); }
  // How often the client called `member` (its name and the "(" or ";" after it).
  int Count(const std::string& call) {
    const std::string log = Calls();
    int n = 0;
    for (size_t at = log.find(call); at != std::string::npos; at = log.find(call, at + 1)) ++n;
    return n;
  }

 private:
  template <class F>
  void Bind(F& f, const char* name) {
    f = reinterpret_cast<F>(dlsym(handle_, name));
  }
  void* handle_ = nullptr;
  void (*reset_)() = nullptr;
  void (*setInit_)(int32_t) = nullptr;
  void (*setBoxes_)(const PropDllBoxInfo*, int32_t) = nullptr;
  void (*setScore_)(const PropDllScore*, int32_t) = nullptr;
  void (*queue_)(const PropDllAction*) = nullptr;
  void (*setCheck_)(int32_t) = nullptr;
  void (*refuseUsers_)(int32_t) = nullptr;
  int32_t (*queued_)() = nullptr;
  const char* (*calls_)() = nullptr;
  void (*clearCalls_)() = nullptr;
};

inline void PutText(RecordBytes& r, size_t at, const std::string& utf8) {
  const std::string gbk = Utf8ToGbk(utf8);
  std::copy(gbk.begin(), gbk.end(), r.begin() + static_cast<long>(at));
}

// Command 20 for the local player (seat byte 15), props allowed unless `noProps`.
inline RecordBytes LocalPlayerInfo(bool noProps = false) {
  RecordBytes r = ServerRecord(20, 15);
  PutText(r, 16, "我");
  PutText(r, 48, "m1");
  r[64] = 1;
  r[96] = 0xE8;  // 1000 coins
  r[97] = 0x03;
  PutText(r, 168, "a");
  r[255] = noProps ? 1 : 0;
  return r;
}

inline PropDllAction TextAction(int16_t kind, const std::string& text) {
  PropDllAction a{};
  a.kind = kind;
  std::strncpy(a.text.utf8, text.c_str(), sizeof a.text.utf8 - 1);
  return a;
}

inline void SetLongs(PropDllLongs& a, std::vector<int32_t> values, int32_t lower = 0) {
  a.lower = lower;
  a.count = static_cast<int32_t>(values.size());
  for (size_t i = 0; i < values.size(); ++i) a.v[i] = values[i];
}

inline void SetText(PropDllText& t, const std::string& text) {
  std::strncpy(t.utf8, text.c_str(), sizeof t.utf8 - 1);
}

inline std::vector<std::string> PropsFields() {
  std::vector<std::string> fields = DirectFields();
  fields[13] = "1";
  fields[14] = "7";
  return fields;
}

class PropsFixture : public ClientFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(component.Ready()) << "the test component cannot be opened";
    vp.files.appDir = TestComponent::AppDir();
    vp.files.userDir = userFiles.path();
    ASSERT_TRUE(Start(PropsFields()));
    ASSERT_EQ(Run(200), -1);
    Deliver(ServerRecord(kCmdLogin, 0, {5, 0x08, 0, 1}));
    ASSERT_EQ(Run(100), -1);
    vp.socket.sent.clear();
    SeatTable();
  }

  void SeatTable() {
    const char* names[3] = {"我", "Bob", "Cat"};
    const int masks[3] = {1, 4, 2};
    for (int v = 0; v < 3; ++v) {
      client.table().players[v].seatMask = static_cast<uint8_t>(masks[v]);
      client.table().seatInfo[v].nickname = names[v];
      client.table().seatInfo[v].coins = 1000;
    }
  }

  // Starts the component with the first user information.
  void StartComponent() {
    Feed({LocalPlayerInfo()});
    SeatTable();
  }

  void Feed(std::initializer_list<RecordBytes> records) {
    for (const RecordBytes& r : records) Deliver(r);
    ASSERT_EQ(Run(100 * static_cast<int>(records.size()) + 100), -1);
  }

  Form& main() { return client.view().main(); }
  const MainElements& el() { return client.view().el; }
  PropComponent& props() { return client.props(); }
  PropDisplay& display() { return client.props().display(); }
  ElementId PropImage(int k) { return main().Find("ImgProp", k); }

  TestComponent component;
  ScratchFolder userFiles;
};

}  // namespace korvel::testing
