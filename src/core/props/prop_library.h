// Loads the prop component from plugin/tools/libpropdll.so beside the client. A missing or
// incomplete library simply means no props; nothing is shown to the user.
#pragma once

#include <string>

#include "props/propdll.h"

namespace korvel {

struct PropDllApi {
  decltype(&PropDll_Initdll) Initdll = nullptr;
  decltype(&PropDll_GetBaoInfo) GetBaoInfo = nullptr;
  decltype(&PropDll_Rec_MSG) Rec_MSG = nullptr;
  decltype(&PropDll_CheckSendBuff) CheckSendBuff = nullptr;
  decltype(&PropDll_GetSendBuff) GetSendBuff = nullptr;
  decltype(&PropDll_GetScoreInfo) GetScoreInfo = nullptr;
  decltype(&PropDll_InitShowNext) InitShowNext = nullptr;
  decltype(&PropDll_InitShowEnd) InitShowEnd = nullptr;
  decltype(&PropDll_InitExit) InitExit = nullptr;
  decltype(&PropDll_ClearUser) ClearUser = nullptr;
  decltype(&PropDll_SetUserinfo) SetUserinfo = nullptr;
  decltype(&PropDll_Ainit) Ainit = nullptr;
  decltype(&PropDll_rec_state) rec_state = nullptr;
  decltype(&PropDll_SetKeyDown) SetKeyDown = nullptr;
  decltype(&PropDll_setbankstate) setbankstate = nullptr;
  decltype(&PropDll_FixBuffPos) FixBuffPos = nullptr;
  decltype(&PropDll_ShowGif) ShowGif = nullptr;
  decltype(&PropDll_ShowTkVideo) ShowTkVideo = nullptr;
  decltype(&PropDll_UpdataMyProp) UpdataMyProp = nullptr;
};

class PropLibrary {
 public:
  PropLibrary() = default;
  ~PropLibrary();
  PropLibrary(const PropLibrary&) = delete;
  PropLibrary& operator=(const PropLibrary&) = delete;

  // The component's path for a client in `appDir`.
  static std::string PathFor(const std::string& appDir);
  // Loads the library; false (with the reason in Error()) when it is absent or incomplete.
  bool Load(const std::string& path);
  void Unload();
  bool Loaded() const { return handle_ != nullptr; }
  const PropDllApi& Api() const { return api_; }
  const std::string& Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  PropDllApi api_;
  std::string error_;
};

}  // namespace korvel
