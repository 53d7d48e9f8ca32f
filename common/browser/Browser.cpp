#include "Browser.h"
