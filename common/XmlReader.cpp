#include "XmlReader.h"
