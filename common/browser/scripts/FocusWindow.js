// Gives the page's window the focus, from the binding's own script world.
(function () {
    'use strict';
    window.focus();
})
