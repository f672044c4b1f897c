#include "wizard/type_catalogues.h"

#include "platform/module_path.h"

#include <filesystem>
#include <map>

namespace {

struct catalogue_store {
    std::string folder;
    std::map<std::string, tk_yaml_config> read;
};

catalogue_store& store()
{
    static catalogue_store catalogues;
    return catalogues;
}

std::filesystem::path program_folder()
{
    std::string program;
    return GetModuleFileNameA(program) ? std::filesystem::path(program).parent_path() : std::filesystem::path();
}

}  // namespace

namespace type_catalogues {

const tk_yaml_config::item_map* get(const char* file_name, const std::set<std::wstring>& filter)
{
    tk_yaml_config& catalogue = store().read[file_name];
    if (catalogue.get_items().empty()) {
        const std::filesystem::path folder =
            store().folder.empty() ? program_folder() : std::filesystem::path(store().folder);
        if (!catalogue.load((folder / file_name).c_str(), filter))
            return nullptr;
    }
    return &catalogue.get_items();
}

void set_folder(const std::string& folder)
{
    store().folder = folder;
    store().read.clear();
}

}  // namespace type_catalogues
