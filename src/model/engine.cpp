#include "model/engine.h"

#include "platform/last_error.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_file_tests.h"
#include "toolkit/tk_text_conversion.h"

#include <cerrno>
#include <cstdio>

void udb_engine::db_delete(const std::wstring& name)
{
    if (std::remove(tk_unicode_to_file_name(name).c_str()) != 0) {
        platform::set_last_error_from_errno(errno);
        throw tk_exception_ex();
    }
}

bool udb_engine::is_db_exist(const std::wstring& name)
{
    return tk_is_file_exist1(tk_unicode_to_file_name(name), tk_file_exists);
}

void udb_engine::set_properties(udb_properties* properties)
{
    this->properties = properties;
}
