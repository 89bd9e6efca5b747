#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "job_kind.h"
#include "job_platform.h"

namespace vok {

// What the window keeps for the jobs over its lifetime.
struct JobSession {
  // The last name accepted by each job, indexed by JobKind::index.
  std::string lastAcceptedName[kJobCount];
  // The runs started and not yet seen to end, with their job and name.
  std::map<int, std::pair<const JobKind*, std::string>> running;
};

// The warning prompt that refuses a typed, non-empty `name` for `job`, or
// nullptr when the job's script line passes it to the tool safely. RunJob
// refuses exactly these names, with the platform's script encoding.
const char* RefusalOf(const JobKind& job, const std::string& name, const ScriptEncoding& encoding);

// Runs one job from its button: checks the typed name and that no script of
// the job still runs, then writes the job's one-line script and starts it
// without waiting. Platform failures propagate to the caller.
void RunJob(const JobKind& job, PlatformUi& ui, JobPlatform& platform, JobSession& session);

// What the user is told when the script of `job`, given `name`, ended with
// `exitCode` in `folder`; nothing for success.
std::string DescribeScriptEnd(const JobKind& job, const std::string& name, std::uint32_t exitCode,
                              const std::string& folder);

// Warns of each script that has failed since the last call, with the end of
// what it wrote to its standard error.
void ReportEndedScripts(PlatformUi& ui, JobPlatform& platform, JobSession& session);

// Removes the scripts this run wrote, pack script first, where they are still
// as it wrote them: a file of that name that the user or another copy of the
// program has written since is theirs. Runs as the window closes; platform
// failures propagate to the caller.
void CleanupOnExit(JobPlatform& platform);

}  // namespace vok
