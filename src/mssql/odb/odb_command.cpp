#include "mssql/odb/odb_command.h"

#include "mssql/odb_exception.h"
#include "toolkit/tk_log.h"

#include <cstddef>
#include <cstdint>

odb_command::odb_command(IOpenRowset* session_interface)
{
    session_interface->AddRef();
    session = ole_com_ptr<IOpenRowset>(session_interface);
    tk_log(1, "odb_command::ctor(1)");
    create_command();
}

odb_command::odb_command(IUnknown* data_source)
{
    tk_log(1, "odb_command::ctor(2)");
    {
        ole_com_ptr<IDBCreateSession> factory;
        odb_check(data_source->QueryInterface(IID_IDBCreateSession, factory.get_void_address()));
        odb_check(
            factory->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(session.get_address())));
    }
    create_command();
}

odb_command::~odb_command()
{
    command_text.release();
    session.release();
}

void odb_command::create_command()
{
    ole_com_ptr<IDBCreateCommand> factory;
    odb_check(session->QueryInterface(IID_IDBCreateCommand, factory.get_void_address()));
    ole_com_ptr<IUnknown> command;
    odb_check(factory->CreateCommand(nullptr, IID_ICommand, command.get_address()));
    odb_check(command->QueryInterface(IID_ICommandText, command_text.get_void_address()));
}

void odb_command::execute(const std::wstring& statement, IRowset** result)
{
    tk_log(2, L"odb_command::execute(%ls)", statement.c_str());
    odb_check(command_text->SetCommandText(DBGUID_DEFAULT, statement.c_str()));
    tk_log(2, "Step #1, dest=%08X", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(result)));
    odb_check(command_text->Execute(nullptr, result ? IID_IRowset : IID_NULL, nullptr, nullptr,
                                    reinterpret_cast<IUnknown**>(result)));
    tk_log(2, "Step #2");
}

namespace {

// One parameter's parts in the buffer of the execution.
struct parameter_slot {
    IUnknown* value;
    DBLENGTH length;
    DBSTATUS status;
};

// The parameter accessor of a command, released when the execution ends.
class parameter_accessor {
public:
    explicit parameter_accessor(ICommandText& command)
    {
        odb_check(command.QueryInterface(IID_IAccessor, accessor.get_void_address()));
    }
    ~parameter_accessor()
    {
        if (handle != 0)
            accessor->ReleaseAccessor(handle, nullptr);
    }
    parameter_accessor(const parameter_accessor&) = delete;
    parameter_accessor& operator=(const parameter_accessor&) = delete;

    ole_com_ptr<IAccessor> accessor;
    HACCESSOR handle = 0;
};

}  // namespace

void odb_command::execute(const std::wstring& statement, const std::vector<odb_parameter>& parameters)
{
    tk_log(2, L"odb_command::execute(%ls) with %d parameters", statement.c_str(), static_cast<int>(parameters.size()));
    odb_check(command_text->SetCommandText(DBGUID_DEFAULT, statement.c_str()));
    ole_com_ptr<ICommandWithParameters> described;
    odb_check(command_text->QueryInterface(IID_ICommandWithParameters, described.get_void_address()));
    std::vector<DB_UPARAMS> ordinals;
    std::vector<DBPARAMBINDINFO> infos;
    std::vector<DBBINDING> bindings;
    std::vector<parameter_slot> slots(parameters.size());
    DBOBJECT stream_object{0, IID_ISequentialStream};
    wchar_t wide_text_type[] = L"DBTYPE_WVARCHAR";
    wchar_t bytes_type[] = L"DBTYPE_VARBINARY";
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const odb_parameter& parameter = parameters[i];
        ordinals.push_back(i + 1);
        infos.push_back({parameter.binary ? bytes_type : wide_text_type, const_cast<wchar_t*>(parameter.name.c_str()),
                         ~DBLENGTH{0}, 0, 0, 0});
        slots[i] = {parameter.stream.get(), parameter.length, DBSTATUS_S_OK};
        DBBINDING binding{};
        binding.iOrdinal = i + 1;
        binding.obValue = i * sizeof(parameter_slot) + offsetof(parameter_slot, value);
        binding.obLength = i * sizeof(parameter_slot) + offsetof(parameter_slot, length);
        binding.obStatus = i * sizeof(parameter_slot) + offsetof(parameter_slot, status);
        binding.pObject = &stream_object;
        binding.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
        binding.eParamIO = DBPARAMIO_INPUT;
        binding.cbMaxLen = sizeof(IUnknown*);
        binding.wType = DBTYPE_IUNKNOWN;
        bindings.push_back(binding);
    }
    odb_check(described->SetParameterInfo(parameters.size(), ordinals.data(), infos.data()));
    parameter_accessor accessor(*command_text.get());
    std::vector<DBBINDSTATUS> statuses(bindings.size());
    odb_check(accessor.accessor->CreateAccessor(DBACCESSOR_PARAMETERDATA, bindings.size(), bindings.data(),
                                                sizeof(parameter_slot) * slots.size(), &accessor.handle,
                                                statuses.data()));
    DBPARAMS values{slots.data(), 1, accessor.handle};
    odb_check(command_text->Execute(nullptr, IID_NULL, &values, nullptr, nullptr));
}
