// The contract's C functions, each handing its call to the one component of the process.
#include <cstring>
#include <string>

#include "demo_props.h"

namespace {

korvel::demo::DemoProps& Component() {
  static korvel::demo::DemoProps component;
  return component;
}

std::string Text(const char* text) { return text ? std::string(text) : std::string(); }

}  // namespace

extern "C" {

int32_t PropDll_AbiVersion(void) { return PROPDLL_ABI_VERSION; }

int32_t PropDll_Initdll(char* userId, char* empty, const char* dll, uint64_t window,
                        const char* game, int16_t* scale, int16_t* propParameter) {
  (void)empty, (void)dll, (void)window, (void)propParameter;
  if (!userId || !scale) return 0;
  return Component().Initdll(std::string(userId, strnlen(userId, PROPDLL_MAX_TEXT)), Text(game),
                             *scale)
             ? 1
             : 0;
}

int32_t PropDll_GetBaoInfo(PropDllBoxInfo* info) {
  return info && Component().GetBaoInfo(*info) ? 1 : 0;
}

void PropDll_Rec_MSG(const uint8_t* record272) {
  if (record272) Component().Rec_MSG(record272);
}

int32_t PropDll_CheckSendBuff(void) { return Component().CheckSendBuff(); }

void PropDll_GetSendBuff(PropDllAction* action) {
  if (action) Component().GetSendBuff(*action);
}

int32_t PropDll_GetScoreInfo(PropDllScore* score) {
  return score && Component().GetScoreInfo(*score) ? 1 : 0;
}

void PropDll_InitShowNext(int32_t show) { Component().InitShowNext(show != 0); }
void PropDll_InitShowEnd(void) { Component().InitShowEnd(); }
void PropDll_InitExit(int16_t* reason) {
  (void)reason;
  Component().InitExit();
}
void PropDll_ClearUser(int16_t view) { Component().ClearUser(view); }

int32_t PropDll_SetUserinfo(const char* nickname, const char* account, int32_t seatMask,
                            int32_t view, int32_t credit, int32_t gender, const char* nameTag,
                            int32_t avatar) {
  (void)credit, (void)gender, (void)nameTag, (void)avatar;
  Component().SetUserinfo(Text(nickname), Text(account), seatMask, view);
  return 1;
}

void PropDll_Ainit(const char* text) { (void)text; }
void PropDll_rec_state(int32_t code, int32_t flag, int32_t view) {
  (void)code, (void)flag, (void)view;
}
void PropDll_SetKeyDown(int16_t key) { Component().SetKeyDown(key); }
void PropDll_setbankstate(int16_t state) { Component().setbankstate(state); }
void PropDll_FixBuffPos(void) {}
void PropDll_ShowGif(int16_t which, int32_t show) { (void)which, (void)show; }
void PropDll_ShowTkVideo(int16_t a, int32_t show, int16_t b) { (void)a, (void)show, (void)b; }
void PropDll_UpdataMyProp(int32_t flag) { (void)flag; }

}  // extern "C"
