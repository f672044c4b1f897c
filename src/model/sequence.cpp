#include "model/sequence.h"

#include "toolkit/tk_log.h"

udb_sequence::udb_sequence(const std::wstring& name, std::int32_t start, std::int32_t increment, std::int32_t minimum,
                           std::int32_t maximum, bool cycle)
    : name(name), increment(increment), start(start), minimum(minimum), maximum(maximum), cycle(cycle)
{
    tk_log(2, L"udb_sequence::ctor(%ls,%d,%d,%d,%d,%d)", name.c_str(), start, increment, minimum, maximum, cycle);
}
