#include "platform/oledb/command.h"

#include "platform/oledb/error_records.h"
#include "platform/oledb/result_rowset.h"

namespace oledb {

command::command(std::shared_ptr<session_link> link) : link_(std::move(link)) {}

IUnknown* command::interface_for(REFIID riid)
{
    return riid == IID_IUnknown || riid == IID_ICommand || riid == IID_ICommandText ? this : nullptr;
}

HRESULT command::SetCommandText(REFGUID, LPCOLESTR pwszCommand)
{
    has_text_ = pwszCommand && *pwszCommand;
    text_ = has_text_ ? pwszCommand : L"";
    return S_OK;
}

HRESULT command::Execute(IUnknown* pUnkOuter, REFIID riid, DBPARAMS*, DBROWCOUNT* pcRowsAffected, IUnknown** ppRowset)
{
    return guarded([&]() -> HRESULT {
        if (ppRowset)
            *ppRowset = nullptr;
        if (pcRowsAffected)
            *pcRowsAffected = DB_COUNTUNAVAILABLE;
        if (pUnkOuter)
            return DB_E_NOAGGREGATION;
        if (!has_text_)
            return DB_E_NOCOMMAND;
        const bool rowset_wanted = ppRowset && riid != IID_NULL;
        const auto connection = rowset_wanted ? link_->reader_connection() : link_->home_connection();
        std::unique_ptr<db_result> result = connection->link->execute(text_);
        if (!result || !rowset_wanted)
            return S_OK;
        return hand_out(new result_rowset(std::move(result), busy_lease(connection)), riid, ppRowset);
    });
}

}  // namespace oledb
