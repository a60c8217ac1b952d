// The process's heap policy, set once at start-up by each program.
#pragma once

namespace platform {

// Large blocks (from 128 KiB) are mapped on their own and go back to the
// system when freed. The allocator would otherwise raise that bound as such
// blocks are freed and keep later ones in its per-thread arenas, so buffers
// that conversion workers have finished with would add to the peak memory
// of the authoring that follows.
void UseCompactHeap();

}  // namespace platform
