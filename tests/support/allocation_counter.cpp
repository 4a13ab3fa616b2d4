#include "tests/support/allocation_counter.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
bool counting = false;
int allocations = 0;
bool countingMallocs = false;
int mallocs = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

// C libraries allocate with malloc. Under AddressSanitizer, which owns malloc,
// its allocation hook counts; otherwise malloc is taken over and handed on to
// the C library's own.
#ifdef __SANITIZE_ADDRESS__
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                             std::size_t),
                                                         void (*free_hook)(const volatile void*));

namespace {
void CountMalloc(const volatile void*, std::size_t) {
    if (countingMallocs) ++mallocs;
}
// The sanitizer takes the pair or neither.
void IgnoreFree(const volatile void*) {}
const int hooksInstalled = __sanitizer_install_malloc_and_free_hooks(CountMalloc, IgnoreFree);
}  // namespace
#else
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* malloc(std::size_t size) {
    if (countingMallocs) ++mallocs;
    return __libc_malloc(size);
}
#endif

namespace test_support::allocation_counter {

void Start() {
    allocations = 0;
    counting = true;
}

int Stop() {
    counting = false;
    return allocations;
}

void StartMallocs() {
    mallocs = 0;
    countingMallocs = true;
}

int StopMallocs() {
    countingMallocs = false;
    return mallocs;
}

}  // namespace test_support::allocation_counter
