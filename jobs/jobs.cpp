#include "jobs.h"

#include <cstdio>

#include "batch_line.h"
#include "error_text.h"

namespace vok {

namespace {

// The exit codes of a script's cmd.exe that say more than that it failed.
constexpr std::uint32_t kCommandNotFound = 9009;
constexpr std::uint32_t kConsoleClosed = 0xC000013A;  // STATUS_CONTROL_C_EXIT

// Warns and returns the focus to the job's text box.
void Refuse(const JobKind& job, PlatformUi& ui, const std::string& prompt, const char* title) {
  ui.Warn(prompt, title);
  ui.Focus(job);
}

// Leaves no earlier content in the script file, whether or not it existed.
void ClearScript(const JobKind& job, JobPlatform& platform) {
  platform.OpenForAppend(job.fileSlot, job.batchFileName);
  platform.Close(job.fileSlot);
  platform.Delete(job.batchFileName);
}

// cmd.exe refuses a UNC working folder (\\server\share) and quietly runs in
// the Windows folder instead.
bool IsNetworkFolder(const std::string& folder) {
  return folder.rfind("\\\\", 0) == 0 || folder.rfind("//", 0) == 0;
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
  if (IsNetworkFolder(platform.WorkingFolder())) {
    return Refuse(job, ui, kNetworkFolderPrompt, kNetworkFolderTitle);
  }
  // A script rewritten while its cmd.exe still reads it would run a fragment
  // of the new line as a command.
  const Reservation reservation = platform.ReserveScript(job.batchFileName);
  if (reservation == Reservation::kRunning) {
    return Refuse(job, ui,
                  std::string("The last ") + job.name +
                      " job is still running. Wait for it to finish, then try again.",
                  kJobRunningTitle);
  }
  if (reservation == Reservation::kTaken) {
    return Refuse(job, ui,
                  std::string("Another program holds the name that keeps ") + job.batchFileName +
                      " from being rewritten while it runs, so the " + job.name +
                      " job can't run safely. Close that program, then try again.",
                  kJobBlockedTitle);
  }

  ClearScript(job, platform);
  session.lastAcceptedName[job.index] = name;
  // Created anew: a file that appeared since the delete is not ours to fill.
  platform.CreateNew(job.fileSlot, job.batchFileName);
  platform.WriteLine(job.fileSlot, ComposeBatchLine(job, session.lastAcceptedName[job.index]));
  platform.Close(job.fileSlot);
  session.running[platform.Start(job.batchFileName)] = {&job, name};
}

std::string DescribeScriptEnd(const JobKind& job, const std::string& name, std::uint32_t exitCode,
                              const std::string& folder) {
  const std::string what = std::string("The ") + job.name + " job for \"" + name + "\"";
  if (exitCode == 0) return {};
  if (exitCode == kCommandNotFound) {
    return what + " failed: cmd.exe did not find vok.exe. It looked in the working folder, " +
           folder + ", first, then in the folders on the PATH.";
  }
  if (exitCode == kConsoleClosed) {
    return what + " was stopped: its console window was closed before it finished.";
  }
  char code[16];
  std::snprintf(code, sizeof code, exitCode > 0xFFFF ? "0x%08lX" : "%lu",
                static_cast<unsigned long>(exitCode));
  return what + " failed: vok.exe ended with exit code " + code + ".";
}

void ReportEndedScripts(PlatformUi& ui, JobPlatform& platform, JobSession& session) {
  for (const ScriptEnd& end : platform.TakeEndedScripts()) {
    const auto run = session.running.find(end.run);
    if (run == session.running.end()) continue;
    const auto [job, name] = run->second;
    session.running.erase(run);
    std::string text = DescribeScriptEnd(*job, name, end.exitCode, platform.WorkingFolder());
    if (text.empty()) continue;
    // The tool's own words say why, where the exit code only says that.
    const std::string errors = ErrorTextOf(end, platform);
    if (!errors.empty()) text += "\n\n" + errors;
    ui.Warn(text, kJobFailedTitle);
  }
}

void CleanupOnExit(JobPlatform& platform) {
  platform.Close(kUnpackJob.fileSlot);
  platform.Close(kPackJob.fileSlot);
  for (const JobKind* job : {&kPackJob, &kUnpackJob}) platform.DeleteIfWritten(job->batchFileName);
}

}  // namespace vok
