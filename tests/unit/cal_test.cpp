#include <gtest/gtest.h>

#include "cal.h"
