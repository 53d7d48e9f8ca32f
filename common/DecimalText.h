#pragma once

#include <QString>

// The one reading of decimal text the programs use for stored integers and the point
// balance: an optional sign and digits only, within 32 bits. False for anything else.
bool parseDecimalInt32(const QString &text, int *value);
