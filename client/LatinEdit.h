#pragma once

#include <QString>

class QLineEdit;
class QWidget;

// The edits for addresses, passwords and betting credentials: typed in Latin letters and
// digits, so no input method, and no length limit. A masked one hides what is typed.
QLineEdit *makeLatinEdit(QWidget *parent, const QString &accessibleName, bool masked = false);
