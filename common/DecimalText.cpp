#include "DecimalText.h"

bool parseDecimalInt32(const QString &text, int *value)
{
    if (text.isEmpty())
        return false;
    qsizetype i = 0;
    if (text.at(0) == QLatin1Char('-') || text.at(0) == QLatin1Char('+'))
        i = 1;
    if (i == text.size())
        return false;
    for (qsizetype j = i; j < text.size(); ++j) {
        if (text.at(j) < QLatin1Char('0') || text.at(j) > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (ok)
        *value = parsed;
    return ok;
}
