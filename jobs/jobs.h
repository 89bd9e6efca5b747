#pragma once

#include <string>

#include "job_kind.h"
#include "job_platform.h"

namespace vok {

// What the window keeps for the jobs over its lifetime.
struct JobSession {
  // The last name accepted by each job, indexed by JobKind::index.
  std::string lastAcceptedName[kJobCount];
  // Whether this run wrote each job's script, so that the cleanup at exit
  // removes our own scripts and never a file someone else put there.
  bool wroteScript[kJobCount] = {false, false};
};

// The warning prompt that refuses a typed, non-empty `name` for `job`, or
// nullptr when the job's script line passes it to the tool safely. RunJob
// refuses exactly these names, with the platform's script encoding.
const char* RefusalOf(const JobKind& job, const std::string& name, const ScriptEncoding& encoding);

// Runs one job from its button: checks the typed name, then writes the
// job's one-line script and starts it without waiting. Platform failures
// propagate to the caller.
void RunJob(const JobKind& job, PlatformUi& ui, JobPlatform& platform, JobSession& session);

// Removes the scripts this run wrote, pack script first. Runs as the window
// closes; platform failures propagate to the caller.
void CleanupOnExit(JobPlatform& platform, const JobSession& session);

}  // namespace vok
