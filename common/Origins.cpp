#include "Origins.h"

namespace {

Origins &current()
{
    static Origins origins {
        QStringLiteral(PELORIN_SITE_ORIGIN),
        QStringLiteral(PELORIN_ACCOUNT_ORIGIN),
        QStringLiteral(PELORIN_GUEST_ORIGIN),
        QStringLiteral(PELORIN_BET_ORIGIN),
    };
    return origins;
}

} // namespace

const Origins &Origins::get()
{
    return current();
}

void Origins::setForTesting(const Origins &origins)
{
    current() = origins;
}
