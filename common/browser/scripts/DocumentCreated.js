// Runs in every frame as its document is created, in the binding's own script world,
// so the page can neither see nor silence it.
// The top document tells what kind of document it is, so the client can answer
// "is there an HTML document?" at once when the frames report their completion.
// Clicks on javascript: links never reach the engine's navigation check, so they are
// reported from here, in the capture phase on the window, before any listener of the page.
(function (token) {
    'use strict';
    const send = (report) => console.log(token + JSON.stringify(report));
    if (window.top === window)
        send({ event: 'document', url: location.href, contentType: document.contentType });
    window.addEventListener('click', (event) => {
        const target = event.target;
        if (!(target instanceof Element))
            return;
        const link = target.closest('a[href], area[href]');
        if (link && link.protocol === 'javascript:')
            send({ event: 'navigate', url: link.href });
    }, true);
})
