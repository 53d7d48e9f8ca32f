// bench_fill: what one credential fill costs in the real main window, against the demo
// service's prediction page (the site origin compiled in, as the client has it).
//
//   bench_fill [COUNT]        (COUNT timed samples per row, 50 unless given)
//
// Prints one line per row: name, median ms, 90th percentile ms, samples. Every sample is
// checked: a fill that did not write the four values ends the program with an error.
//
// Rows:
//  fill_at_complete    the page's top document completes; the main window's own handler
//                      runs (it fills, as on every credential page, and focuses the page);
//                      right after it, on the same signal, a script that reads the four
//                      hidden values back is queued. Scripts run in the order they were
//                      sent, so its answer comes once the handler's fill has been written.
//                      Timed: from that moment to the read-back's answer, values checked.
//  nofill_at_complete  the same, with the site origin set to another name for the same
//                      server (localhost for 127.0.0.1): the page is the same, but it is not
//                      a credential page to the handler, which then does all but the fill.
//  fill_idle           on the loaded page, fillHiddenInputs called as the handler calls it
//                      (the four values encoded in the timed span): call to done callback.
//  empty_idle          on the same page, an empty script run in the same script world:
//                      call to answer, the engine's bare round trip.
#include "Application.h"
#include "BrowserPage.h"
#include "BrowserView.h"
#include "CredentialPages.h"
#include "Origins.h"
#include "uniPelorin.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int WarmUp = 3; // loads and calls before the timed ones, not counted
constexpr int TimeoutMs = 20000;

struct CredentialSet
{
    QString ii, i, r, p;
};

const CredentialSet Sets[2] = {
    {QStringLiteral("AB12CD34"), QStringLiteral("12345678"), QStringLiteral("1234"), QStringLiteral("5678")},
    {QStringLiteral("ZX98YW76"), QStringLiteral("87654321"), QStringLiteral("4321"), QStringLiteral("8765")},
};

// The four hidden inputs of the demo's credential panel, in document order.
const QString ReadBack
    = QStringLiteral("Array.from(document.querySelectorAll('input[type=hidden]'), input => input.value).join('|')");

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "bench_fill: %s\n", qPrintable(what));
    std::exit(1);
}

QString expectedValues(const CredentialSet &set)
{
    return QStringList {EncodeCredential(set.ii), EncodeCredential(set.i), EncodeCredential(set.r),
                        EncodeCredential(set.p)}
        .join(QLatin1Char('|'));
}

// Runs the event loop until `quit` is called, failing after the time-out.
class Wait
{
public:
    void operator()(const char *what)
    {
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &m_loop, [this] { m_loop.exit(1); });
        timeout.start(TimeoutMs);
        if (m_loop.exec() != 0)
            fail(QStringLiteral("timed out waiting for ") + QLatin1String(what));
    }
    void quit() { m_loop.quit(); }

private:
    QEventLoop m_loop;
};

struct Row
{
    const char *name;
    std::vector<double> ms;
};

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(std::ceil(share * static_cast<double>(values.size())));
    return values[std::max<size_t>(rank, 1) - 1];
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void print(const Row &row)
{
    std::printf("%s %.3f %.3f %zu\n", row.name, median(row.ms), percentile(row.ms, 0.9), row.ms.size());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    Application app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 50;
    if (count < 1)
        fail(QStringLiteral("COUNT must be a positive number"));

    QFile skin(QStringLiteral(":/assets/skin.qss"));
    if (skin.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(skin.readAll()));

    const Origins demo = Origins::get();
    const QUrl siteUrl(demo.site);
    if (siteUrl.host() != QLatin1String("127.0.0.1"))
        fail(QStringLiteral("the site origin must be the demo service on 127.0.0.1, not ") + demo.site);
    // The same server under another name: the handler does not fill there.
    Origins elsewhere = demo;
    QUrl alias = siteUrl;
    alias.setHost(QStringLiteral("localhost"));
    elsewhere.site = alias.toString(QUrl::RemovePath);

    TfrmPelorin main;
    main.gII1 = Sets[0].ii;
    main.gI1 = Sets[0].i;
    main.gR1 = Sets[0].r;
    main.gP1 = Sets[0].p;
    main.gII2 = Sets[1].ii;
    main.gI2 = Sets[1].i;
    main.gR2 = Sets[1].r;
    main.gP2 = Sets[1].p;
    main.gPatMord = 1;
    main.show();
    {
        Wait exposed;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (main.windowHandle() && main.windowHandle()->isExposed())
                exposed.quit();
        });
        poll.start(20);
        exposed("the main window to show");
    }

    BrowserView *web = main.web;
    QWebEnginePage *page = web->page();
    QElapsedTimer clock;
    clock.start();
    const QString filled = expectedValues(Sets[0]);
    const QString empty = QStringLiteral("|||");

    // At document complete, as the client meets a credential page.
    Row fillAtComplete {"fill_at_complete", {}};
    Row noFillAtComplete {"nofill_at_complete", {}};
    QString lastUrl;
    for (int n = 0; n < 2 * (count + WarmUp); ++n) {
        const bool fill = n % 2 == 0;
        Origins::setForTesting(fill ? demo : elsewhere);
        const QString url = demo.site + QStringLiteral("/quenvel/yosou.php?n=%1").arg(n);
        Wait done;
        qint64 start = 0;
        qint64 end = 0;
        QString values;
        const auto connection
            = QObject::connect(web, &BrowserView::documentComplete, [&](const QString &at, bool isTop) {
                  if (!isTop || at != url || start != 0)
                      return;
                  start = clock.nsecsElapsed();
                  page->runJavaScript(ReadBack, BrowserPage::HiddenFromPageWorld, [&](const QVariant &result) {
                      end = clock.nsecsElapsed();
                      values = result.toString();
                      done.quit();
                  });
              });
        web->Navigate(url);
        done("the credential page to load");
        QObject::disconnect(connection);
        if (values != (fill ? filled : empty))
            fail(QStringLiteral("after %1 the page holds \"%2\"").arg(url, values));
        if (n >= 2 * WarmUp)
            (fill ? fillAtComplete : noFillAtComplete).ms.push_back(static_cast<double>(end - start) / 1e6);
        lastUrl = url;
    }

    // On the loaded page, the fill call alone beside an empty script.
    Row fillIdle {"fill_idle", {}};
    Row emptyIdle {"empty_idle", {}};
    {
        Wait settle;
        QTimer::singleShot(500, [&] { settle.quit(); });
        settle("the page to settle"); // the last load's own work done
    }
    for (int n = 0; n < 2 * (count + WarmUp); ++n) {
        Wait done;
        qint64 start = 0;
        qint64 end = 0;
        if (n % 2 == 0) {
            // Alternate the sets so that every fill changes the values it writes.
            const CredentialSet &set = Sets[(n / 2 + 1) % 2];
            int written = -2;
            start = clock.nsecsElapsed();
            web->fillHiddenInputs(lastUrl,
                                  {
                                      {QStringLiteral("ii"), EncodeCredential(set.ii)},
                                      {QStringLiteral("i"), EncodeCredential(set.i)},
                                      {QStringLiteral("r"), EncodeCredential(set.r)},
                                      {QStringLiteral("p"), EncodeCredential(set.p)},
                                  },
                                  [&](int inputs) {
                                      end = clock.nsecsElapsed();
                                      written = inputs;
                                      done.quit();
                                  });
            done("a fill");
            if (written != 4)
                fail(QStringLiteral("a fill wrote %1 inputs, not 4").arg(written));
            Wait check;
            QString values;
            page->runJavaScript(ReadBack, BrowserPage::HiddenFromPageWorld, [&](const QVariant &result) {
                values = result.toString();
                check.quit();
            });
            check("the read-back");
            if (values != expectedValues(set))
                fail(QStringLiteral("after a fill the page holds \"%1\"").arg(values));
        } else {
            start = clock.nsecsElapsed();
            page->runJavaScript(QString(), BrowserPage::HiddenFromPageWorld, [&](const QVariant &) {
                end = clock.nsecsElapsed();
                done.quit();
            });
            done("an empty script");
        }
        if (n >= 2 * WarmUp)
            (n % 2 == 0 ? fillIdle : emptyIdle).ms.push_back(static_cast<double>(end - start) / 1e6);
    }

    for (const Row *row : {&fillAtComplete, &noFillAtComplete, &fillIdle, &emptyIdle})
        print(*row);
    return 0;
}
