#include "text/primitives.h"
