// Tolvane's version, stated once for every place that shows it: the About box, the file
// properties of the Windows programs (resources/tolvane.rc includes this file), the command
// line's --version, and the packages (cmake/version.cmake reads it). Plain macros, so that
// the resource compiler reads them too.
#pragma once

// The version as people read it, "1.07 beta": the number and the stage of the release.
#define TOLVANE_VERSION_NUMBER "1.07"
#define TOLVANE_VERSION_STAGE "beta"
#define TOLVANE_VERSION_TEXT TOLVANE_VERSION_NUMBER " " TOLVANE_VERSION_STAGE
// One word, for a version that must be the last word of a line: "1.07-beta".
#define TOLVANE_VERSION_WORD TOLVANE_VERSION_NUMBER "-" TOLVANE_VERSION_STAGE
// The number as the file properties' four fields; the build checks that it says the same.
#define TOLVANE_VERSION_FIELDS 1, 7, 0, 0
// The maker's copyright line, as LICENSE states it (the build checks that too).
#define TOLVANE_COPYRIGHT "Copyright (c) 2026 Tolvane <support@tolvane.example.org>"
