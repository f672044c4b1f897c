// Reads settings in a process of its own, to show that values written by one
// process reach the next. Prints "<bool>|<narrow>|<wide as UTF-8>".
#include "toolkit/tk_registry.h"
#include "toolkit/tk_text_conversion.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    tk_serializer settings(argv[1]);
    if (settings.create(HKEY_CURRENT_USER, settings.get_key_path().c_str(), nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, nullptr) != 0)
        return 3;
    bool flag = false;
    std::string narrow;
    std::wstring wide;
    if (!settings.exchange("flag", flag, false) || !settings.exchange("narrow", narrow, false) ||
        !settings.exchange(L"wide", wide, false))
        return 4;
    std::printf("%d|%s|%s", flag ? 1 : 0, narrow.c_str(), tk_unicode_to_utf8(wide).c_str());
    return 0;
}
