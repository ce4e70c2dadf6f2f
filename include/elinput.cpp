#include "elinput.h"
