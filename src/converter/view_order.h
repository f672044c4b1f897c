// The order in which views are created: a view that reads another view of
// the list must come after it, or the server refuses it.
#pragma once

#include "model/database.h"

// The views, each after every other view of the list its text reads; the
// given order stays wherever that allows. Views that read each other in a
// circle keep their given order.
udb_views order_views_by_reads(const udb_views& views);
