#include "wizard/error_table_text.h"

#include "toolkit/tk_string_utils.h"

std::string error_table_text(const tk_exception& exception, const tk_error_converter& messages)
{
    const std::string message = messages.convert(exception.get_error_number());
    return tk_one_paragraph(message.empty() ? std::string(exception.what()) : message);
}
