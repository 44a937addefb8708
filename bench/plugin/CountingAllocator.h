#pragma once

// A program linked with CountingAllocator.cpp counts every allocation of the
// global operator new, so that a benchmark can show that a hot path
// allocates nothing.
long AllocationCount();
