// The pseudo-terminal and "COMn" link helpers, under the name the serial
// link benchmarks include.
#pragma once

#include "kiss_test_support.h"
