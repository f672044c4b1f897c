#include "platform/automation/variant.h"

#include "counted_object.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(variant, decimal_overlays_the_tag)
{
    static_assert(offsetof(VARIANT, decVal) == 0);
    static_assert(offsetof(DECIMAL, wReserved) == 0);
    static_assert(offsetof(DECIMAL, scale) == 2 && offsetof(DECIMAL, sign) == 3);
    static_assert(offsetof(DECIMAL, Hi32) == 4 && offsetof(DECIMAL, Lo64) == 8);
    static_assert(offsetof(VARIANT, lVal) == 8);
    VARIANT value;
    VariantInit(&value);
    value.decVal.Lo64 = 5;
    value.vt = VT_DECIMAL;
    EXPECT_EQ(value.decVal.wReserved, VT_DECIMAL);
    EXPECT_EQ(value.decVal.Lo64, 5u);
}

TEST(variant, copy_of_a_text_is_deep_and_keeps_embedded_zeros)
{
    VARIANT source, copy;
    VariantInit(&source);
    VariantInit(&copy);
    const std::wstring text(L"x\0y", 3);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringLen(text.data(), 3);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    EXPECT_EQ(std::wstring(copy.bstrVal, SysStringLen(copy.bstrVal)), text);
    EXPECT_EQ(VariantCopy(&source, &source), S_OK);
    EXPECT_EQ(std::wstring(source.bstrVal, SysStringLen(source.bstrVal)), text);
    EXPECT_EQ(VariantClear(&source), S_OK);
    EXPECT_EQ(source.vt, VT_EMPTY);
    EXPECT_EQ(VariantClear(&copy), S_OK);
}

TEST(variant, copy_of_an_array_is_deep)
{
    VARIANT source, copy;
    VariantInit(&source);
    VariantInit(&copy);
    source.vt = VT_ARRAY | VT_UI1;
    source.parray = SafeArrayCreateVector(VT_UI1, 0, 2);
    static_cast<BYTE*>(source.parray->pvData)[0] = 0xAB;
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_NE(copy.parray, source.parray);
    EXPECT_EQ(static_cast<BYTE*>(copy.parray->pvData)[0], 0xAB);
    VariantClear(&source);
    VariantClear(&copy);
}

TEST(variant, interfaces_are_counted_by_copy_and_clear)
{
    int alive = 0;
    auto* object = new counted_object(&alive);
    object->AddRef();
    VARIANT source, copy;
    VariantInit(&source);
    VariantInit(&copy);
    source.vt = VT_UNKNOWN;
    source.punkVal = object;
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(object->AddRef(), 3u);
    object->Release();
    VariantClear(&copy);
    EXPECT_EQ(alive, 1);
    VariantClear(&source);
    EXPECT_EQ(alive, 0);
}

TEST(variant, tags_a_variant_cannot_hold_are_refused)
{
    for (VARTYPE vt :
         {VARTYPE{VT_BLOB}, VARTYPE{VT_SAFEARRAY}, VARTYPE{15}, VARTYPE{VT_LPWSTR}, VARTYPE{VT_VECTOR | VT_I4}}) {
        VARIANT value, copy;
        VariantInit(&value);
        VariantInit(&copy);
        value.vt = vt;
        EXPECT_EQ(VariantClear(&value), DISP_E_BADVARTYPE) << vt;
        EXPECT_EQ(value.vt, vt);
        EXPECT_EQ(VariantCopy(&copy, &value), DISP_E_BADVARTYPE) << vt;
        EXPECT_EQ(copy.vt, VT_EMPTY);
    }
}

TEST(variant, a_locked_array_is_not_cleared)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_ARRAY | VT_UI1;
    value.parray = SafeArrayCreateVector(VT_UI1, 0, 1);
    void* data = nullptr;
    SafeArrayAccessData(value.parray, &data);
    EXPECT_EQ(VariantClear(&value), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(value.vt, VT_ARRAY | VT_UI1);
    SafeArrayUnaccessData(value.parray);
    EXPECT_EQ(VariantClear(&value), S_OK);
}

}  // namespace
