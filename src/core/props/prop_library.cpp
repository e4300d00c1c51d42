#include "props/prop_library.h"

#include <dlfcn.h>

namespace korvel {

PropLibrary::~PropLibrary() { Unload(); }

std::string PropLibrary::PathFor(const std::string& appDir) {
  return appDir + "/plugin/tools/libpropdll.so";
}

bool PropLibrary::Load(const std::string& path) {
  Unload();
  error_.clear();
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    error_ = why ? why : "cannot load " + path;
    return false;
  }
  bool complete = true;
  auto bind = [&](auto& member, const char* name) {
    void* symbol = dlsym(handle_, name);
    if (!symbol) {
      complete = false;
      error_ += std::string(error_.empty() ? "missing " : ", ") + name;
    }
    member = reinterpret_cast<std::remove_reference_t<decltype(member)>>(symbol);
  };
  decltype(&PropDll_AbiVersion) version = nullptr;
  bind(version, "PropDll_AbiVersion");
  bind(api_.Initdll, "PropDll_Initdll");
  bind(api_.GetBaoInfo, "PropDll_GetBaoInfo");
  bind(api_.Rec_MSG, "PropDll_Rec_MSG");
  bind(api_.CheckSendBuff, "PropDll_CheckSendBuff");
  bind(api_.GetSendBuff, "PropDll_GetSendBuff");
  bind(api_.GetScoreInfo, "PropDll_GetScoreInfo");
  bind(api_.InitShowNext, "PropDll_InitShowNext");
  bind(api_.InitShowEnd, "PropDll_InitShowEnd");
  bind(api_.InitExit, "PropDll_InitExit");
  bind(api_.ClearUser, "PropDll_ClearUser");
  bind(api_.SetUserinfo, "PropDll_SetUserinfo");
  bind(api_.Ainit, "PropDll_Ainit");
  bind(api_.rec_state, "PropDll_rec_state");
  bind(api_.SetKeyDown, "PropDll_SetKeyDown");
  bind(api_.setbankstate, "PropDll_setbankstate");
  bind(api_.FixBuffPos, "PropDll_FixBuffPos");
  bind(api_.ShowGif, "PropDll_ShowGif");
  bind(api_.ShowTkVideo, "PropDll_ShowTkVideo");
  bind(api_.UpdataMyProp, "PropDll_UpdataMyProp");
  if (complete && version() != PROPDLL_ABI_VERSION) {
    complete = false;
    error_ = "component speaks contract version " + std::to_string(version());
  }
  if (!complete) {
    std::string why = error_;
    Unload();
    error_ = why;
    return false;
  }
  return true;
}

void PropLibrary::Unload() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
  api_ = PropDllApi{};
}

}  // namespace korvel
