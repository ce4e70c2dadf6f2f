#include "j.h"
