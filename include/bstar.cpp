#include "bstar.h"
