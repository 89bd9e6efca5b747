#include "jobs.h"

#include "batch_line.h"

namespace vok {

namespace {

// Warns and returns the focus to the job's text box.
void Refuse(const JobKind& job, PlatformUi& ui, const char* prompt, const char* title) {
  ui.Warn(prompt, title);
  ui.Focus(job);
}

// Leaves no earlier content in the script file, whether or not it existed.
void ClearScript(const JobKind& job, JobPlatform& platform) {
  platform.OpenForAppend(job.fileSlot, job.batchFileName);
  platform.Close(job.fileSlot);
  platform.Delete(job.batchFileName);
}

}  // namespace

const char* RefusalOf(const JobKind& job, const std::string& name, const ScriptEncoding& encoding) {
  if (HasUnsafeCharacter(name)) return kUnsafeCharacterPrompt;
  const auto encoded = encoding.EncodeForScript(ComposeBatchLine(job, name));
  if (!encoded) return kUnsafeCharacterPrompt;
  if (encoded->size() > kMaxScriptLineLength) return kTooLongPrompt;
  return nullptr;
}

void RunJob(const JobKind& job, PlatformUi& ui, JobPlatform& platform, JobSession& session) {
  const std::string name = ui.ReadText(job);
  if (name.empty()) return Refuse(job, ui, job.warningText, job.warningTitle);
  if (const char* prompt = RefusalOf(job, name, platform)) {
    return Refuse(job, ui, prompt, kInvalidNameTitle);
  }

  ClearScript(job, platform);
  session.lastAcceptedName[job.index] = name;
  platform.OpenForAppend(job.fileSlot, job.batchFileName);
  session.wroteScript[job.index] = true;
  platform.WriteLine(job.fileSlot, ComposeBatchLine(job, session.lastAcceptedName[job.index]));
  platform.Close(job.fileSlot);
  platform.Start(job.batchFileName);
}

void CleanupOnExit(JobPlatform& platform, const JobSession& session) {
  platform.Close(kUnpackJob.fileSlot);
  platform.Close(kPackJob.fileSlot);
  for (const JobKind* job : {&kPackJob, &kUnpackJob}) {
    if (session.wroteScript[job->index]) platform.DeleteIfPresent(job->batchFileName);
  }
}

}  // namespace vok
