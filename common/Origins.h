#pragma once

#include <QString>

// The four origins the programs talk to, compiled in from the build's cache variables.
// Each is scheme://host[:port] without a trailing slash, so a path is simply appended.
class Origins
{
public:
    QString site; // the service web site
    QString account; // the account server
    QString guest; // the guest site (flash results)
    QString bet; // the betting pages

    static const Origins &get();

    // Tests point the programs at their own loopback servers; nothing else calls this.
    static void setForTesting(const Origins &origins);
};
