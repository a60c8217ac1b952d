// Moving a run of consecutive list entries to stand right after another
// entry, as the chapter list, the project cells and the conversion items do.
#pragma once

#include <algorithm>
#include <cstddef>

namespace platform {

// True when MoveRun would move: count > 0, the run [from, from + count) and
// `to` lie inside the list, from != to and `to` is not inside the run.
inline bool CanMoveRun(std::ptrdiff_t size, std::ptrdiff_t from, std::ptrdiff_t to,
                       std::ptrdiff_t count) {
  if (count <= 0 || from < 0 || to < 0 || from >= size || to >= size) return false;
  if (from == to || from + count > size) return false;
  return !(to >= from && to < from + count);
}

// Moves the run of `count` entries starting at `from` so that it stands
// immediately after the entry that was at index `to` before the move,
// keeping its order. (3, 0, 2) on A B C D E gives A D E B C; (0, 3, 2) gives
// C D A B E. Returns false and changes nothing when CanMoveRun is false.
template <typename List>
bool MoveRun(List& list, std::ptrdiff_t from, std::ptrdiff_t to, std::ptrdiff_t count) {
  if (!CanMoveRun(static_cast<std::ptrdiff_t>(list.size()), from, to, count)) return false;
  auto begin = list.begin();
  if (to > from)
    std::rotate(begin + from, begin + from + count, begin + to + 1);
  else
    std::rotate(begin + to + 1, begin + from, begin + from + count);
  return true;
}

}  // namespace platform
