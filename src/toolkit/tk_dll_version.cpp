#include "toolkit/tk_dll_version.h"

#include "platform/dynamic_library.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

namespace {

// The version record that DllGetVersion fills; 20 bytes.
struct dll_version_info {
    std::uint32_t size;
    std::uint32_t major_version;
    std::uint32_t minor_version;
    std::uint32_t build_number;
    std::uint32_t platform_id;
};

using dll_get_version_function = std::int32_t (*)(dll_version_info*);

}  // namespace

std::int32_t get_dll_version(const std::wstring& library_name)
{
    platform::dynamic_library library;
    if (!library.load(tk_unicode_to_ansi(library_name))) {
        tk_log(2, "get_dll_version failed to load DLL");
        return 0;
    }
    auto get_version = reinterpret_cast<dll_get_version_function>(library.find_symbol("DllGetVersion"));
    if (!get_version) {
        tk_log(2, "get_dll_version failed to obtain DllGetVersion");
        return 0;
    }
    dll_version_info info{sizeof(dll_version_info), 0, 0, 0, 0};
    if (get_version(&info) < 0)
        return 0;
    return static_cast<std::int32_t>(info.major_version * 65536u + info.minor_version);
}
