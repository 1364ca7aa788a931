// Number set: an ordered set of unsigned 32-bit numbers with add, remove,
// membership and ascending iteration. The all-ones value is reserved as the
// end marker of iteration and cannot be a member.
//
// Stored as a sorted array: the sets of this program (disabled message
// numbers, -Werror numbers) are small and read far more often than written.
// Creating, clearing and freeing a set are traced; the per-number
// operations are not, as for the other containers.
#pragma once

#include <cstdint>

struct numset;

inline constexpr uint32_t kNumsetEnd = UINT32_MAX;

numset* numset_new();
void numset_free(numset* s);
// 1 when n was added, 0 when it was a member already.
int numset_add(numset* s, uint32_t n);
// 1 when n was removed, 0 when it was not a member.
int numset_remove(numset* s, uint32_t n);
bool numset_has(const numset* s, uint32_t n);
void numset_clear(numset* s);
// Ascending iteration: the smallest member, or the smallest member above n;
// kNumsetEnd when there is none.
uint32_t numset_first(const numset* s);
uint32_t numset_next(const numset* s, uint32_t n);
