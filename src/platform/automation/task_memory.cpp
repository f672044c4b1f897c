#include "platform/automation/task_memory.h"

#include <cstdlib>

void* CoTaskMemAlloc(std::size_t size)
{
    return std::malloc(size == 0 ? 1 : size);
}

void* CoTaskMemRealloc(void* block, std::size_t size)
{
    if (size == 0) {
        std::free(block);
        return nullptr;
    }
    return std::realloc(block, size);
}

void CoTaskMemFree(void* block)
{
    std::free(block);
}
