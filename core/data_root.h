// The data root: the directory of the running program with a trailing separator. Rooted data
// paths are formatted with it as their first "%s"; the path resolver turns '\' into '/'.
#pragma once

// Returns the shared buffer holding the data root; the next call overwrites it, so format the
// path before asking again.
const char* dataRoot();
