#include "scaleheight.h"
