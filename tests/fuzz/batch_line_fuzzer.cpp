// libFuzzer target for the script line: the first byte picks the job (odd:
// pack, even: unpack), the rest is the typed name as UTF-8. A name the
// product accepts must come out of its script line, as cmd.exe and the C
// runtime read it, as exactly one argument equal to the name plus the job's
// suffix, with no bare operator, caret, lone % or line break on the way.
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "batch_line.h"
#include "cmd_line_model.h"
#include "jobs.h"

namespace vok::test {
namespace {

// The script encoding of a Western Windows, whose console reads code page
// 437. glibc's converter has no best fit: a character 437 lacks, or invalid
// UTF-8, gives nothing, as WideCharToMultiByte with WC_NO_BEST_FIT_CHARS does.
// It drops Unicode's tag characters, though, so a text must also come back
// unchanged, as the product checks.
struct Cp437 : ScriptEncoding {
  iconv_t encoder = iconv_open("CP437", "UTF-8"), decoder = iconv_open("UTF-8", "CP437");
  static std::optional<std::string> Convert(iconv_t converter, std::string in) {
    std::string out(in.size() * 3, '\0');  // 437's characters take at most 3 bytes in UTF-8
    char *from = in.data(), *to = out.data();
    std::size_t fromLeft = in.size(), toLeft = out.size();
    const bool done = iconv(converter, &from, &fromLeft, &to, &toLeft) != std::size_t(-1);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    out.resize(out.size() - toLeft);
    return done ? std::optional(out) : std::nullopt;
  }
  std::optional<std::string> EncodeForScript(const std::string& text) const override {
    const auto encoded = Convert(encoder, text);
    return encoded && Convert(decoder, *encoded) == text ? encoded : std::nullopt;
  }
};

// What the product gets wrong about the name, or nothing.
const char* FaultWith(const JobKind& job, const std::string& name, const Cp437& cp437) {
  if (RefusalOf(job, name, cp437) != nullptr) return nullptr;
  const auto line = cp437.EncodeForScript(ComposeBatchLine(job, name));
  const auto argument = cp437.EncodeForScript(name + job.suffix);
  if (!line || !argument || line->size() > kMaxScriptLineLength) {
    return "an accepted line has no script encoding or is too long";
  }
  const CmdReading reading = ReadBatchLine(*line);
  if (reading.lineBreak || reading.lonePercent || reading.bareCaret || reading.bareOperator) {
    return "line break, lone %, bare ^ or bare operator in the line";
  }
  const std::vector<std::string> expected = {"vok.exe", &job == &kPackJob ? "c" : "d", *argument};
  return SplitCommandLine(reading.commandLine) != expected ? "vok.exe would get other arguments"
                                                           : nullptr;
}

}  // namespace
}  // namespace vok::test

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const vok::test::Cp437 cp437;
  if (size < 2) return 0;  // an empty name is refused before any line is made
  const std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
  const vok::JobKind& job = (data[0] & 1) != 0 ? vok::kPackJob : vok::kUnpackJob;
  if (const char* fault = vok::test::FaultWith(job, name, cp437)) {
    std::fprintf(stderr, "batch line fault: %s\n[%s]\n", fault, name.c_str());
    std::abort();
  }
  return 0;
}
