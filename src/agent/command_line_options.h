// The console agent's options: 22 names, a name ending in '=' taking the rest
// of its argument as the value and every other matching only whole, applied
// in the order they are given to the converter, the error handler and the
// logger.
#pragma once

// True when the settings are complete; false when an argument matched no
// option. A wrong value or a missing name ends the program through
// usage_and_exit. Connection options apply only when no profile was loaded.
bool parse_cmd_line(int argc, char** argv);
