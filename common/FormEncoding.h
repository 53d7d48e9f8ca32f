#pragma once

#include <QString>

// The form encoding the account server and the home page's query expect, over the
// text's code-page bytes: letters, digits and ! $ ' ( ) * - . @ _ stay, a space
// becomes "+", every other byte becomes "%XX" in upper case ("a+b c" -> "a%2Bb+c").
QString EncodeFormValue(const QString &text);
