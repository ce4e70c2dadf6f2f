#include "muq.h"
