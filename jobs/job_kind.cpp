#include "job_kind.h"

namespace vok {

const JobKind kUnpackJob = {
    .index = 0,
    .fileSlot = 1,
    .batchFileName = "decompile.bat",
    .commandText = "vok.exe d",
    .suffix = ".vok",
    .warningText = "There isn't a file to decompile, please enter one",
    .warningTitle = "No File",
    .name = "decompile",
};

const JobKind kPackJob = {
    .index = 1,
    .fileSlot = 2,
    .batchFileName = "compile.bat",
    .commandText = "vok.exe c",
    .suffix = "",
    .warningText = "There isn't a folder to compile, please enter one",
    .warningTitle = "No File",
    .name = "compile",
};

const char* const kInvalidNameTitle = "Invalid Name";
const char* const kUnsafeCharacterPrompt =
    "That name can't be passed to vok.exe: it contains a quotation mark, a control character or "
    "a character outside the console's or the system's code page";
const char* const kTooLongPrompt = "That name is too long to be passed to vok.exe";

const char* const kJobRunningTitle = "Job Running";
const char* const kJobBlockedTitle = "Job Blocked";
const char* const kJobFailedTitle = "Job Failed";
const char* const kNetworkFolderTitle = "Network Folder";
const char* const kNetworkFolderPrompt =
    "vok.exe can't run in a network folder (\\\\server\\share): cmd.exe won't work there. "
    "Map the folder to a drive letter, then start VOK Decompiler from that drive.";

}  // namespace vok
