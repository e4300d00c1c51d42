/* The prop component's contract as a C ABI. A component is a shared library named
 * libpropdll.so in plugin/tools/ beside the client; it exports every function below. Arrays the
 * component fills carry their own bounds (lower index and count), as the client checks them.
 * Texts are UTF-8. Pictures point into the component's memory and stay valid until its next
 * call. */
#ifndef KORVEL_PROPDLL_H
#define KORVEL_PROPDLL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define PROPDLL_ABI_VERSION 1
#define PROPDLL_MAX_LONGS 64
#define PROPDLL_MAX_BYTES 1024
#define PROPDLL_MAX_TEXT 1024
#define PROPDLL_ENTRIES 4

typedef struct PropDllLongs {
  int32_t lower;
  int32_t count;
  int32_t v[PROPDLL_MAX_LONGS];
} PropDllLongs;

typedef struct PropDllShorts {
  int32_t lower;
  int32_t count;
  int16_t v[PROPDLL_MAX_LONGS];
} PropDllShorts;

typedef struct PropDllBytes {
  int32_t lower;
  int32_t count;
  uint8_t v[PROPDLL_MAX_BYTES];
} PropDllBytes;

typedef struct PropDllPicture {
  int32_t width;
  int32_t height;
  const uint32_t* argb; /* width * height pixels, or null for no picture */
} PropDllPicture;

typedef struct PropDllText {
  char utf8[PROPDLL_MAX_TEXT];
} PropDllText;

/* The nine treasure-box buffers, in the order the client reads them. */
typedef struct PropDllBoxInfo {
  PropDllLongs boxes30, pair1, eight, pair2;
  PropDllShorts shorts2;
  PropDllPicture picture1;
  PropDllLongs pair3;
  PropDllPicture picture2;
  PropDllLongs pair4;
} PropDllBoxInfo;

/* One waiting action: kind 0 text, 1 animation, 2 record to send, 3 avatar click, 4 key press,
 * 5 avatar hover. */
typedef struct PropDllAction {
  PropDllPicture picture;
  PropDllText text;
  PropDllBytes bytes;
  int16_t kind;
  PropDllLongs longs1;
  PropDllLongs longs2;
} PropDllAction;

typedef struct PropDllScore {
  PropDllText extraLines[PROPDLL_ENTRIES];
  double extraAmount[PROPDLL_ENTRIES];
  PropDllText boxOwnerNames[PROPDLL_ENTRIES];
  PropDllText boxOwnerLines[PROPDLL_ENTRIES];
} PropDllScore;

/* Returns PROPDLL_ABI_VERSION; a component of another version is not used. */
int32_t PropDll_AbiVersion(void);
/* userId and empty are in/out texts of PROPDLL_MAX_TEXT bytes. */
int32_t PropDll_Initdll(char* userId, char* empty, const char* dll, uint64_t window,
                        const char* game, int16_t* scale, int16_t* propParameter);
int32_t PropDll_GetBaoInfo(PropDllBoxInfo* info);
void PropDll_Rec_MSG(const uint8_t* record272);
int32_t PropDll_CheckSendBuff(void);
void PropDll_GetSendBuff(PropDllAction* action);
int32_t PropDll_GetScoreInfo(PropDllScore* score);
void PropDll_InitShowNext(int32_t show);
void PropDll_InitShowEnd(void);
void PropDll_InitExit(int16_t* reason);
void PropDll_ClearUser(int16_t view);
int32_t PropDll_SetUserinfo(const char* nickname, const char* account, int32_t seatMask,
                            int32_t view, int32_t credit, int32_t gender, const char* nameTag,
                            int32_t avatar);
void PropDll_Ainit(const char* text);
void PropDll_rec_state(int32_t code, int32_t flag, int32_t view);
void PropDll_SetKeyDown(int16_t key);
void PropDll_setbankstate(int16_t state);
void PropDll_FixBuffPos(void);
void PropDll_ShowGif(int16_t which, int32_t show);
void PropDll_ShowTkVideo(int16_t a, int32_t show, int16_t b);
void PropDll_UpdataMyProp(int32_t flag);

#ifdef __cplusplus
}
#endif

#endif /* KORVEL_PROPDLL_H */
