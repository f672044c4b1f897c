#include "agent/usage_text.h"

#include <cstdio>

namespace {

const char usage_format[] = "corvath v%d.%d%s\n"
                            "Usage: corvath OPTIONS\n"
                            "\n"
                            "   --as_dbo       connect to MS SQL server as database owner\n"
                            "   --blob2text    convert BLOB to text\n"
                            "   --dest=...     MS SQL database or T-SQL file name\n"
                            "   --dump         convert MySQL database into T-SQL dump file\n"
                            "   --help         display this help message and exit\n"
                            "   --logfile=...  path to the file where execution trace will be written\n"
                            "   --mode=...     how to process an existing MS SQL database\n"
                            "                  (0 - overwrite the entire database, 1 - overwrite\n"
                            "                  existing tables only, 2 - skip existing tables,\n"
                            "                  3 - merge, 4 - synchronize)\n"
                            "   --mssqlh=...   MS SQL server IP address or network name\n"
                            "   --mssqlu=...   MS SQL user name\n"
                            "   --mssqlp=...   MS SQL user password\n"
                            "   --mysqlh=...   MySQL server IP address or network name\n"
                            "   --mysqlu=...   MySQL user name\n"
                            "   --mysqlp=...   MySQL user password\n"
                            "   --port=...     MySQL port\n"
                            "   --profile=...  path to the file to load conversion settings from\n"
                            "   --script       export MySQL data into T-SQL script file\n"
                            "   --silent       disable program output\n"
                            "   --skip_idx     skip converting indexes\n"
                            "   --src=...      MySQL database name\n"
                            "   --tab_def      convert table definitions only\n"
                            "   --tab_file=... file containing the list of tables to convert\n"
                            "                  (one table name per line)\n"
                            "   --views        convert MySQL views into MS SQL\n"
                            "\n"
                            "NOTES:\n"
                            "   1) You can omit 'mssqlh' or 'mysqlh' to connect local database server.\n"
                            "   2) You can omit 'mssqlu' and 'mssqlp' parameters to connect to MS SQL\n"
                            "      server using Windows authentication.\n"
                            "   3) It is necessary to specify 'port' parameter only if it differs from\n"
                            "      the default MySQL port 3306.\n"
                            "   4) If you omit 'tab_file' parameter, all database tables will be converted.\n"
                            "   5) If you omit 'mode' parameter, default mode 'overwrite the entire\n"
                            "      database' will be used.\n"
                            "   6) Command line parameters that contain spaces must be enclosed in quotes\n"
                            "      (for example --dest=\"my database\")";

}  // namespace

std::string format_usage_text()
{
    const int size = std::snprintf(nullptr, 0, usage_format, corvath_version_major, corvath_version_minor, "");
    std::string text(static_cast<std::size_t>(size), '\0');
    std::snprintf(text.data(), text.size() + 1, usage_format, corvath_version_major, corvath_version_minor, "");
    return text;
}
