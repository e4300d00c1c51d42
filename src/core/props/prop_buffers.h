// Reading the buffers the prop component fills. Every array carries its own bounds, which come
// from outside the client: an index is read only when it lies inside them.
#pragma once

#include <cstdint>
#include <optional>
#include <type_traits>

#include "props/propdll.h"

namespace korvel {

template <class Array>
bool CountSane(const Array& a) {
  return a.count >= 0 && a.count <= static_cast<int32_t>(sizeof a.v / sizeof a.v[0]);
}

// Entry `index` of an array with its own lower bound, or nothing outside the bounds.
template <class Array>
auto EntryAt(const Array& a, int index) -> std::optional<std::remove_cvref_t<decltype(a.v[0])>> {
  if (!CountSane(a)) return std::nullopt;
  const int64_t slot = int64_t{index} - a.lower;
  if (slot < 0 || slot >= a.count) return std::nullopt;
  return a.v[slot];
}

// True when the array's bounds are exactly first..last.
template <class Array>
bool HasBounds(const Array& a, int first, int last) {
  return CountSane(a) && a.lower == first && int64_t{a.lower} + a.count - 1 == last;
}

// True when indices first..last can all be read.
template <class Array>
bool Covers(const Array& a, int first, int last) {
  return CountSane(a) && a.lower <= first && int64_t{a.lower} + a.count - 1 >= last;
}

}  // namespace korvel
