// Counts the allocations made by operator new while a piece of code runs. A
// test program that uses it compiles allocation_counter.cpp, which replaces
// the global operator new, and so must be a program of its own.
#pragma once

namespace test_support {

// How many times operator new ran during body().
template <typename Body>
int AllocationsDuring(Body&& body);

namespace allocation_counter {
void Start();
int Stop();
}  // namespace allocation_counter

template <typename Body>
int AllocationsDuring(Body&& body) {
    allocation_counter::Start();
    body();
    return allocation_counter::Stop();
}

}  // namespace test_support
