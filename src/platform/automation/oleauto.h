// The COM and OLE Automation stand-in in one include.
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
