// Log lines carry text from the server and other players; none of it may break a line.
#include "platform/log_text.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(LogText, ControlCharactersAreWrittenAsEscapesAndOtherTextStays) {
  EXPECT_EQ(EscapeForLog("chat: hi\n[korvel] forged"), "chat: hi\\n[korvel] forged");
  EXPECT_EQ(EscapeForLog(std::string("a\rb\tc\x1b[2Jd\x7f\0e", 13)),
            "a\\rb\\tc\\x1b[2Jd\\x7f\\x00e");
  EXPECT_EQ(EscapeForLog("C:\\path"), "C:\\\\path") << "so an escape cannot be forged either";
  EXPECT_EQ(EscapeForLog("雀圣 Bob"), "雀圣 Bob");
  EXPECT_EQ(EscapeForLog(""), "");
}

}  // namespace
}  // namespace korvel
