// A C.UTF-8 character-type locale object, so that case mapping and the
// wide/narrow conversions inside printf-style formatting do not depend on the
// locale the process happens to run in.
#pragma once

#include <locale.h>

namespace platform {

// The locale object, or (locale_t)0 when the system has no C.UTF-8 locale.
locale_t utf8_ctype_locale();

// Makes the UTF-8 locale the calling thread's locale for the object's lifetime.
class scoped_utf8_locale {
public:
    scoped_utf8_locale();
    ~scoped_utf8_locale();
    scoped_utf8_locale(const scoped_utf8_locale&) = delete;
    scoped_utf8_locale& operator=(const scoped_utf8_locale&) = delete;

private:
    locale_t m_previous = nullptr;
};

}  // namespace platform
