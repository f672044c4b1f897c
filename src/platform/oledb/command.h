// A command: one statement text run on its session, with the values of its
// parameter markers (`?`) read from the caller's buffer by a parameter
// accessor. A large value bound as a stream is handed on as a stream.
#pragma once

#include "platform/oledb/accessors.h"
#include "platform/oledb/com_object.h"
#include "platform/oledb/connections.h"
#include "platform/oledb/oledb.h"

#include <memory>
#include <string>
#include <vector>

namespace oledb {

class command final : public com_object<command, ICommandText, ICommandWithParameters, IAccessor> {
public:
    explicit command(std::shared_ptr<session_link> link);
    IUnknown* interface_for(REFIID riid);

    HRESULT SetCommandText(REFGUID rguidDialect, LPCOLESTR pwszCommand) override;
    HRESULT Execute(IUnknown* pUnkOuter, REFIID riid, DBPARAMS* pParams, DBROWCOUNT* pcRowsAffected,
                    IUnknown** ppRowset) override;
    // Types by name: DBTYPE_WVARCHAR, DBTYPE_VARCHAR, DBTYPE_VARBINARY and
    // their long forms; what a stream of the parameter holds follows it. No
    // parameter given, or a new command text, discards those described.
    HRESULT SetParameterInfo(DB_UPARAMS cParams, const DB_UPARAMS rgParamOrdinals[],
                             const DBPARAMBINDINFO rgParamBindInfo[]) override;
    // Parameter accessors only; their ordinals are those described.
    HRESULT CreateAccessor(DBACCESSORFLAGS dwAccessorFlags, DBCOUNTITEM cBindings, const DBBINDING rgBindings[],
                           DBLENGTH cbRowSize, HACCESSOR* phAccessor, DBBINDSTATUS rgStatus[]) override;
    HRESULT ReleaseAccessor(HACCESSOR hAccessor, DBREFCOUNT* pcRefCount) override;

private:
    // The values of the parameters, in the order of their ordinals.
    std::vector<db_value> parameter_values(const DBPARAMS& parameters) const;

    std::shared_ptr<session_link> link_;
    std::wstring text_;
    bool has_text_ = false;
    std::vector<db_column> parameters_;
    accessor_set accessors_;
};

}  // namespace oledb
