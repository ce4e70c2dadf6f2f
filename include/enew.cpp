#include "enew.h"
