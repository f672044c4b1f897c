// The column type editor's catalogues, each read once per process from the
// program's own folder, whatever the current directory: "mss.map" lists the
// types a column may take, "mss.typ" the size words of each type. Window
// thread only.
#pragma once

#include "toolkit/tk_yaml_config.h"

#include <set>
#include <string>

namespace type_catalogues {

// The items of the file by key, read now while still empty; null when the
// file cannot be read.
const tk_yaml_config::item_map* get(const char* file_name, const std::set<std::wstring>& filter);

// Tests: the folder to read from instead of the program's (empty: the
// program's again); forgets what was read.
void set_folder(const std::string& folder);

}  // namespace type_catalogues
