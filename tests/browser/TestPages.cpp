#include "TestPages.h"

#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <memory>
#include <optional>

namespace {

void html(httplib::Response &res, const std::string &body)
{
    res.set_content("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
                    "<body style=\"margin:0\">"
                        + body + "</body></html>",
                    "text/html; charset=utf-8");
}

std::string frame(const QString &src, int left, int top, int width, int height)
{
    return QStringLiteral("<iframe src=\"%1\" style=\"position:absolute;border:0;left:%2px;top:%3px;"
                          "width:%4px;height:%5px\"></iframe>")
        .arg(src)
        .arg(left)
        .arg(top)
        .arg(width)
        .arg(height)
        .toStdString();
}

// A link filling a known box, so that a click at a known point lands on it.
std::string link(const char *id, const char *href, int left, int top)
{
    return QStringLiteral("<a id=\"%1\" href=\"%2\" style=\"position:absolute;display:block;left:%3px;top:%4px;"
                          "width:150px;height:80px\">%1</a>")
        .arg(QLatin1String(id), QLatin1String(href))
        .arg(left)
        .arg(top)
        .toStdString();
}

// Watches the mouse in the top document and in frames of any origin; every document
// reports to the top one, which keeps the count: the right button's events and menu
// requests as "<where> <event type>", left presses per place, and calls of the marker.
const char *const inputWatch = R"(<script>
if (window.top === window) {
    window.rightEvents = [];
    window.leftPresses = { top: 0, frame: 0 };
    window.markerCalls = 0;
    addEventListener('message', (event) => {
        const note = event.data;
        if (note.kind === 'right')
            window.rightEvents.push(note.where + ' ' + note.type);
        else if (note.kind === 'left')
            ++window.leftPresses[note.where];
        else if (note.kind === 'marker')
            ++window.markerCalls;
    });
}
const where = window.top === window ? 'top' : 'frame';
for (const type of ['mousedown', 'mouseup', 'dblclick', 'auxclick', 'contextmenu']) {
    addEventListener(type, (event) => {
        if (event.type === 'contextmenu' || event.button === 2)
            window.top.postMessage({ kind: 'right', where: where, type: event.type }, '*');
        else if (event.type === 'mousedown' && event.button === 0)
            window.top.postMessage({ kind: 'left', where: where }, '*');
    }, true);
}
function OnGoPatMaker() { window.top.postMessage({ kind: 'marker' }, '*'); }
</script>)";

} // namespace

TestPages::TestPages()
{
    addPages(m_a.server());
    addPages(m_b.server());
    m_a.start();
    m_b.start();
}

void TestPages::addPages(httplib::Server &s)
{
    s.Get("/plain", [](const httplib::Request &, httplib::Response &res) {
        html(res, link("next", "/second", 0, 0) + "<p style=\"margin-top:100px\">plain</p>");
    });
    s.Get("/second", [](const httplib::Request &, httplib::Response &res) { html(res, "<p>second</p>"); });
    s.Get("/redirect", [](const httplib::Request &, httplib::Response &res) { res.set_redirect("/second"); });
    s.Get("/text", [](const httplib::Request &, httplib::Response &res) {
        res.set_content("just text", "text/plain; charset=utf-8");
    });
    // A same-origin frame and a frame of the other server.
    s.Get("/frames", [this](const httplib::Request &, httplib::Response &res) {
        html(res, frame(a("/second"), 0, 0, 200, 100) + frame(b("/plain"), 220, 0, 200, 100));
    });
    // A frame in a frame: the outer frame is ours, the inner one of the other server.
    s.Get("/nested",
          [this](const httplib::Request &, httplib::Response &res) { html(res, frame(a("/outer"), 0, 0, 400, 300)); });
    // A frame nobody answers (nothing listens on port 1 of the loopback).
    s.Get("/unreachable-frame", [](const httplib::Request &, httplib::Response &res) {
        html(res, frame(QStringLiteral("http://127.0.0.1:1/"), 0, 0, 300, 200));
    });
    s.Get("/outer",
          [this](const httplib::Request &, httplib::Response &res) { html(res, frame(b("/second"), 0, 0, 300, 200)); });
    // A frame of the other server holding a link to the service's page script marker.
    s.Get("/marker-top", [this](const httplib::Request &, httplib::Response &res) {
        html(res, inputWatch + frame(b("/marker-frame"), 0, 0, 300, 200));
    });
    s.Get("/marker-frame", [](const httplib::Request &, httplib::Response &res) {
        html(res, inputWatch + link("marker", "javascript:OnGoPatMaker()", 0, 0));
    });
    // Hidden inputs to fill, decoys beside them, and a page that tries to intercept
    // every write: its value setters (on the prototype and on one element) spoil the value.
    s.Get("/fill", [](const httplib::Request &, httplib::Response &res) {
        html(res, R"(<form>
<input type="hidden" name="ii" value="old ii">
<input type="HIDDEN" name="i" value="old i">
<input type="hidden" name="r" value="old r" id="guarded">
<input type="hidden" name="p" value="old p 1">
<input type="hidden" name="p" value="old p 2">
<input type="text" name="ii" value="visible ii">
<input type="hidden" name="P" value="upper P">
<input type="hidden" name="x" value="other x">
</form>
<script>
const nativeValue = Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, 'value');
window.setterCalls = 0;
const spoil = {
    configurable: true,
    get() { return nativeValue.get.call(this); },
    set(value) { ++window.setterCalls; nativeValue.set.call(this, 'intercepted'); }
};
Object.defineProperty(HTMLInputElement.prototype, 'value', spoil);
Object.defineProperty(document.getElementById('guarded'), 'value', spoil);
window.readFields = () => Array.from(document.getElementsByTagName('input'),
    (input) => input.getAttribute('type') + ' ' + input.name + '=' + input.value);
</script>)");
    });
    // The fill page inside a frame of the same origin.
    s.Get("/fill-frame", [this](const httplib::Request &, httplib::Response &res) {
        html(res,
             "<form><input type=\"hidden\" name=\"p\" value=\"top p\"></form>" + frame(a("/fill"), 0, 50, 300, 200));
    });
    // A page that answers only when the test lets it.
    s.Get("/stall", [this](const httplib::Request &, httplib::Response &res) {
        for (int i = 0; i < 200 && !m_release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        html(res, "<p>late</p>");
    });
    // The top document on the left, a frame of the other server on the right.
    s.Get("/rightclick", [this](const httplib::Request &, httplib::Response &res) {
        html(res, inputWatch + link("next", "/second", 0, 0) + frame(b("/rightclick-frame"), 250, 0, 250, 200));
    });
    s.Get("/rightclick-frame", [](const httplib::Request &, httplib::Response &res) {
        html(res, std::string(inputWatch) + "<p style=\"height:200px\">frame</p>");
    });
}

TestPages::~TestPages()
{
    m_release = true;
}

QVariant evaluateInPage(QWebEnginePage *page, const QString &script)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, QWebEngineScript::MainWorld, [result](const QVariant &value) { *result = value; });
    if (!QTest::qWaitFor([&] { return result->has_value(); }, 10000))
        qWarning("page script gave no answer: %s", qPrintable(script));
    return result->value_or(QVariant());
}

bool pressUntilSeen(QWebEngineView *view, QPoint point, const QString &where,
                    const std::function<void(QPoint)> &clickAt)
{
    // The engine takes input only once it has drawn the frame under the mouse; until
    // then clicks are lost. Press again until the page has seen one.
    const QString count = QStringLiteral("window.leftPresses.%1").arg(where);
    const int before = evaluateInPage(view->page(), count).toInt();
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (!view->focusProxy()) {
            QTest::qWait(250);
            continue;
        }
        if (clickAt)
            clickAt(point);
        else
            QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, point);
        if (QTest::qWaitFor([&] { return evaluateInPage(view->page(), count).toInt() > before; }, 250))
            return true;
    }
    return false;
}

QStringList rightButtonEvents(QWebEnginePage *page)
{
    return evaluateInPage(page, QStringLiteral("window.rightEvents")).toStringList();
}
