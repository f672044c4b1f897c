// The process-wide error reporter. The front ends build its concrete form
// (console or wizard) before anything that can fail; the rest of the program
// reaches it through tk_singleton<error_handler>.
#pragma once

#include "toolkit/tk_exception.h"
#include "toolkit/tk_singleton.h"

#include <string>

class error_handler : public tk_singleton<error_handler> {
public:
    ~error_handler() override = default;

    // The text (a table name, or a label such as "Foreign key 'name'") that
    // prefixes every message reported afterwards; an empty text clears it.
    virtual void set_context(const std::wstring& context) = 0;

    // Reports the exception at the level its code gives. Code 2 ends the
    // process. Code 0 may, when the user chooses to abort and outer is false,
    // throw tk_final_exception; otherwise the caller goes on with its next object.
    virtual void handle(const tk_exception& exception, bool outer) = 0;
};
