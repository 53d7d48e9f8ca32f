#include "LatinEdit.h"

#include <QLineEdit>

#include <limits>

QLineEdit *makeLatinEdit(QWidget *parent, const QString &accessibleName, bool masked)
{
    auto *edit = new QLineEdit(parent);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    Qt::InputMethodHints hints = Qt::ImhLatinOnly | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase;
    if (masked) {
        hints |= Qt::ImhHiddenText | Qt::ImhSensitiveData;
        edit->setEchoMode(QLineEdit::Password);
    }
    edit->setInputMethodHints(hints);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setAccessibleName(accessibleName);
    return edit;
}
