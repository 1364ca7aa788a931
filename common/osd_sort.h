// Sorting arrays of fixed-size elements.
//
// The quicksort is iterative (an explicit stack, the smaller side first, so
// the stack stays logarithmic) and takes the middle element as pivot, which
// keeps already sorted input, the common case for option and file lists, at
// n log n. The order of equal elements is not kept.
//
// Not traced: vec_sort writes the records of the program's sorts, and the
// container reports sort their master lists here while they write into the
// trace.
#pragma once

#include <cstddef>

using osd_compare_fn = int (*)(const void* a, const void* b);

void osd_qsort(void* base, size_t count, size_t size, osd_compare_fn compare);
