#include "agent/console_exit.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"

#include <cstdio>
#include <cstdlib>

void usage_and_exit(const std::string& text)
{
    tk_log(3, "%s", text.c_str());
    const bool silent = convertor_front_end::is_initialized() && is_silent(convertor_front_end::instance());
    if (!silent)
        std::fprintf(stderr, "%s\n", text.c_str());
    std::exit(-1);
}

bool is_silent(const convertor_front_end& converter)
{
    return converter.is_silent();
}
