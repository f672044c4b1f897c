#include "platform/automation/com_library.h"

#include <cstring>
#include <map>
#include <mutex>
#include <utility>

namespace {

struct guid_less {
    bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
};

struct class_table {
    std::mutex lock;
    std::map<CLSID, com_class_factory, guid_less> factories;
};

class_table& classes()
{
    static class_table table;
    return table;
}

}  // namespace

HRESULT CoInitialize(void*)
{
    return S_OK;
}

void CoUninitialize() {}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    com_class_factory factory;
    {
        class_table& table = classes();
        std::lock_guard guard(table.lock);
        auto found = table.factories.find(clsid);
        if (found == table.factories.end())
            return REGDB_E_CLASSNOTREG;
        factory = found->second;
    }
    return factory(riid, object);
}

void com_register_class(REFCLSID clsid, com_class_factory factory)
{
    class_table& table = classes();
    std::lock_guard guard(table.lock);
    table.factories[clsid] = std::move(factory);
}

void com_unregister_class(REFCLSID clsid)
{
    class_table& table = classes();
    std::lock_guard guard(table.lock);
    table.factories.erase(clsid);
}
