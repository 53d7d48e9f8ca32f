#pragma once

#include <array>
#include <ctime>
#include <httplib.h>
#include <string>
#include <string_view>

// The look shared by the four origins: one page frame, one style sheet and one script,
// each origin with its own title and links.
namespace pages {

enum class Origin
{
    Site,
    Account,
    Guest,
    Bet
};

// A whole UTF-8 page around `body` (already HTML).
std::string layout(Origin origin, std::string_view title, std::string_view body);

// /static/pelorin.css and /static/pelorin.js, and the Japanese error pages.
void addCommonRoutes(httplib::Server &server, Origin origin);

// The four IPAT credential fields in the order of the client's settings dialog: the
// hidden-field name and the label the member knows them by.
struct CredentialField
{
    const char *name;
    const char *label;
};
extern const std::array<CredentialField, 4> kCredentialFields;

// The hidden fields "ii", "i", "r" and "p" the client fills on a credential page, and
// the link to the page script OnGoPatMaker() that shows what they received.
std::string credentialPanel();

} // namespace pages
