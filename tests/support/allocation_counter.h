// Counts the allocations made by operator new, or by malloc (C libraries
// included), while a piece of code runs. A test program that uses it compiles
// allocation_counter.cpp, which replaces the global operator new and watches
// malloc, and so must be a program of its own.
#pragma once

namespace test_support {

// How many times operator new ran during body().
template <typename Body>
int AllocationsDuring(Body&& body);

// How many times malloc ran during body(), from C++ and C code alike.
template <typename Body>
int MallocsDuring(Body&& body);

namespace allocation_counter {
void Start();
int Stop();
void StartMallocs();
int StopMallocs();
}  // namespace allocation_counter

template <typename Body>
int AllocationsDuring(Body&& body) {
    allocation_counter::Start();
    body();
    return allocation_counter::Stop();
}

template <typename Body>
int MallocsDuring(Body&& body) {
    allocation_counter::StartMallocs();
    body();
    return allocation_counter::StopMallocs();
}

}  // namespace test_support
