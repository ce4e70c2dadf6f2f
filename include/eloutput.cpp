#include "eloutput.h"
