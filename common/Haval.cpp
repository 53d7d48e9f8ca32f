#include "Haval.h"
