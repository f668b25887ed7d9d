#pragma once
// Under the address sanitizer, state memory that no block holds is poisoned,
// so a script binding that writes past its block is still caught.
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
extern "C" void __asan_poison_memory_region(void const volatile* address, std::size_t size);
extern "C" void __asan_unpoison_memory_region(void const volatile* address, std::size_t size);
#define ORVLUA_POISON(address, size) __asan_poison_memory_region((address), (size))
#define ORVLUA_UNPOISON(address, size) __asan_unpoison_memory_region((address), (size))
#else
#define ORVLUA_POISON(address, size) ((void)(address), (void)(size))
#define ORVLUA_UNPOISON(address, size) ((void)(address), (void)(size))
#endif
