// The automation folder: the COM and OLE Automation interfaces the program
// calls, with OLE's semantics kept where values are concerned: VARIANT and
// its types, BSTR as a length-prefixed wchar_t buffer, SAFEARRAY, DECIMAL
// (96-bit, exact), CY, DATE, the Var* conversions (banker's rounding,
// overflow errors, en-US text forms), IUnknown reference counting,
// CoCreateInstance over a provider table and the task allocator. It includes
// only the platform folder's top.
//
// This file is the whole stand-in in one include.
#pragma once

#include "platform/automation/bstr.h"
#include "platform/automation/com_library.h"
#include "platform/automation/com_types.h"
#include "platform/automation/date_time.h"
#include "platform/automation/guid.h"
#include "platform/automation/numeric_conversions.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/task_memory.h"
#include "platform/automation/unknown.h"
#include "platform/automation/variant.h"
