#pragma once

#include <string>

namespace vok {

// One of the two tool jobs: everything that differs between unpacking and packing.
struct JobKind {
  int index;                  // 0 for the unpack job, 1 for the pack job
  int fileSlot;               // output slot the job writes its script through
  const char* batchFileName;  // script written into the working directory
  const char* commandText;    // tool and command letter, 9 characters
  const char* suffix;         // appended to the typed name
  const char* warningText;    // shown when the text box is empty
  const char* warningTitle;
  const char* name;  // the job as the user knows it: "decompile", "compile"
};

extern const JobKind kUnpackJob;
extern const JobKind kPackJob;

constexpr int kJobCount = 2;

// Title and prompts of the warnings for names that cannot be passed to the tool.
extern const char* const kInvalidNameTitle;
extern const char* const kUnsafeCharacterPrompt;
extern const char* const kTooLongPrompt;

// Titles and prompt of the warnings about the jobs' scripts.
extern const char* const kJobRunningTitle;
extern const char* const kJobBlockedTitle;
extern const char* const kJobFailedTitle;
extern const char* const kNetworkFolderTitle;
extern const char* const kNetworkFolderPrompt;

}  // namespace vok
