// The measuring allocator of largest_allocation.h for this test program.
#define MDS_LARGEST_ALLOCATION_OPERATORS
#include "largest_allocation.h"
