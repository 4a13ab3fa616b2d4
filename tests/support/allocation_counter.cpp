#include "tests/support/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {
bool counting = false;
int allocations = 0;
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

namespace test_support::allocation_counter {

void Start() {
    allocations = 0;
    counting = true;
}

int Stop() {
    counting = false;
    return allocations;
}

}  // namespace test_support::allocation_counter
