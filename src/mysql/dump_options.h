// The MySQL script options that the conversion driver keeps beside the engine
// and stores in the profile's "MySQL settings" section.
#pragma once

#include <cstdint>
#include <string>

struct dump_options {
    dump_options();

    std::uint32_t line_break = 0;
    bool new_version = true;
    bool add_lock_to_insert = true;
    bool insert_comments = true;
    bool create_database = false;
    bool create_table = true;
    std::string text1;
    std::string text2;
};
