// The T-SQL collation of a text column whose MySQL collation tells 'a' from
// 'A': the server's default collation does not, and a key holding both
// would be refused.
#pragma once

#include <string>

class t_ftd;

// A binary MySQL collation ("utf8mb4_bin") gives Latin1_General_100_BIN2, a
// case-sensitive one ("latin1_general_cs", "utf8mb4_0900_as_cs")
// Latin1_General_100_CS_AS; any other, and a column that is not created as
// text, none (empty).
std::wstring mss_collation(const t_ftd& column);
