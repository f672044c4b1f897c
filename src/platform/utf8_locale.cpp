#include "platform/utf8_locale.h"

namespace platform {

locale_t utf8_ctype_locale()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

scoped_utf8_locale::scoped_utf8_locale()
{
    if (locale_t locale = utf8_ctype_locale())
        m_previous = uselocale(locale);
}

scoped_utf8_locale::~scoped_utf8_locale()
{
    if (m_previous)
        uselocale(m_previous);
}

}  // namespace platform
