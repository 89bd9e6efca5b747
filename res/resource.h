#pragma once

// The program's resources, named once for the resource script and the code.
#define IDI_VOK 1  // the icon, in every size
