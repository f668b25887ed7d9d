#pragma once
// Tests and benchmarks include the header by this path.
#include "orvlua/callcache/CallRanges.h"
