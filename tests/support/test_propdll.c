/* A prop component for tests: records what it is told, queues one scripted action. */
#include <string.h>

#include "props/propdll.h"

static int32_t g_records;
static int32_t g_last_state;

int32_t PropDll_AbiVersion(void) { return PROPDLL_ABI_VERSION; }
int32_t PropDll_Initdll(char* userId, char* empty, const char* dll, uint64_t window,
                        const char* game, int16_t* scale, int16_t* propParameter) {
  (void)empty, (void)dll, (void)window, (void)scale;
  return userId[0] != '\0' && strcmp(game, "threegame") == 0 && *propParameter >= 0;
}
int32_t PropDll_GetBaoInfo(PropDllBoxInfo* info) {
  memset(info, 0, sizeof *info);
  return 0;
}
void PropDll_Rec_MSG(const uint8_t* record272) { g_records += record272[3] == 19; }
int32_t PropDll_CheckSendBuff(void) { return g_records; }
void PropDll_GetSendBuff(PropDllAction* action) {
  memset(action, 0, sizeof *action);
  action->kind = 0;
  strcpy(action->text.utf8, "道具");
  if (g_records > 0) --g_records;
}
int32_t PropDll_GetScoreInfo(PropDllScore* score) {
  memset(score, 0, sizeof *score);
  return 1;
}
void PropDll_InitShowNext(int32_t show) { (void)show; }
void PropDll_InitShowEnd(void) {}
void PropDll_InitExit(int16_t* reason) { *reason = 0; }
void PropDll_ClearUser(int16_t view) { (void)view; }
int32_t PropDll_SetUserinfo(const char* nickname, const char* account, int32_t seatMask,
                            int32_t view, int32_t credit, int32_t gender, const char* nameTag,
                            int32_t avatar) {
  (void)nickname, (void)account, (void)seatMask, (void)view, (void)credit, (void)gender,
      (void)nameTag, (void)avatar;
  return 1;
}
void PropDll_Ainit(const char* text) { (void)text; }
void PropDll_rec_state(int32_t code, int32_t flag, int32_t view) {
  (void)flag, (void)view;
  g_last_state = code;
}
void PropDll_SetKeyDown(int16_t key) { (void)key; }
void PropDll_setbankstate(int16_t state) { (void)state; }
void PropDll_FixBuffPos(void) {}
void PropDll_ShowGif(int16_t which, int32_t show) { (void)which, (void)show; }
void PropDll_ShowTkVideo(int16_t a, int32_t show, int16_t b) { (void)a, (void)show, (void)b; }
void PropDll_UpdataMyProp(int32_t flag) { (void)flag; }
