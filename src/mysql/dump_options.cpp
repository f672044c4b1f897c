#include "mysql/dump_options.h"

#include "toolkit/tk_log.h"

dump_options::dump_options()
{
    tk_log(2, "dump_options::ctor1");
}
