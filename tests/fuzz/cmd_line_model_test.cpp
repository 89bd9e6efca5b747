// The model of cmd.exe and the C runtime that the fuzz target trusts, on
// cases whose outcome on Windows is known.
#include <gtest/gtest.h>

#include "cmd_line_model.h"

namespace vok::test {
namespace {

using Args = std::vector<std::string>;

TEST(CmdLineModel, PercentPassReadsDoubledPercentsAndFlagsLoneOnes) {
  const CmdReading doubled = ReadBatchLine("vok.exe c     %%PATH%% 100%%");
  EXPECT_EQ(doubled.commandLine, "vok.exe c     %PATH% 100%");
  EXPECT_FALSE(doubled.lonePercent);

  // %PATH% would be expanded, %1 is the script's argument, a trailing % is dropped.
  for (const char* line : {"vok.exe c     %PATH%", "vok.exe c     %1", "vok.exe c     50%"}) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(ReadBatchLine(line).lonePercent);
  }
  // The % pass runs before quotes mean anything.
  EXPECT_TRUE(ReadBatchLine("vok.exe c     \"a %x b\"").lonePercent);
  EXPECT_EQ(ReadBatchLine("vok.exe c     \"a %%x b\"").commandLine, "vok.exe c     \"a %x b\"");
}

TEST(CmdLineModel, OperatorsOutsideQuotesEndTheCommand) {
  const CmdReading split = ReadBatchLine("vok.exe c     x & del /q *");
  EXPECT_TRUE(split.bareOperator);
  EXPECT_EQ(split.commandLine, "vok.exe c     x ");

  for (const char* line :
       {"vok.exe c a|b", "vok.exe c a<b", "vok.exe c a>b", "vok.exe c a\" b\"&c"}) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(ReadBatchLine(line).bareOperator);
  }

  const CmdReading quoted = ReadBatchLine("vok.exe c     \"x & del | a<b>c ^\"");
  EXPECT_FALSE(quoted.bareOperator);
  EXPECT_FALSE(quoted.bareCaret);
  EXPECT_EQ(quoted.commandLine, "vok.exe c     \"x & del | a<b>c ^\"");
}

TEST(CmdLineModel, CaretOutsideQuotesEscapesTheNextCharacter) {
  const CmdReading escaped = ReadBatchLine("vok.exe c     a^&b^^c");
  EXPECT_TRUE(escaped.bareCaret);
  EXPECT_FALSE(escaped.bareOperator);
  EXPECT_EQ(escaped.commandLine, "vok.exe c     a&b^c");

  // An escaped quote opens no quoting, so the & after it is an operator.
  const CmdReading escapedQuote = ReadBatchLine("vok.exe c     ^\"a & b\"");
  EXPECT_TRUE(escapedQuote.bareOperator);
  EXPECT_EQ(escapedQuote.commandLine, "vok.exe c     \"a ");

  // At the line's end a caret continues the line: the model drops it.
  const CmdReading continued = ReadBatchLine("vok.exe c     a^");
  EXPECT_TRUE(continued.bareCaret);
  EXPECT_EQ(continued.commandLine, "vok.exe c     a");
}

TEST(CmdLineModel, LineBreaksEndTheLine) {
  for (const char* line : {"vok.exe c a\r\ndel *", "vok.exe c a\ndel *", "vok.exe c a\rdel *"}) {
    SCOPED_TRACE(line);
    const CmdReading reading = ReadBatchLine(line);
    EXPECT_TRUE(reading.lineBreak);
    EXPECT_EQ(reading.commandLine, "vok.exe c a");
  }
  const CmdReading plain = ReadBatchLine("vok.exe d     save.vok");
  EXPECT_FALSE(plain.lineBreak || plain.lonePercent || plain.bareCaret || plain.bareOperator);
  EXPECT_EQ(plain.commandLine, "vok.exe d     save.vok");
}

// The examples of Microsoft's documentation of how C programs parse their
// command line.
TEST(CmdLineModel, SplitsLikeTheCRuntime) {
  EXPECT_EQ(SplitCommandLine("p \"a b c\" d e"), Args({"p", "a b c", "d", "e"}));
  EXPECT_EQ(SplitCommandLine("p \"ab\\\"c\" \"\\\\\" d"), Args({"p", "ab\"c", "\\", "d"}));
  EXPECT_EQ(SplitCommandLine("p a\\\\\\b d\"e f\"g h"), Args({"p", "a\\\\\\b", "de fg", "h"}));
  EXPECT_EQ(SplitCommandLine("p a\\\\\\\"b c d"), Args({"p", "a\\\"b", "c", "d"}));
  EXPECT_EQ(SplitCommandLine("p a\\\\\\\\\"b c\" d e"), Args({"p", "a\\\\b c", "d", "e"}));
}

TEST(CmdLineModel, SplitsOnBlanksAndTabsAndKeepsEmptyQuotedArguments) {
  EXPECT_EQ(SplitCommandLine("p\ta  b\t \tc   "), Args({"p", "a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine("p \"\" x"), Args({"p", "", "x"}));
  EXPECT_EQ(SplitCommandLine("p"), Args({"p"}));
  // The program name takes quotes but no backslash escapes.
  EXPECT_EQ(SplitCommandLine("\"C:\\My Tools\\\"vok.exe c"), Args({"C:\\My Tools\\vok.exe", "c"}));
}

// Script lines the product writes, with the arguments a recording tool
// received for them under Wine.
TEST(CmdLineModel, ReadsTheProductsLinesAsTheToolReceivesThem) {
  struct Case {
    const char* line;
    Args args;
  };
  const Case cases[] = {
      {"vok.exe c     \"my dir\\\\\"", {"vok.exe", "c", "my dir\\"}},
      {"vok.exe c     \"a b\\\\\\\\\"", {"vok.exe", "c", "a b\\\\"}},
      {"vok.exe c     dir\\", {"vok.exe", "c", "dir\\"}},
      {"vok.exe c     \"   \"", {"vok.exe", "c", "   "}},
      {"vok.exe c     %%PATH%%", {"vok.exe", "c", "%PATH%"}},
      {"vok.exe c     \"a^b|c<d\"", {"vok.exe", "c", "a^b|c<d"}},
      {"vok.exe d     \"50%% off.vok\"", {"vok.exe", "d", "50% off.vok"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const CmdReading reading = ReadBatchLine(c.line);
    EXPECT_FALSE(reading.lonePercent || reading.bareCaret || reading.bareOperator);
    EXPECT_EQ(SplitCommandLine(reading.commandLine), c.args);
  }
}

}  // namespace
}  // namespace vok::test
