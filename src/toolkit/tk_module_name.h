// The running program's own path, for the default log name and the data files
// that ship beside the program.
#pragma once

#include <string>

std::string tk_get_module_name();
std::wstring tk_get_module_wname();
// Drive and folder of the program path, with the trailing separator.
std::string tk_get_module_folder();
