// Key scripts of the replay runner for the demo game's first steps.
#pragma once

namespace demo_keys {

// The opening's three messages confirmed with Shift; control comes back at frame 240.
inline const char* const kOpening =
    "80 SHIFT down\n84 SHIFT up\n150 SHIFT down\n154 SHIFT up\n230 SHIFT down\n234 SHIFT up\n";

// From the square by the well to the north road (the forest's exit), along the paths.
inline const char* const kToTheNorthRoad =
    "300 UP down\n310 UP up\n311 RIGHT down\n321 RIGHT up\n322 UP down\n382 UP up\n383 RIGHT down\n"
    "423 RIGHT up\n424 UP down\n514 UP up\n515 LEFT down\n525 LEFT up\n526 UP down\n586 UP up\n"
    "587 LEFT down\n597 LEFT up\n598 UP down\n728 UP up\n729 LEFT down\n739 LEFT up\n";

}  // namespace demo_keys
