// Checks that a call raises tk_exception with the given text and code.
#pragma once

#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

template <class Call>
void expect_tk_exception(Call call, const char* text, std::uint32_t code)
{
    try {
        call();
        ADD_FAILURE() << "no exception, expected: " << text;
    } catch (const tk_exception& e) {
        EXPECT_STREQ(e.what(), text);
        EXPECT_EQ(e.get_code(), code);
    }
}
