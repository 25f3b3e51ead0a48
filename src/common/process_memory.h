#pragma once
// How a program keeps the memory it frees.

namespace oewr {

// Keeps freed memory for the next allocation instead of giving it back to
// the system: a run's state and pictures take a few megabytes each, and
// memory given back is faulted in again, page by page, for the next run or
// chart. Call once, at the start of main.
void keepFreedMemoryForReuse();

}  // namespace oewr
