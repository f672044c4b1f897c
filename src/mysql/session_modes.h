// The sql_mode the source connection reads the server under.
#pragma once

#include <string>

// The comma-separated `modes` without those that change how the server
// writes names, texts and expressions in SHOW output and how it reads ours:
// ANSI_QUOTES and the modes that hold it, NO_BACKSLASH_ESCAPES,
// PIPES_AS_CONCAT, EMPTY_STRING_IS_NULL and the NO_*_OPTIONS modes. The
// others, such as the strict and zero-date modes, stay as the server has them.
std::string sql_reading_modes(const std::string& modes);
