// The text a page's error box shows for an exception: the message the error
// tables give its code, else its own text, as one paragraph.
#pragma once

#include "toolkit/tk_error_converter.h"
#include "toolkit/tk_exception.h"

#include <string>

std::string error_table_text(const tk_exception& exception, const tk_error_converter& messages);
