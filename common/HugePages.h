#pragma once
// Large buffers that are filled once from start to end (a file read whole,
// the rows of a long program) are asked to be backed by huge pages where
// the system offers them on request: a page fault then brings in 2 MiB
// instead of 4 KiB.  Only a hint: nothing changes where it is not granted.
#include <cstddef>

void Advise_Huge_Pages(void *data, size_t bytes);

// Brings in the memory of a buffer that is about to be written, as a write
// would, without changing what it holds: the threads that will fill the
// parts of a large buffer can each bring in their own part.
void Bring_In_Pages(void *data, size_t bytes);
