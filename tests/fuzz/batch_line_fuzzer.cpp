// libFuzzer target for the script line: the first byte picks the job (odd:
// pack, even: unpack), the rest is the typed name as UTF-8. A name the
// product accepts must come out of its script line, as cmd.exe and the C
// runtime read it, as exactly one argument equal to the name plus the job's
// suffix, with no bare operator, caret, lone % or line break on the way; and
// a name with nothing that needs refusing must not be refused.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch_line.h"
#include "cmd_line_model.h"
#include "jobs.h"
#include "oem437_platform.h"

namespace vok::test {
namespace {

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "batch line fault: %s\n[%s]\n", what, text.c_str());
  std::abort();
}

void CheckAcceptedName(const JobKind& job, const std::string& name, const JobPlatform& platform) {
  // The bytes of the script line and of the argument, as cmd.exe reads them.
  const auto line = platform.EncodeForScript(ComposeBatchLine(job, name));
  const auto argument = platform.EncodeForScript(name + job.suffix);
  if (!line || !argument) Fail("accepted name has no script encoding", name);
  if (line->size() > kMaxScriptLineLength) Fail("accepted line is too long", *line);

  const CmdReading reading = ReadBatchLine(*line);
  if (reading.lineBreak) Fail("line break in the line", *line);
  if (reading.lonePercent) Fail("lone % in the line", *line);
  if (reading.bareCaret) Fail("bare ^ in the line", *line);
  if (reading.bareOperator) Fail("bare & | < > in the line", *line);

  const std::string letter = &job == &kPackJob ? "c" : "d";
  const std::vector<std::string> expected = {"vok.exe", letter, *argument};
  if (SplitCommandLine(reading.commandLine) != expected) {
    Fail("the tool would not receive the name as its one argument", *line);
  }
}

// Names there is no reason to refuse: no quote, no control character, every
// character in the code page, and too short for any quoting to make the line
// longer than cmd.exe reads.
bool MustBeAccepted(const std::string& name, const JobPlatform& platform) {
  if (name.size() > 1000) return false;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || byte < 0x20 || byte == 0x7F) return false;
  }
  return platform.EncodeForScript(name).has_value();
}

}  // namespace
}  // namespace vok::test

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vok;
  if (size < 2) return 0;  // an empty name is refused before any line is made
  const JobKind& job = (data[0] & 1) != 0 ? kPackJob : kUnpackJob;
  const std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
  const test::Oem437Platform platform;
  if (RefusalOf(job, name, platform) == nullptr) {
    test::CheckAcceptedName(job, name, platform);
  } else if (test::MustBeAccepted(name, platform)) {
    test::Fail("a name that can be passed safely was refused", name);
  }
  return 0;
}
