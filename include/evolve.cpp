#include "evolve.h"
