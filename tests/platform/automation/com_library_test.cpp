#include "platform/automation/com_library.h"

#include "counted_object.h"
#include "platform/automation/task_memory.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

constexpr CLSID test_class{0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

class com_library_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        com_register_class(test_class, [this](REFIID riid, void** object) {
            auto* created = new counted_object(&alive_);
            created->AddRef();
            const HRESULT hr = created->QueryInterface(riid, object);
            created->Release();
            return hr;
        });
    }
    void TearDown() override { com_unregister_class(test_class); }

    int alive_ = 0;
};

TEST_F(com_library_test, creates_a_registered_class_and_the_last_release_ends_it)
{
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    void* object = nullptr;
    ASSERT_EQ(CoCreateInstance(test_class, nullptr, CLSCTX_INPROC_SERVER, test_interface, &object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(alive_, 1);
    auto* unknown = static_cast<IUnknown*>(object);
    EXPECT_EQ(unknown->AddRef(), 2u);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(unknown->Release(), 0u);
    EXPECT_EQ(alive_, 0);
    CoUninitialize();
}

TEST_F(com_library_test, refusals)
{
    constexpr CLSID unknown_class{1, 2, 3, {4}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(unknown_class, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);

    constexpr IID other_interface{9, 9, 9, {9}};
    EXPECT_EQ(CoCreateInstance(test_class, nullptr, CLSCTX_INPROC_SERVER, other_interface, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(alive_, 0);

    auto* outer = new counted_object(&alive_);
    outer->AddRef();
    EXPECT_EQ(CoCreateInstance(test_class, outer, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(alive_, 1);
    outer->Release();
    EXPECT_EQ(CoCreateInstance(test_class, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);
}

TEST(task_memory, allocates_grows_and_frees)
{
    auto* block = static_cast<char*>(CoTaskMemAlloc(4));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "abcd", 4);
    block = static_cast<char*>(CoTaskMemRealloc(block, 8));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::memcmp(block, "abcd", 4), 0);
    EXPECT_EQ(CoTaskMemRealloc(block, 0), nullptr);
    void* grown = CoTaskMemRealloc(nullptr, 3);
    EXPECT_NE(grown, nullptr);
    CoTaskMemFree(grown);
    CoTaskMemFree(nullptr);
}

}  // namespace
