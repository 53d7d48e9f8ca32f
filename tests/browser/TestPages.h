#pragma once

#include "LoopbackServer.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <functional>

class QWebEnginePage;
class QWebEngineView;

// The pages the browser tests load, served from two loopback servers so that a page
// can hold a frame of another origin. Page scripts that the tests read run in the
// page's own world, as the service's scripts would.
class TestPages
{
public:
    TestPages();
    ~TestPages();

    QString a(const char *path) const { return m_a.origin() + QLatin1String(path); }
    QString b(const char *path) const { return m_b.origin() + QLatin1String(path); }

private:
    void addPages(httplib::Server &server);

    std::atomic<bool> m_release {false};
    LoopbackServer m_a;
    LoopbackServer m_b;
};

// Runs a script in the page's own world and waits for its value.
QVariant evaluateInPage(QWebEnginePage *page, const QString &script);

// Clicks the left button at the point of the view's page until the document there
// ("top" or "frame", on pages with the input watch) reports the press.
// clickAt clicks the left button at a point of the view's render widget; by default with
// a QTest event.
bool pressUntilSeen(QWebEngineView *view, QPoint point, const QString &where,
                    const std::function<void(QPoint)> &clickAt = {});

// The right button's events and menu requests the page with the input watch has seen.
QStringList rightButtonEvents(QWebEnginePage *page);
