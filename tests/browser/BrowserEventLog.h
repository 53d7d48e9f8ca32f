#pragma once

#include <QObject>
#include <QStringList>

class BrowserView;

// Writes down every event of a BrowserView as one line of text, in order, so a test
// can compare whole sequences. Document completion notes what the view answers about
// the top document at that moment.
class BrowserEventLog : public QObject
{
    Q_OBJECT

public:
    explicit BrowserEventLog(BrowserView *view);

    QStringList all;
    QStringList navigations; // URLs of beforeNavigate
    QStringList completions; // "<url> top|frame html|not-html|no-document"
    QStringList commands; // "forward|back on|off"
    QList<QPair<int, int>> progress;
    QStringList statusTexts;
    int loadsFinished = 0;

    void clear();
};
