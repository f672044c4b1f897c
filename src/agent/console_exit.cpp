#include "agent/console_exit.h"

#include "converter/brantwick_convertor.h"
#include "toolkit/tk_log.h"

#include <cstdio>
#include <cstdlib>

void usage_and_exit(const std::string& text) {
    tk_log(3, "%s", text.c_str());
    const bool silent = tk_singleton<brantwick_convertor>::is_initialized() &&
                        is_silent(tk_singleton<brantwick_convertor>::instance());
    if (!silent) std::fprintf(stderr, "%s\n", text.c_str());
    std::exit(-1);
}

bool is_silent(const brantwick_convertor& converter) { return converter.is_silent(); }
