#pragma once
// Watches a stretch of code for blocks deleted twice and blocks written after their deletion.
// The test program's global operator new and delete are replaced for this: while watching,
// deleted blocks are kept, filled with a pattern (all but their first pointer, the place of a
// vtable), instead of being freed; Stop checks and frees them.
#include <cstddef>

namespace HeapWatch {

struct Result {
    int doubleDeletes = 0;
    int writtenAfterDelete = 0;
};

void Start();
Result Stop();

}  // namespace HeapWatch
