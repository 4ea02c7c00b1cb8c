// Who makes Tolvane and where to reach them: shown in the status bar and the About box.
#pragma once

inline constexpr char kMakerWebPage[] = "https://tolvane.example.org/";
inline constexpr char kMakerEmail[] = "support@tolvane.example.org";
