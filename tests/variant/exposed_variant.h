// An ole_variant whose VARIANT a test may read and set.
#pragma once

#include "variant/ole_variant.h"

struct exposed_variant : ole_variant {
    using ole_variant::ole_variant;
    explicit exposed_variant(const ole_variant& value) : ole_variant(value) {}
    VARIANT& raw() { return m_value; }
};
