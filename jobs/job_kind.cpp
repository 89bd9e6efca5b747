#include "job_kind.h"

namespace vok {

const JobKind kUnpackJob = {
    0,                                                    // index
    1,                                                    // fileSlot
    "decompile.bat",                                      // batchFileName
    "vok.exe d",                                          // commandText
    ".vok",                                               // suffix
    "There isn't a file to decompile, please enter one",  // warningText
    "No File",                                            // warningTitle
    "decompile",                                          // name
};

const JobKind kPackJob = {
    1,                                                    // index
    2,                                                    // fileSlot
    "compile.bat",                                        // batchFileName
    "vok.exe c",                                          // commandText
    "",                                                   // suffix
    "There isn't a folder to compile, please enter one",  // warningText
    "No File",                                            // warningTitle
    "compile",                                            // name
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
