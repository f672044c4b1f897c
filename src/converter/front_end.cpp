#include "converter/front_end.h"

#include "converter/brantwick_convertor.h"
#include "mssql/odb_exception.h"
#include "mssql/script/script_file.h"
#include "mysql/sql_exception.h"

bool convertor_front_end::is_initialized()
{
    return brantwick_convertor::is_initialized();
}

convertor_front_end& convertor_front_end::ref()
{
    return brantwick_convertor::ref();
}

convertor_front_end& convertor_front_end::instance()
{
    return brantwick_convertor::instance();
}

std::unique_ptr<convertor_front_end> make_convertor(convertor_form form)
{
    return std::make_unique<brantwick_convertor>(form);
}

bool is_destination_error(const tk_exception& exception)
{
    return dynamic_cast<const odb_exception*>(&exception) != nullptr;
}

bool is_unsupported_source_login(const tk_exception& exception)
{
    return dynamic_cast<const sql_auth_not_supported_exception*>(&exception) != nullptr;
}

void remove_unfinished_scripts()
{
    mss_remove_unfinished_scripts();
}
