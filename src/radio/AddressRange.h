#pragma once
// Range lists: (first, last) address pairs, both inclusive, in transfer order, ended by a pair
// whose last address is below its first.
#include <cstdint>

struct AddressRange {
    int32_t first;
    int32_t last;
};

inline constexpr AddressRange kEndOfRanges{1, 0};

// What a document and an initial file hold.
inline constexpr AddressRange kDocumentRanges[] = {{0x0000, 0x471F}, kEndOfRanges};

// Calls f(first, last) for each pair up to the end pair; the walk also stops at the first pair
// that reaches outside an image of imageSize bytes.
template <class F>
void ForEachRange(const AddressRange* list, int imageSize, F f) {
    if (!list) return;
    for (const AddressRange* r = list; r->last >= r->first; ++r) {
        if (r->first < 0 || r->first >= imageSize || r->last < 0 || r->last >= imageSize) return;
        f(r->first, r->last);
    }
}
