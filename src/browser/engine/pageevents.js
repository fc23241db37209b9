// The event sink of every document of the page, in the isolated world of each frame:
// mouse down, focus, selection, activation and a frame's late completion. Frames report to
// the top document (directly where the origin allows, by postMessage where it differs),
// and the top document passes the events on to the application through the web channel.
(function () {
    'use strict';
    // Only the window's own members: an element with that id or name is found on the
    // window too, in this world as well.
    var hasOwn = Object.prototype.hasOwnProperty;
    if (hasOwn.call(window, '__calverdineEvents'))
        return;
    window.__calverdineEvents = true;

    var isTop = window === window.top;
    var TEXT_INPUT_TYPES = { text: 1, password: 1, search: 1, email: 1, url: 1, tel: 1, number: 1 };

    function editable(el) {
        if (!el || !el.tagName)
            return false;
        var tag = String(el.tagName).toUpperCase();
        if (tag === 'TEXTAREA')
            return true;
        if (tag === 'INPUT')
            return !!TEXT_INPUT_TYPES[String(el.type).toLowerCase()];
        return !!el.isContentEditable;
    }

    // ---- the top document: relay to the application ----
    if (isTop) {
        var queue = [];
        var bridge = null;
        var topLoadStart = 0;

        window.__calverdineRelay = function (message, doc, el) {
            // A frame that started loading after the top page's load event is a frame that
            // loads later; frames of the page's own load are complete with it.
            if (message.k === 'ready') {
                if (!topLoadStart || !(message.t >= topLoadStart))
                    return;
            }
            var where = hasOwn.call(window, '__calverdine') ? window.__calverdine.locate(doc, el) : { doc: -1, el: -1 };
            message.doc = doc === null ? -1 : where.doc;
            message.el = where.el;
            delete message.t;
            var text = JSON.stringify(message);
            if (bridge)
                bridge.documentEvent(text);
            else if (queue.length < 1000)
                queue.push(text);
        };

        window.addEventListener('load', function () {
            topLoadStart = performance.timeOrigin + performance.now();
        });

        window.addEventListener('message', function (event) {
            var data = event.data;
            if (!data || typeof data !== 'object' || !data.__calverdineEvent)
                return;
            var message = data.__calverdineEvent;
            if (typeof message !== 'object' || typeof message.k !== 'string')
                return;
            // Events of a frame of another origin: its document is not reachable.
            window.__calverdineRelay({ k: message.k, t: Number(message.t), text: String(message.text || '') }, null, null);
        });

        if (typeof qt !== 'undefined' && qt.webChannelTransport && typeof QWebChannel !== 'undefined') {
            new QWebChannel(qt.webChannelTransport, function (channel) {
                bridge = channel.objects.calverdineBridge;
                window.__calverdineBridge = bridge;
                for (var i = 0; i < queue.length; i++)
                    bridge.documentEvent(queue[i]);
                queue = [];
            });
        }
    }

    // ---- every document: the sink ----
    function send(message, el) {
        if (isTop) {
            window.__calverdineRelay(message, document, el);
            return;
        }
        try {
            var relay = window.top.__calverdineRelay;
            if (typeof relay === 'function') {
                relay(message, document, el);
                return;
            }
        } catch (e) {
            // another origin: below
        }
        try {
            window.top.postMessage({ __calverdineEvent: { k: message.k, t: message.t, text: message.text } }, '*');
        } catch (e) {
            // the top window is gone
        }
    }

    function selectionText() {
        var el = document.activeElement;
        if (el && editable(el) && typeof el.selectionStart === 'number') {
            try {
                return String(el.value).substring(el.selectionStart, el.selectionEnd);
            } catch (e) {
                return '';
            }
        }
        var selection = document.getSelection();
        return selection ? selection.toString() : '';
    }

    document.addEventListener('mousedown', function () {
        send({ k: 'mousedown' }, null);
    }, true);

    document.addEventListener('focusin', function (event) {
        var el = event.target;
        if (editable(el))
            send({ k: 'editfocus' }, el);
        send({ k: 'focusin' }, el);
    }, true);

    document.addEventListener('focusout', function (event) {
        if (editable(event.target))
            send({ k: 'editblur' }, event.target);
        send({ k: 'focusout' }, event.target);
    }, true);

    var selectionPending = false;
    document.addEventListener('selectionchange', function () {
        // Caret moves come in bursts: one report per burst.
        if (selectionPending)
            return;
        selectionPending = true;
        setTimeout(function () {
            selectionPending = false;
            send({ k: 'selection', text: selectionText() }, document.activeElement);
        }, 50);
    });

    window.addEventListener('focus', function () {
        send({ k: 'activate' }, null);
    });
    window.addEventListener('blur', function () {
        send({ k: 'deactivate' }, null);
    });

    if (!isTop) {
        document.addEventListener('readystatechange', function () {
            if (document.readyState === 'complete')
                send({ k: 'ready', t: performance.timeOrigin }, null);
        });
    }
})();
