// The two exceptions of value conversions.
#pragma once

#include "toolkit/tk_exception.h"

// A value that cannot be represented in the requested type. Code 0: the user
// may go on with the next value.
class ole_cast_exception : public tk_exception {
public:
    ole_cast_exception();
};

// Text that the general conversion cannot turn into the requested type. Code 1.
class ole_type_exception : public tk_exception {
public:
    ole_type_exception();
};
