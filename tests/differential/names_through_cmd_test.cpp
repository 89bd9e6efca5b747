// Awkward names through the product's own code, the platform's real cmd.exe
// and a recording vok.exe: what the tool receives must be the typed name
// (plus ".vok" to unpack), and the names that cannot be passed are refused.
// The name lists are written by make_names.py beside this file.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>

#include "jobs.h"
#include "test_support.h"

namespace vok::test {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// Command interpreters running at once: one per job in each of this many
// working folders.
constexpr std::size_t kLanes = 3;

std::vector<std::string> ReadNames(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);) names.push_back(line);
  return names;
}

// The name as a test message shows it: control characters as \xNN, long
// names cut, with their length.
std::string Shown(const std::string& name) {
  std::string shown = "[";
  for (char c : name.substr(0, 60)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
      continue;
    }
    const char* const hex = "0123456789ABCDEF";
    shown += std::string("\\x") + hex[byte >> 4] + hex[byte & 0xF];
  }
  shown += "]";
  if (name.size() > 60) shown += "... (" + std::to_string(name.size()) + " bytes)";
  return shown;
}

// One working folder with its own recording vok.exe, and the names whose
// calls it is waiting for, in the order they were run.
struct Lane {
  fs::path folder;
  std::vector<std::string> names;
};

class NamesThroughCmd : public ::testing::Test {
 protected:
  // Runs both jobs for `name`; false (with the warnings left in ui.events)
  // when either refused it.
  bool RunBoth(const std::string& name) {
    ui.events.clear();
    for (const JobKind* job : {&kPackJob, &kUnpackJob}) {
      ui.text[job->index] = name;
      RunJob(*job, ui, *test.platform, session);
    }
    return ui.events.empty();
  }

  ScratchDir scratch;
  FakeUi ui;
  TestPlatform test;
  JobSession session;
};

// Each lane's calls come in pairs, one per job, in either order.
void ExpectCallsMatch(const Lane& lane) {
  fs::current_path(lane.folder);
  const auto calls = WaitForToolCalls(2 * lane.names.size());
  ASSERT_EQ(calls.size(), 2 * lane.names.size()) << lane.folder;
  for (std::size_t i = 0; i < lane.names.size(); ++i) {
    const std::string& name = lane.names[i];
    std::vector<Args> received = {calls[2 * i].args, calls[2 * i + 1].args};
    std::sort(received.begin(), received.end());
    EXPECT_EQ(received, (std::vector<Args>{{"c", name}, {"d", name + ".vok"}}))
        << Shown(name) << "\n  command lines: " << calls[2 * i].commandLine << "\n  "
        << calls[2 * i + 1].commandLine;
  }
}

TEST_F(NamesThroughCmd, EveryAcceptedNameReachesTheToolAsOneArgument) {
  const auto names = ReadNames(VOK_ACCEPTED_NAMES);
  ASSERT_GE(names.size(), 200u);
  std::vector<Lane> lanes(kLanes);
  for (std::size_t i = 0; i < kLanes; ++i) {
    lanes[i].folder = scratch.path() / ("lane" + std::to_string(i));
    fs::create_directory(lanes[i].folder);
    fs::current_path(lanes[i].folder);
    InstallRecordingTool();
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    Lane& lane = lanes[i % kLanes];
    fs::current_path(lane.folder);
    // A script is rewritten only once the command interpreter running it is done.
    const std::size_t expected = 2 * lane.names.size();
    ASSERT_EQ(WaitForToolCalls(expected).size(), expected)
        << "vok.exe was not called once for each job with each name, the last being "
        << (lane.names.empty() ? "" : Shown(lane.names.back()));
    if (!RunBoth(names[i])) {
      ADD_FAILURE() << "refused " << Shown(names[i]) << ": " << ui.events.front();
      continue;
    }
    lane.names.push_back(names[i]);
  }
  for (const Lane& lane : lanes) ExpectCallsMatch(lane);
  fs::current_path(scratch.path());
  std::cout << names.size() << " names, " << 2 * names.size() << " runs of vok.exe\n";
}

TEST_F(NamesThroughCmd, EveryRefusedNameIsRefusedAndNothingIsWritten) {
  auto names = ReadNames(VOK_REFUSED_NAMES);
  // The name files are text: control characters are added here.
  names.insert(names.end(), {"line\rbreak", "a\nb & calc", "a\r\nb", "tab\there", "\x01",
                             "esc\x1b[0m", "del\x7f", std::string("nul\0x", 5)});
  const std::string invalid = "warn:Invalid Name:";
  for (const auto& name : names) {
    EXPECT_FALSE(RunBoth(name)) << Shown(name);
    ASSERT_EQ(ui.events.size(), 4u) << Shown(name);
    EXPECT_EQ(ui.events[0].rfind(invalid, 0), 0u) << Shown(name) << ": " << ui.events[0];
    EXPECT_EQ(ui.events[2], ui.events[0]) << Shown(name);
    std::cout << "refused " << Shown(name) << ": " << ui.events[0].substr(invalid.size(), 30)
              << "...\n";
  }
  EXPECT_TRUE(ListDir().empty());
}

}  // namespace
}  // namespace vok::test
