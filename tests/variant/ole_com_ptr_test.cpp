#include "variant/ole_com_ptr.h"

#include "../platform/automation/counted_object.h"
#include "variant/ole_exceptions.h"

#include <gtest/gtest.h>
#include <utility>

namespace {

IUnknown* new_object(int* alive)
{
    auto* object = new counted_object(alive);
    object->AddRef();
    return object;
}

TEST(ole_com_ptr, releases_its_reference_once)
{
    int alive = 0;
    {
        ole_com_ptr<IUnknown> holder(new_object(&alive));
        EXPECT_FALSE(holder.is_empty());
        EXPECT_EQ(holder->AddRef(), 2u);
        holder->Release();
        ole_com_ptr<IUnknown> moved(std::move(holder));
        EXPECT_TRUE(holder.is_empty());
        EXPECT_EQ(alive, 1);
        ole_com_ptr<IUnknown> assigned;
        assigned = std::move(moved);
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(ole_com_ptr, an_out_parameter_slot_releases_what_was_held)
{
    int alive = 0;
    ole_com_ptr<IUnknown> holder(new_object(&alive));
    IUnknown* other = new_object(&alive);
    EXPECT_EQ(alive, 2);
    ASSERT_EQ(other->QueryInterface(IID_IUnknown, holder.get_void_address()), S_OK);
    EXPECT_EQ(alive, 1);
    other->Release();
    EXPECT_EQ(holder.get(), other);
    holder.release();
    EXPECT_EQ(alive, 0);
}

TEST(ole_com_ptr, an_empty_holder_is_refused)
{
    ole_com_ptr<IUnknown> empty;
    try {
        empty->AddRef();
        FAIL() << "an empty holder gave an interface";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.get_code(), 2u);
    }
}

TEST(ole_exceptions, texts_and_codes)
{
    const ole_cast_exception cast;
    const tk_exception& as_base = cast;
    EXPECT_EQ(as_base.get_code(), 0u);
    EXPECT_EQ(as_base.get_error_number(), 0u);
    EXPECT_STREQ(as_base.what(), "Cannot cast from source type to destination type");
    const ole_type_exception type;
    EXPECT_EQ(type.get_code(), 1u);
    EXPECT_STREQ(type.what(), "The operating type is not supported yet");
    const ole_type_exception copy(type);
    EXPECT_STREQ(copy.what(), type.what());
}

}  // namespace
