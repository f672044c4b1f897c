// tsql_rule_check FILE...: prints each breach of the SQL Server rules that
// support/tsql_rules.h checks, file by file; exits 1 when there is one.
#include "support/tsql_rules.h"

#include <fstream>
#include <iostream>
#include <iterator>

int main(int argc, char** argv)
{
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        if (!file) {
            std::cerr << argv[i] << ": cannot be read\n";
            status = 1;
            continue;
        }
        const std::string script{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        for (const std::string& breach : tsql::rule_breaches(script)) {
            std::cout << argv[i] << ": " << breach << "\n";
            status = 1;
        }
    }
    return status;
}
