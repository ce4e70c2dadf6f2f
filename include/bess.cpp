#include "bess.h"
