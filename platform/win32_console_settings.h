#pragma once

// The user's settings for new consoles, as the console host reads them from
// the registry: what decides the code page a script's cmd.exe reads it in.
#include "console_code_page.h"

namespace vok {

// The title of each script's console. The console host looks its settings up
// under HKCU\Console by the title, "\" made "_": this one has none.
extern const wchar_t kConsoleTitle[];

// The settings a new console takes its code page from, read afresh: the
// user may change them while the program runs.
ConsoleSettings ReadConsoleSettings();

}  // namespace vok
