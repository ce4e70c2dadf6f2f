#include "hkcd.h"
