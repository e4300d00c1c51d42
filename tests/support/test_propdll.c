/* A prop component for tests. By default it answers a prop chat record (command 19) with one
 * text action; the TestProp_ functions let a test script its answers and read back, as one
 * text, every call the client made. */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "props/propdll.h"

#define TEST_PROP_QUEUE 128
#define TEST_PROP_LOG 65536

typedef struct TestPropState {
  int32_t initResult;
  int32_t boxResult;
  PropDllBoxInfo boxes;
  int32_t scoreResult;
  PropDllScore score;
  PropDllAction queue[TEST_PROP_QUEUE];
  int32_t queued;
  int32_t checkOverride; /* -1: report the queue's length */
  int32_t refuseUsers;   /* SetUserinfo answers false */
  char log[TEST_PROP_LOG];
  size_t logLength;
} TestPropState;

static TestPropState state = {.initResult = -1, .checkOverride = -1};

__attribute__((format(printf, 1, 2))) static void Note(const char* format, ...) {
  if (state.logLength >= TEST_PROP_LOG - 1) return;
  va_list args;
  va_start(args, format);
  const int n =
      vsnprintf(state.log + state.logLength, TEST_PROP_LOG - state.logLength, format, args);
  va_end(args);
  if (n > 0) state.logLength += (size_t)n;
  if (state.logLength > TEST_PROP_LOG - 1) state.logLength = TEST_PROP_LOG - 1;
}

/* ---- scripting ---------------------------------------------------------------------------- */
void TestProp_Reset(void) {
  memset(&state, 0, sizeof state);
  state.initResult = -1;
  state.checkOverride = -1;
}
void TestProp_SetInitResult(int32_t ok) { state.initResult = ok; }
void TestProp_SetBoxInfo(const PropDllBoxInfo* info, int32_t result) {
  state.boxes = *info;
  state.boxResult = result;
}
void TestProp_SetScore(const PropDllScore* score, int32_t result) {
  state.score = *score;
  state.scoreResult = result;
}
void TestProp_QueueAction(const PropDllAction* action) {
  if (state.queued < TEST_PROP_QUEUE) state.queue[state.queued++] = *action;
}
void TestProp_SetCheckCount(int32_t n) { state.checkOverride = n; }
void TestProp_RefuseUsers(int32_t refuse) { state.refuseUsers = refuse; }
int32_t TestProp_Queued(void) { return state.queued; }
const char* TestProp_Calls(void) { return state.log; }
void TestProp_ClearCalls(void) {
  state.logLength = 0;
  state.log[0] = '\0';
}

/* ---- the contract ------------------------------------------------------------------------- */
int32_t PropDll_AbiVersion(void) { return PROPDLL_ABI_VERSION; }
int32_t PropDll_Initdll(char* userId, char* empty, const char* dll, uint64_t window,
                        const char* game, int16_t* scale, int16_t* propParameter) {
  (void)empty;
  Note("Initdll(%s,%s,%s,%d,%d);", userId, dll, game, *scale, *propParameter);
  Note("InitdllWindow(%llu);", (unsigned long long)window);
  if (state.initResult >= 0) return state.initResult;
  return userId[0] != '\0' && strcmp(game, "threegame") == 0 && *propParameter >= 0;
}
int32_t PropDll_GetBaoInfo(PropDllBoxInfo* info) {
  Note("GetBaoInfo;");
  *info = state.boxes;
  return state.boxResult;
}
void PropDll_Rec_MSG(const uint8_t* record272) {
  Note("Rec_MSG(%d);", record272[3]);
  if (record272[3] == 19 && state.queued < TEST_PROP_QUEUE) {
    PropDllAction* action = &state.queue[state.queued++];
    memset(action, 0, sizeof *action);
    strcpy(action->text.utf8, "道具");
  }
}
int32_t PropDll_CheckSendBuff(void) {
  return state.checkOverride >= 0 ? state.checkOverride : state.queued;
}
void PropDll_GetSendBuff(PropDllAction* action) {
  Note("GetSendBuff;");
  if (state.queued == 0) {
    memset(action, 0, sizeof *action);
    return;
  }
  *action = state.queue[0];
  memmove(&state.queue[0], &state.queue[1], sizeof state.queue[0] * (size_t)(state.queued - 1));
  --state.queued;
}
int32_t PropDll_GetScoreInfo(PropDllScore* score) {
  Note("GetScoreInfo;");
  *score = state.score;
  return state.scoreResult;
}
void PropDll_InitShowNext(int32_t show) { Note("InitShowNext(%d);", show); }
void PropDll_InitShowEnd(void) { Note("InitShowEnd;"); }
void PropDll_InitExit(int16_t* reason) { Note("InitExit(%d);", *reason); }
void PropDll_ClearUser(int16_t view) { Note("ClearUser(%d);", view); }
int32_t PropDll_SetUserinfo(const char* nickname, const char* account, int32_t seatMask,
                            int32_t view, int32_t credit, int32_t gender, const char* nameTag,
                            int32_t avatar) {
  (void)nameTag;
  Note("SetUserinfo(%s,%s,%d,%d,%d,%d,%d);", nickname, account, seatMask, view, credit, gender,
       avatar);
  return state.refuseUsers ? 0 : 1;
}
void PropDll_Ainit(const char* text) { Note("Ainit(%s);", text); }
void PropDll_rec_state(int32_t code, int32_t flag, int32_t view) {
  Note("rec_state(%d,%d,%d);", code, flag, view);
}
void PropDll_SetKeyDown(int16_t key) { Note("SetKeyDown(%d);", key); }
void PropDll_setbankstate(int16_t bank) { Note("setbankstate(%d);", bank); }
void PropDll_FixBuffPos(void) { Note("FixBuffPos;"); }
void PropDll_ShowGif(int16_t which, int32_t show) { Note("ShowGif(%d,%d);", which, show); }
void PropDll_ShowTkVideo(int16_t a, int32_t show, int16_t b) {
  Note("ShowTkVideo(%d,%d,%d);", a, show, b);
}
void PropDll_UpdataMyProp(int32_t flag) { Note("UpdataMyProp(%d);", flag); }
