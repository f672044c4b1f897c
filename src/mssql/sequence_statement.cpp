#include "mssql/sequence_statement.h"

std::wstring mss_create_sequence_statement(const udb_sequence& sequence, const std::wstring& canonical_name)
{
    std::wstring statement = L"CREATE SEQUENCE " + canonical_name + L" START WITH " + std::to_wstring(sequence.start) +
                             L" INCREMENT BY " + std::to_wstring(sequence.increment) + L" MINVALUE " +
                             std::to_wstring(sequence.minimum) + L" MAXVALUE " + std::to_wstring(sequence.maximum);
    if (sequence.cycle)
        statement += L" CYCLE";
    return statement;
}
