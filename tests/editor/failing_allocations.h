// Makes one chosen allocation of the calling thread fail with std::bad_alloc, so that code
// can be checked at every point where memory might run out. Only this test program's
// operator new takes part.
#pragma once

#include <cstdint>

// The allocation `countdown` allocations from now (0: the next one) fails; later ones
// succeed again. -1 disarms.
void FailAllocationAfter(std::int64_t countdown);
// Whether the armed failure has happened since the last FailAllocationAfter.
bool AllocationFailed();
