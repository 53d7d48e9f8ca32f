// Writes values into the top document's hidden inputs, from the binding's own script
// world: the page's scripts cannot watch or intercept the writes (setters it defines
// on its inputs or their prototype are never called), yet they read the values after.
// Nothing is written unless the document is still the one the caller expects.
// Returns the number of inputs written.
(function (expectedUrl, fields) {
    'use strict';
    if (location.href !== expectedUrl)
        return 0;
    const inputs = document.getElementsByTagName('INPUT');
    const count = inputs.length;
    let written = 0;
    for (let i = 0; i < count; ++i) {
        const input = inputs[i];
        if (!(input instanceof HTMLInputElement))
            continue;
        // The type property, not the attribute: it reads "hidden" for type="HIDDEN" too.
        if (input.type !== 'hidden')
            continue;
        for (const [name, value] of fields) {
            if (input.name === name) {
                input.value = value;
                ++written;
                break;
            }
        }
    }
    return written;
})
