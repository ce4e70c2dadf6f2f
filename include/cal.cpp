#include "cal.h"
