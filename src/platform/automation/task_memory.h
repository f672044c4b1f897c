// COM task memory: blocks that one component allocates and another frees.
#pragma once

#include <cstddef>

void* CoTaskMemAlloc(std::size_t size);
// A size of 0 frees the block and returns null, as a null block grows from nothing.
void* CoTaskMemRealloc(void* block, std::size_t size);
void CoTaskMemFree(void* block);
