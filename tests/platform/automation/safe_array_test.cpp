#include "platform/automation/safe_array.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

struct byte_array {
    SAFEARRAY* array;
    explicit byte_array(ULONG elements, LONG lower_bound = 0)
        : array(SafeArrayCreateVector(VT_UI1, lower_bound, elements))
    {}
    ~byte_array() { SafeArrayDestroy(array); }
};

TEST(safe_array, bounds_of_a_vector)
{
    byte_array bytes(10, 3);
    ASSERT_NE(bytes.array, nullptr);
    LONG lower = 0, upper = 0;
    EXPECT_EQ(SafeArrayGetDim(bytes.array), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(bytes.array), 1u);
    EXPECT_EQ(SafeArrayGetLBound(bytes.array, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(bytes.array, 1, &upper), S_OK);
    EXPECT_EQ(lower, 3);
    EXPECT_EQ(upper, 12);
    EXPECT_EQ(SafeArrayGetLBound(bytes.array, 2, &lower), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(bytes.array, 0, &upper), DISP_E_BADINDEX);
}

TEST(safe_array, empty_array_has_upper_bound_below_lower)
{
    byte_array bytes(0);
    ASSERT_NE(bytes.array, nullptr);
    LONG upper = 0;
    EXPECT_EQ(SafeArrayGetUBound(bytes.array, 1, &upper), S_OK);
    EXPECT_EQ(upper, -1);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(bytes.array, &data), S_OK);
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(SafeArrayUnaccessData(bytes.array), S_OK);
}

TEST(safe_array, redim_keeps_the_data_and_zeroes_new_elements)
{
    byte_array bytes(4);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(bytes.array, &data), S_OK);
    std::memcpy(data, "\x01\x02\x03\x04", 4);
    ASSERT_EQ(SafeArrayUnaccessData(bytes.array), S_OK);

    const SAFEARRAYBOUND larger{6, 0};
    ASSERT_EQ(SafeArrayRedim(bytes.array, &larger), S_OK);
    ASSERT_EQ(SafeArrayAccessData(bytes.array, &data), S_OK);
    EXPECT_EQ(std::memcmp(data, "\x01\x02\x03\x04\x00\x00", 6), 0);
    ASSERT_EQ(SafeArrayUnaccessData(bytes.array), S_OK);

    const SAFEARRAYBOUND smaller{2, 0};
    ASSERT_EQ(SafeArrayRedim(bytes.array, &smaller), S_OK);
    LONG upper = 0;
    SafeArrayGetUBound(bytes.array, 1, &upper);
    EXPECT_EQ(upper, 1);
}

TEST(safe_array, a_locked_array_is_neither_resized_nor_destroyed)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 2);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
    const SAFEARRAYBOUND bound{5, 0};
    EXPECT_EQ(SafeArrayRedim(array, &bound), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(safe_array, copy_is_independent)
{
    byte_array bytes(3);
    static_cast<BYTE*>(bytes.array->pvData)[1] = 7;
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(bytes.array, &copy), S_OK);
    static_cast<BYTE*>(bytes.array->pvData)[1] = 9;
    EXPECT_EQ(static_cast<BYTE*>(copy->pvData)[1], 7);
    EXPECT_EQ(copy->rgsabound[0].cElements, 3u);
    SafeArrayDestroy(copy);
}

TEST(safe_array, element_types_and_dimensions)
{
    EXPECT_EQ(SafeArrayCreateVector(VT_BSTR, 0, 1), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_VARIANT, 0, 1), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_UI1, 0, nullptr), nullptr);

    const SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 1}};
    SAFEARRAY* matrix = SafeArrayCreate(VT_R8, 2, bounds);
    ASSERT_NE(matrix, nullptr);
    EXPECT_EQ(SafeArrayGetDim(matrix), 2u);
    EXPECT_EQ(SafeArrayGetElemsize(matrix), 8u);
    LONG upper = 0;
    EXPECT_EQ(SafeArrayGetUBound(matrix, 2, &upper), S_OK);
    EXPECT_EQ(upper, 3);
    SafeArrayDestroy(matrix);
}

}  // namespace
