// A command: one statement text run on its session.
#pragma once

#include "platform/oledb/com_object.h"
#include "platform/oledb/connections.h"
#include "platform/oledb/oledb.h"

#include <memory>
#include <string>

namespace oledb {

class command final : public com_object<command, ICommandText> {
public:
    explicit command(std::shared_ptr<session_link> link);
    IUnknown* interface_for(REFIID riid);

    HRESULT SetCommandText(REFGUID rguidDialect, LPCOLESTR pwszCommand) override;
    HRESULT Execute(IUnknown* pUnkOuter, REFIID riid, DBPARAMS* pParams, DBROWCOUNT* pcRowsAffected,
                    IUnknown** ppRowset) override;

private:
    std::shared_ptr<session_link> link_;
    std::wstring text_;
    bool has_text_ = false;
};

}  // namespace oledb
