#include "mssql/odb/odb_command.h"

#include "mssql/odb_exception.h"
#include "toolkit/tk_log.h"

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
