#include "props/prop_library.h"

#include <gtest/gtest.h>

#include <cstring>

#include "props/props_fixture.h"

namespace korvel {
namespace {

TEST(PropLibrary, AMissingComponentMeansNoProps) {
  PropLibrary library;
  EXPECT_FALSE(library.Load(PropLibrary::PathFor("/nonexistent")));
  EXPECT_FALSE(library.Loaded());
  EXPECT_FALSE(library.Error().empty());
}

TEST(PropLibrary, ALibraryWithoutTheContractIsRefused) {
  PropLibrary library;
  EXPECT_FALSE(library.Load("libm.so.6"));
  EXPECT_NE(library.Error().find("PropDll_"), std::string::npos);
  EXPECT_FALSE(library.Loaded());
}

TEST(PropLibrary, TheTestComponentAnswersThroughTheContract) {
  testing::TestComponent script;  // starts from a clean script
  PropLibrary library;
  ASSERT_TRUE(library.Load(KORVEL_TEST_PLUGIN)) << library.Error();
  const PropDllApi& api = library.Api();
  char user[PROPDLL_MAX_TEXT] = "alice";
  char empty[PROPDLL_MAX_TEXT] = "";
  int16_t scale = 1, parameter = 7;
  EXPECT_TRUE(api.Initdll(user, empty, "DLL", 0, "threegame", &scale, &parameter));
  uint8_t record[272] = {};
  record[3] = 19;
  api.Rec_MSG(record);
  ASSERT_EQ(api.CheckSendBuff(), 1);
  PropDllAction action;
  api.GetSendBuff(&action);
  EXPECT_EQ(action.kind, 0);
  EXPECT_STREQ(action.text.utf8, "道具");
  EXPECT_EQ(api.CheckSendBuff(), 0);
  EXPECT_EQ(PropLibrary::PathFor("/opt/korvel/bin"), "/opt/korvel/bin/plugin/tools/libpropdll.so");
}

}  // namespace
}  // namespace korvel
