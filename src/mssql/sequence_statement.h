// The T-SQL statement that creates a sequence, on both paths.
#pragma once

#include "model/sequence.h"

#include <string>

// CREATE SEQUENCE for a sequence under its canonical [owner].[name].
std::wstring mss_create_sequence_statement(const udb_sequence& sequence, const std::wstring& canonical_name);
