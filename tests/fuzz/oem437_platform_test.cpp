// The fuzz target's stand-in for the Windows script encoding.
#include <gtest/gtest.h>

#include "oem437_platform.h"

namespace vok::test {
namespace {

TEST(Oem437Platform, EncodesExactlyWhatCodePage437Holds) {
  const Oem437Platform platform;
  EXPECT_EQ(platform.EncodeForScript("caf\xC3\xA9 & \xC2\xBD"), "caf\x82 & \xAB");
  EXPECT_EQ(platform.EncodeForScript("\xC2\xA3\xC3\xBC\xC3\xB1"), "\x9C\x81\xA4");
  EXPECT_EQ(platform.EncodeForScript("\xC2\xA0\xE2\x96\xA0"), "\xFF\xFE");  // NBSP, black square
  EXPECT_EQ(platform.EncodeForScript(""), "");

  const char* const lacking[] = {
      "\xE2\x82\xAC",      // euro sign
      "\xEF\xBC\x82",      // fullwidth quotation mark
      "\xE6\x97\xA5",      // a CJK character
      "\xF0\x9F\x98\x80",  // outside the basic plane
      "\xC3",              // cut short
      "\xC1\xA1",          // overlong 'a'
      "\xED\xA0\x80",      // a surrogate
      "\xFF",              // no UTF-8 at all
  };
  for (const char* text : lacking) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(platform.EncodeForScript(std::string("a") + text));
  }
}

}  // namespace
}  // namespace vok::test
