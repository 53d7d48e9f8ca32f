#pragma once

#include <QString>

class QUrl;

// Each byte of the value's code-page text as b - 48 in "%.3d" ("abc" -> "049050051",
// a space -> "-016"): how betting credentials leave the client, in pages and addresses.
QString EncodeCredential(const QString &value);

// Whether an address is one of the three service pages that receive the betting
// credentials: the site's own scheme, host and port, and a path exactly equal to one
// of the pages' paths; any query or fragment may follow. Anything else - another
// host, a longer path, the page's address inside a query, user-info tricks - is not.
bool isCredentialPage(const QUrl &address, const QString &siteOrigin);
