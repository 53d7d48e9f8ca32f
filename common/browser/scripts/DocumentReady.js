// Runs in every frame once its document is parsed, in the binding's own script world.
// Reports when the document has completely loaded: a frame's load event fires only
// after its own frames have loaded, so frames report before the document holding them
// and the top document reports last. The top document tells its kind again: an empty
// page (about:blank) never runs the scripts of document creation.
(function (token) {
    'use strict';
    const report = () => console.log(token + JSON.stringify({
        event: 'complete',
        url: location.href,
        top: window.top === window,
        contentType: document.contentType
    }));
    if (document.readyState === 'complete')
        report();
    else
        window.addEventListener('load', report, { once: true });
})
