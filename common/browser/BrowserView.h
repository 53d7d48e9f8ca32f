#pragma once

#include <QList>
#include <QPair>
#include <QWebEngineView>

#include <functional>
#include <memory>

class BrowserPage;
class RightClickFilter;

// The embedded browser of the main window: Qt WebEngine turned into the events and
// commands the main window's handlers are written against. Everything happens on the
// main thread; the events are delivered there. Right clicks on the page open no menu
// from the moment the view exists (RightClickFilter).
class BrowserView : public QWebEngineView
{
    Q_OBJECT

public:
    // The commands of commandStateChange.
    enum Command
    {
        CommandForward = 1,
        CommandBack = 2,
    };
    // The maximum of every progressChange.
    static constexpr int ProgressMax = 100;

    using Field = QPair<QString, QString>; // name and value of a hidden input

    explicit BrowserView(QWidget *parent = nullptr);
    ~BrowserView() override;

    // Opens the URL in the view. Throws AppError when the text is not an absolute URL;
    // a URL the engine cannot load fails later, without an exception (see loadFinished).
    void Navigate(const QString &url);
    // Step through the history. Throw AppError when there is no entry in that direction.
    void GoBack();
    void GoForward();
    // Stops loading. The engine reports no failure for it, so it never throws.
    void Stop();

    // Whether the view holds a top-level document, and whether it is an HTML one
    // (content type text/html or application/xhtml+xml). Both describe the latest top
    // document created, so they are already current while its frames report completion.
    // No document before the first one, nor after the renderer is lost.
    bool hasDocument() const { return m_hasDocument; }
    bool isHtmlDocument() const { return m_isHtmlDocument; }

    // In the top document only, and only when its address is still expectedUrl when the
    // script runs: sets the value of every input whose type property is "hidden" (so
    // type="HIDDEN" too) and whose name equals, case-sensitively, the name of one of the
    // fields (the first such field gives the value). done receives, always later and once,
    // the number of inputs written (0 when the address differs), or -1 when the page could
    // not run the script (no renderer, or it was lost meanwhile).
    void fillHiddenInputs(const QString &expectedUrl, const QList<Field> &fields,
                          std::function<void(int written)> done = {});
    // Gives the page the keyboard focus: the view's and the page window's.
    void focusPage();

signals:
    // Before every navigation of the top document or of a frame (first loads, links,
    // redirects, history steps), and for every click on a javascript: link in any frame.
    // Navigations are never cancelled.
    void beforeNavigate(const QString &url);
    // Once for every frame and once for the top document when each has loaded completely:
    // the frames first, the top last. url is the document's address. When the top address
    // cannot be loaded, the engine's error page completes in its place, as that address
    // (loadFinished then says false); a frame's error page gives the engine's own address.
    void documentComplete(const QString &url, bool isTop);
    // Whether forward (CommandForward) or back (CommandBack) can be used; sent whenever
    // that changes. Both start disabled.
    void commandStateChange(int command, bool enable);
    // Loading progress out of ProgressMax while the top document loads (0 as it starts);
    // -1 when it has ended, also when it failed or was stopped. A frame that navigates on
    // its own sends none.
    void progressChange(int progress, int progressMax);
    // The status text: the address of the link under the mouse, empty when none (also
    // sent as a load starts).
    void statusTextChange(const QString &text);

private:
    void takeScriptReport(const QJsonObject &report);
    void takeTopDocumentKind(const QJsonObject &report);
    void updateCommandState();
    void finishFill(const std::shared_ptr<std::function<void(int)>> &pending, int written);

    BrowserPage *m_page;
    RightClickFilter *m_rightClickFilter;
    bool m_hasDocument = false;
    bool m_isHtmlDocument = false;
    bool m_canGoBack = false;
    bool m_canGoForward = false;
    bool m_rendererGone = false;
    QList<std::shared_ptr<std::function<void(int)>>> m_pendingFills;
};
