#include "BrowserView.h"

#include "AppError.h"
#include "BrowserPage.h"
#include "RightClickFilter.h"

#include <QJsonObject>
#include <QPointer>
#include <QWebEngineHistory>

BrowserView::BrowserView(QWidget *parent)
    : QWebEngineView(parent)
    , m_page(new BrowserPage(this))
    , m_rightClickFilter(new RightClickFilter(this))
{
    setPage(m_page);

    connect(m_page, &BrowserPage::navigationRequested, this, &BrowserView::beforeNavigate);
    connect(m_page, &BrowserPage::scriptReport, this, &BrowserView::takeScriptReport);

    connect(m_page, &QWebEnginePage::loadProgress, this,
            [this](int progress) { emit progressChange(progress, ProgressMax); });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this] { emit progressChange(-1, ProgressMax); });
    connect(m_page, &QWebEnginePage::linkHovered, this, &BrowserView::statusTextChange);

    // The history changes when a document commits (the address changes, or a frame's does)
    // and when a renderer is lost; each of these is a moment to look at it again.
    connect(m_page, &QWebEnginePage::urlChanged, this, &BrowserView::updateCommandState);
    connect(m_page, &QWebEnginePage::loadStarted, this, &BrowserView::updateCommandState);
    connect(m_page, &QWebEnginePage::loadFinished, this, &BrowserView::updateCommandState);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, &BrowserView::updateCommandState);

    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, [this] {
        // The document went with its renderer.
        m_rendererGone = true;
        m_hasDocument = false;
        m_isHtmlDocument = false;
        for (const auto &pending : QList(m_pendingFills))
            finishFill(pending, -1);
    });
    connect(m_page, &QWebEnginePage::renderProcessPidChanged, this, [this](qint64 pid) {
        if (pid != 0)
            m_rendererGone = false;
    });
}

BrowserView::~BrowserView() = default;

void BrowserView::Navigate(const QString &url)
{
    const QUrl target(url);
    if (url.trimmed().isEmpty() || !target.isValid() || target.isRelative())
        throw AppError(QStringLiteral("アドレスが正しくありません。\r\n%1").arg(url));
    m_page->load(target);
}

void BrowserView::GoBack()
{
    if (!history()->canGoBack())
        throw AppError(QStringLiteral("戻る先のページがありません。"));
    history()->back();
}

void BrowserView::GoForward()
{
    if (!history()->canGoForward())
        throw AppError(QStringLiteral("進む先のページがありません。"));
    history()->forward();
}

void BrowserView::Stop()
{
    m_page->triggerAction(QWebEnginePage::Stop);
}

void BrowserView::fillHiddenInputs(const QString &expectedUrl, const QList<Field> &fields,
                                   std::function<void(int written)> done)
{
    QJsonArray pairs;
    for (const Field &field : fields)
        pairs.append(QJsonArray {field.first, field.second});
    const QString source = BrowserPage::scriptCall(QStringLiteral("FillHiddenInputs.js"), {expectedUrl, pairs});

    // The engine drops the answer of a script whose renderer is gone: answer such a
    // fill ourselves, once, so the caller always hears back.
    auto pending = std::make_shared<std::function<void(int)>>(done ? std::move(done) : [](int) {});
    m_pendingFills.append(pending);
    if (m_rendererGone) {
        QMetaObject::invokeMethod(
            this, [this, pending] { finishFill(pending, -1); }, Qt::QueuedConnection);
        return;
    }
    m_page->runJavaScript(source, BrowserPage::HiddenFromPageWorld,
                          [view = QPointer<BrowserView>(this), pending](const QVariant &result) {
                              if (view)
                                  view->finishFill(pending, result.isValid() ? result.toInt() : -1);
                          });
}

void BrowserView::finishFill(const std::shared_ptr<std::function<void(int)>> &pending, int written)
{
    if (!m_pendingFills.removeOne(pending))
        return; // answered already
    (*pending)(written);
}

void BrowserView::focusPage()
{
    setFocus(Qt::OtherFocusReason);
    m_page->runJavaScript(BrowserPage::scriptCall(QStringLiteral("FocusWindow.js")), BrowserPage::HiddenFromPageWorld);
}

void BrowserView::takeScriptReport(const QJsonObject &report)
{
    const QString event = report.value(QLatin1String("event")).toString();
    const QString url = report.value(QLatin1String("url")).toString();
    if (event == QLatin1String("navigate")) {
        emit beforeNavigate(url);
    } else if (event == QLatin1String("document")) {
        takeTopDocumentKind(report);
    } else if (event == QLatin1String("complete")) {
        const bool isTop = report.value(QLatin1String("top")).toBool();
        if (isTop)
            takeTopDocumentKind(report);
        // A frame that navigates on its own changes the history without any other sign.
        updateCommandState();
        // When an address cannot be loaded the engine shows its own error page in its
        // place; it stands for that address, so reloading it tries the address again.
        // (In a frame the failed address is unknown: the error page's own one is given.)
        if (isTop && url.startsWith(QLatin1String("chrome-error:")))
            emit documentComplete(m_page->url().toString(QUrl::FullyEncoded), true);
        else
            emit documentComplete(url, isTop);
    }
}

void BrowserView::takeTopDocumentKind(const QJsonObject &report)
{
    const QString contentType = report.value(QLatin1String("contentType")).toString();
    m_hasDocument = true;
    m_isHtmlDocument
        = contentType == QLatin1String("text/html") || contentType == QLatin1String("application/xhtml+xml");
}

void BrowserView::updateCommandState()
{
    const bool canGoForward = history()->canGoForward();
    const bool canGoBack = history()->canGoBack();
    if (canGoForward != m_canGoForward) {
        m_canGoForward = canGoForward;
        emit commandStateChange(CommandForward, canGoForward);
    }
    if (canGoBack != m_canGoBack) {
        m_canGoBack = canGoBack;
        emit commandStateChange(CommandBack, canGoBack);
    }
}
