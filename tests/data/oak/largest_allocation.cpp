#define MDS_LARGEST_ALLOCATION_OPERATORS
#include "largest_allocation.h"
