// The page side of the live page channel, in the isolated world of the top document:
// the snapshot of every reachable document (docs/snapshot-format.md), the refresh of live
// values, the batched writes, and text appended to a field. Defined once per document;
// every call sends this text first, so the library is there even where no user script ran.
(function () {
    'use strict';
    // Only the window's own members: an element with that id or name is found on the
    // window too, in this world as well.
    if (Object.prototype.hasOwnProperty.call(window, '__calverdine'))
        return;

    var FORMAT = 1;
    var MAX_DEPTH = 250;
    var MODEL_SELECTOR = 'input,select,textarea,button,fieldset,object,output,form,a,meta,script,iframe,frame,frameset';
    var HTML_NAMESPACE = 'http://www.w3.org/1999/xhtml';
    var TEXT_INPUT_TYPES = { text: 1, password: 1, search: 1, email: 1, url: 1, tel: 1 };

    // Pages may shadow document and form members with named elements (a field named
    // "elements" or a form named "forms"); the prototypes' own members are read instead.
    function getter(proto, name) {
        return Object.getOwnPropertyDescriptor(proto, name).get;
    }
    var docForms = getter(Document.prototype, 'forms');
    var docScripts = getter(Document.prototype, 'scripts');
    var docUrl = getter(Document.prototype, 'URL');
    var docTitle = getter(Document.prototype, 'title');
    var docReadyState = getter(Document.prototype, 'readyState');
    var docBody = getter(Document.prototype, 'body');
    var docContentType = getter(Document.prototype, 'contentType');
    var docQuery = Document.prototype.querySelectorAll;
    var docById = Document.prototype.getElementById;
    var formElements = getter(HTMLFormElement.prototype, 'elements');
    var formMethod = getter(HTMLFormElement.prototype, 'method');
    var formSubmit = HTMLFormElement.prototype.submit;
    var formReset = HTMLFormElement.prototype.reset;
    var elementId = getter(Element.prototype, 'id');
    var elementTag = getter(Element.prototype, 'tagName');
    var elementAttribute = Element.prototype.getAttribute;
    var elementMatches = Element.prototype.matches;
    // Members a form's named fields shadow on the form itself.
    var elementNamespace = getter(Element.prototype, 'namespaceURI');
    var nodeConnected = getter(Node.prototype, 'isConnected');
    var nodeOwnerDocument = getter(Node.prototype, 'ownerDocument');
    var nodePosition = Node.prototype.compareDocumentPosition;
    var docView = getter(Document.prototype, 'defaultView');

    // fields: handle, kind and document of every field, three numbers each, in handle order.
    var state = { token: 0, elements: [], documents: [], fields: [] };
    var FIELD_INPUT = 0, FIELD_TEXTAREA = 1, FIELD_SELECT = 2;
    // Each element's handle is kept on the element's wrapper of this script world (the page
    // never sees it) and is valid while the list of the last snapshot holds it there.
    var HANDLE = Symbol('handle');

    function attribute(el, name) {
        var value = elementAttribute.call(el, name);
        return value === null ? '' : value;
    }

    function tagOf(el) {
        return String(elementTag.call(el)).toUpperCase();
    }

    // The element's own members are read directly, which is much faster than through the
    // prototype's getter; only a form's members can be shadowed by its named fields (a field
    // named "id" or "tagName"), and those give an element instead of a text.
    function fastTag(el) {
        var tag = el.tagName;
        return (typeof tag === 'string' ? tag : String(elementTag.call(el))).toUpperCase();
    }

    function idOf(el) {
        var id = el.id;
        return typeof id === 'string' ? id : str(elementId.call(el));
    }

    function handleOf(el) {
        if (!el || typeof el !== 'object')
            return -1;
        var h = el[HANDLE];
        return h !== undefined && state.elements[h] === el ? h : -1;
    }

    function register(el) {
        var h = handleOf(el);
        if (h >= 0)
            return h;
        h = state.elements.length;
        el[HANDLE] = h;
        state.elements.push(el);
        return h;
    }

    // Fields at their defaults (empty text, false) are left out: readers take them as such.
    function put(o, key, value) {
        if (value)
            o[key] = value;
    }

    function str(value) {
        return value === undefined || value === null ? '' : String(value);
    }

    function startTag(el) {
        var text = '<' + String(elementTag.call(el)).toLowerCase();
        for (var i = 0; i < el.attributes.length; i++) {
            var a = el.attributes[i];
            text += ' ' + a.name + '="' + a.value.replace(/&/g, '&amp;').replace(/"/g, '&quot;') + '"';
        }
        return text + '>';
    }

    function isHtmlElement(el) {
        return elementNamespace.call(el) === HTML_NAMESPACE;
    }

    var CHECKED = 1, READ_ONLY = 2, DISABLED = 4, MULTIPLE = 8;

    // The fields, most of a big page, are written as rows rather than objects: the answer
    // is about half as long and quicker to make and to read. The text of an element the
    // caller asked for by id comes last.
    function fieldRow(el, tag, h, id, formOf) {
        var flags = (el.readOnly ? READ_ONLY : 0) | (el.disabled ? DISABLED : 0);
        if (tag === 'INPUT') {
            var type = str(el.type).toLowerCase();
            // A form's list leaves out its image buttons: those ask for their form.
            var form = type === 'image' ? handleOf(el.form) : (formOf.owner[h] === undefined ? -1 : formOf.owner[h]);
            return ['INPUT', h, id, type, str(el.name), str(el.value), flags | (el.checked ? CHECKED : 0), form];
        }
        if (tag === 'TEXTAREA')
            return ['TEXTAREA', h, id, str(el.name), str(el.value), flags];
        var options = el.options;
        var list = new Array(options.length * 3);
        for (var i = 0; i < options.length; i++) {
            var option = options[i];
            list[i * 3] = str(option.value);
            list[i * 3 + 1] = str(option.text);
            list[i * 3 + 2] = option.selected ? 1 : 0;
        }
        return ['SELECT', h, id, str(el.name), (el.disabled ? DISABLED : 0) | (el.multiple ? MULTIPLE : 0), list];
    }

    // Elements of inline SVG or MathML (an SVG link is no HTML anchor: its href is no
    // address) carry their namespace in the tag, so the model never takes them for the
    // HTML elements of the same name; only their id and text are read.
    // The id and the namespace are read once, by the caller; the form of a field comes from
    // its form's list (formOf), where every form of the document has put its own.
    function describe(el, h, id, html, formOf, innerTextIds) {
        var tag = html ? fastTag(el) : '';
        var withText = id && innerTextIds.indexOf(id) >= 0;
        if (tag === 'INPUT' || tag === 'TEXTAREA' || tag === 'SELECT') {
            var row = fieldRow(el, tag, h, id, formOf);
            if (withText)
                row.push(str(el.innerText));
            return row;
        }
        var o = { h: h, tag: html ? tag : (el.namespaceURI === 'http://www.w3.org/2000/svg' ? 'SVG:' : 'XML:') + tagOf(el) };
        if (id)
            o.id = id;
        switch (tag) {
        case 'BUTTON':
        case 'FIELDSET':
        case 'OBJECT':
        case 'OUTPUT':
            put(o, 'name', str(el.name));
            put(o, 'type', str(el.type));
            put(o, 'disabled', el.disabled);
            break;
        case 'FORM':
            o.name = attribute(el, 'name');
            o.action = attribute(el, 'action');
            o.method = str(formMethod.call(el));
            o.items = formOf.items[h] || [];
            break;
        case 'A':
            o.href = str(el.href);
            o.text = str(el.innerText);
            for (var c = el.children.length - 1; c >= 0; c--) {
                var child = el.children[c];
                if (tagOf(child) === 'IMG') {
                    o.imgAlt = attribute(child, 'alt');
                    o.imgSrc = str(child.src);
                    break;
                }
            }
            break;
        case 'META':
            o.httpEquiv = str(el.httpEquiv);
            o.content = str(el.content);
            break;
        case 'SCRIPT':
            o.src = attribute(el, 'src');
            o.text = str(el.text);
            o.type = attribute(el, 'type');
            o.language = attribute(el, 'language');
            break;
        case 'IFRAME':
        case 'FRAME':
            o.name = str(el.name);
            o.src = attribute(el, 'src');
            break;
        case 'FRAMESET':
            o.rows = attribute(el, 'rows');
            o.cols = attribute(el, 'cols');
            o.outerHTML = startTag(el);
            o.children = [];
            for (var k = 0; k < el.children.length; k++) {
                var t = tagOf(el.children[k]);
                if (t === 'FRAME' || t === 'FRAMESET')
                    o.children.push(handleOf(el.children[k]));
            }
            break;
        }
        if (withText)
            o.innerText = str(el.innerText);
        return o;
    }

    function documentOrder(a, b) {
        if (a === b)
            return 0;
        return (nodePosition.call(a, b) & Node.DOCUMENT_POSITION_FOLLOWING) ? -1 : 1;
    }

    function pixels(text) {
        var n = parseInt(text, 10);
        return isNaN(n) ? 0 : n;
    }

    function describeDocument(win, doc, id, innerTextIds, fetches) {
        var found = docQuery.call(doc, MODEL_SELECTOR);
        var list = [];
        var withId = [];
        var ids = [];
        for (var q = 0; q < found.length; q++) {
            var el = found[q];
            if (!isHtmlElement(el))
                continue;
            list.push(el);
            var elId = idOf(el);
            ids.push(elId);
            if (elId)
                withId.push(elId);
        }
        // Elements found by id but outside the model's tags (the screen's id element).
        var extras = [];
        var seen = null;
        function addExtra(el) {
            if (!el)
                return;
            if (!seen)
                seen = new Set(list);
            if (!seen.has(el)) {
                seen.add(el);
                extras.push(el);
            }
        }
        for (var i = 0; i < innerTextIds.length; i++)
            addExtra(docById.call(doc, innerTextIds[i]));
        for (var j = 0; j < withId.length; j++)
            addExtra(docById.call(doc, withId[j]));
        if (extras.length) {
            list = list.concat(extras);
            list.sort(documentOrder);
            ids = list.map(idOf);
        }
        // Only an element found by id may be of another namespace.
        var extraSet = extras.length ? new Set(extras) : null;
        for (var r = 0; r < list.length; r++)
            register(list[r]);
        // Each form's fields, and so each field's form, in one read of the form's list.
        var forms = docForms.call(doc);
        var formOf = { owner: [], items: [] };
        for (var g = 0; g < forms.length; g++) {
            var fh = handleOf(forms[g]);
            if (fh < 0)
                continue;
            var items = formElements.call(forms[g]);
            var handles = [];
            for (var k = 0; k < items.length; k++) {
                var item = handleOf(items[k]);
                if (item >= 0) {
                    handles.push(item);
                    formOf.owner[item] = fh;
                }
            }
            formOf.items[fh] = handles;
        }

        var d = {
            id: id,
            url: str(docUrl.call(doc)),
            title: str(docTitle.call(doc)),
            readyState: str(docReadyState.call(doc)),
            frames: [],
            body: null,
            elements: [],
            forms: [],
            scripts: [],
            ids: {},
            scriptTexts: {}
        };
        for (var e = 0; e < list.length; e++) {
            var h = handleOf(list[e]);
            var described = describe(list[e], h, ids[e],
                                     !extraSet || !extraSet.has(list[e]) || isHtmlElement(list[e]), formOf, innerTextIds);
            d.elements.push(described);
            if (Array.isArray(described))
                state.fields.push(h, described[0] === 'INPUT' ? FIELD_INPUT : described[0] === 'TEXTAREA' ? FIELD_TEXTAREA : FIELD_SELECT, id);
            if (ids[e] && !Object.prototype.hasOwnProperty.call(d.ids, ids[e]) && docById.call(doc, ids[e]) === list[e])
                d.ids[ids[e]] = h;
            if (described.tag === 'SCRIPT' && described.src)
                fetches.push({ doc: d, src: str(list[e].src) });
        }
        for (var f = 0; f < forms.length; f++) {
            if (handleOf(forms[f]) >= 0)
                d.forms.push(handleOf(forms[f]));
        }
        var scripts = docScripts.call(doc);
        for (var s = 0; s < scripts.length; s++) {
            if (handleOf(scripts[s]) >= 0)
                d.scripts.push(handleOf(scripts[s]));
        }

        var body = docBody.call(doc);
        if (body && tagOf(body) !== 'FRAMESET') {
            var style = win.getComputedStyle(body);
            d.body = {
                h: register(body),
                scrollWidth: body.scrollWidth,
                scrollHeight: body.scrollHeight,
                leftMargin: pixels(style.marginLeft),
                rightMargin: pixels(style.marginRight),
                topMargin: pixels(style.marginTop),
                bottomMargin: pixels(style.marginBottom)
            };
        }
        return d;
    }

    var contentWindow = getter(HTMLIFrameElement.prototype, 'contentWindow');
    var frameContentWindow = getter(HTMLFrameElement.prototype, 'contentWindow');

    // The FRAME and IFRAME elements of a document, in document order, each with its own
    // window. The engine lists a document's child windows in the order they were made, so a
    // frame that a script inserts before another is not paired by position.
    function frameWindows(doc) {
        var list = docQuery.call(doc, 'iframe,frame');
        var out = [];
        out.elements = list;
        for (var i = 0; i < list.length; i++) {
            var el = list[i];
            var tag = tagOf(el);
            var child = null;
            try {
                // Elements of frames belong to other script realms: the getters are called
                // on them directly rather than tested with instanceof.
                child = tag === 'IFRAME' ? contentWindow.call(el) : frameContentWindow.call(el);
            } catch (err) {
                child = null;
            }
            out.push(child);
        }
        return out;
    }

    function walk(win, path, depth, out, paths, innerTextIds, fetches) {
        var doc = win.document;
        var id = out.length;
        out.push(null);
        paths.push(path);
        state.documents[id] = doc;
        var d = describeDocument(win, doc, id, innerTextIds, fetches);
        out[id] = d;
        // The window's own index of each child window addresses it from the tool.
        var indexes = new Map();
        for (var w = 0; w < win.length; w++)
            indexes.set(win[w], w);
        var children = frameWindows(doc);
        var described = new Map();
        for (var e = 0; children.length && e < d.elements.length; e++) {
            if (!Array.isArray(d.elements[e]))
                described.set(d.elements[e].h, d.elements[e]);
        }
        for (var i = 0; i < children.length; i++) {
            // Each element names its own entry of the frames, whatever else the document holds.
            var element = described.get(handleOf(children.elements[i]));
            if (element)
                element.frame = i;
            var ref;
            try {
                var child = children[i];
                if (!child || !indexes.has(child))
                    throw new Error('the frame has no window');
                if (depth >= MAX_DEPTH)
                    throw new Error('frames nested too deeply');
                var childDoc = child.document;
                if (!childDoc)
                    throw new Error('the frame has no document');
                ref = { doc: walk(child, path.concat([indexes.get(child)]), depth + 1, out, paths, innerTextIds, fetches) };
            } catch (err) {
                ref = { doc: null, error: str(err && err.message ? err.message : err) };
            }
            d.frames.push(ref);
        }
        return id;
    }

    function isHtml(doc) {
        return /html/i.test(str(docContentType.call(doc)));
    }

    var OTHER_ORIGIN = 'a script of another origin: the browser does not let the tool read its cached copy';

    // Scripts are read only from the browser's cache, and only those the top page's origin
    // may read; the tool never downloads them. A script of another origin (every CDN
    // script) is marked as unreadable, so its empty lists are explained.
    function readCachedScripts(fetches) {
        var wanted = [];
        var known = {};
        var pageIsWeb = /^https?:$/.test(window.location.protocol);
        for (var i = 0; i < fetches.length; i++) {
            var url;
            try {
                url = new URL(fetches[i].src);
            } catch (e) {
                continue;
            }
            if (!/^https?:$/.test(url.protocol))
                continue;
            if (url.origin !== window.location.origin) {
                if (pageIsWeb)
                    markUnreadable(fetches[i]);
                continue;
            }
            wanted.push(fetches[i]);
            known[url.href] = true;
        }
        var texts = {};
        var reads = Object.keys(known).map(function (href) {
            var read = fetch(href, { cache: 'only-if-cached', mode: 'same-origin', credentials: 'same-origin' })
                .then(function (response) { return response.ok ? response.text() : null; })
                .catch(function () { return null; });
            var timeout = new Promise(function (resolve) { setTimeout(function () { resolve(null); }, 2000); });
            return Promise.race([read, timeout]).then(function (text) {
                if (text !== null)
                    texts[href] = text;
            });
        });
        return { count: reads.length, done: Promise.all(reads).then(function () {
            for (var j = 0; j < wanted.length; j++) {
                var href = new URL(wanted[j].src).href;
                if (Object.prototype.hasOwnProperty.call(texts, href))
                    wanted[j].doc.scriptTexts[wanted[j].src] = texts[href];
            }
        }) };
    }

    // Left out of documents without such scripts.
    function markUnreadable(wanted) {
        if (!wanted.doc.unreadableScripts)
            wanted.doc.unreadableScripts = {};
        wanted.doc.unreadableScripts[wanted.src] = OTHER_ORIGIN;
    }

    function markOtherOrigins(fetches) {
        if (!/^https?:$/.test(window.location.protocol))
            return;
        for (var i = 0; i < fetches.length; i++) {
            try {
                var url = new URL(fetches[i].src);
                if (/^https?:$/.test(url.protocol) && url.origin !== window.location.origin)
                    markUnreadable(fetches[i]);
            } catch (e) {
            }
        }
    }

    function answer(out, paths) {
        return 'H' + JSON.stringify(paths) + '\n' + JSON.stringify({ format: FORMAT, documents: out });
    }

    function snapshot(args, token) {
        state.token = token;
        state.elements = [];
        state.documents = [];
        state.fields = [];
        if (!isHtml(document))
            return 'N';
        var innerTextIds = (args && args.innerTextIds) || [];
        var out = [];
        var paths = [];
        var fetches = [];
        walk(window, [], 0, out, paths, innerTextIds, fetches);
        var bridge = ownMember('__calverdineBridge');
        var cached = fetches.length && bridge ? readCachedScripts(fetches) : { count: 0 };
        if (!bridge)
            markOtherOrigins(fetches);
        if (!cached.count)
            return answer(out, paths);
        cached.done.then(function () {
            bridge.snapshotReady(token, answer(out, paths));
        });
        return 'P';
    }

    function ownMember(name) {
        return Object.prototype.hasOwnProperty.call(window, name) ? window[name] : undefined;
    }

    function live(el) {
        if (!el || !nodeConnected.call(el))
            return false;
        var doc = nodeOwnerDocument.call(el);
        return !!(doc && docView.call(doc));
    }

    // Only the fields are visited, their kind known from the snapshot; whether a document
    // still has its window is asked once per document.
    function refresh() {
        var values = [];
        var shown = [];
        for (var f = 0; f < state.fields.length; f += 3) {
            var h = state.fields[f];
            var kind = state.fields[f + 1];
            var d = state.fields[f + 2];
            if (shown[d] === undefined) {
                var doc = state.documents[d];
                shown[d] = !!(doc && docView.call(doc));
            }
            var el = state.elements[h];
            if (!shown[d] || !el || !el.isConnected)
                continue;
            // Rows [h, value, checked, selected], shorter than objects.
            if (kind === FIELD_INPUT) {
                values.push([h, str(el.value), el.checked ? 1 : 0]);
            } else if (kind === FIELD_TEXTAREA) {
                values.push([h, str(el.value)]);
            } else {
                var selected = [];
                for (var i = 0; i < el.options.length; i++) {
                    if (el.options[i].selected)
                        selected.push(i);
                }
                values.push([h, null, null, selected]);
            }
        }
        return JSON.stringify({ format: FORMAT, values: values });
    }

    function changed(el) {
        el.dispatchEvent(new Event('input', { bubbles: true }));
        el.dispatchEvent(new Event('change', { bubbles: true }));
    }

    // Writes address the elements of the snapshot they were made for; after a newer snapshot
    // the same handles name other elements, so such writes are dropped.
    function apply(operations, token) {
        var applied = 0;
        var missing = 0;
        var errors = [];
        if (token !== state.token)
            return JSON.stringify({ applied: 0, missing: operations.length, errors: ['the page was parsed again'] });
        for (var i = 0; i < operations.length; i++) {
            var op = operations[i];
            var el = state.elements[op.h];
            if (!live(el)) {
                missing++;
                continue;
            }
            try {
                switch (op.op) {
                case 'value':
                    el.value = op.v;
                    changed(el);
                    break;
                case 'checked':
                    el.checked = !!op.v;
                    changed(el);
                    break;
                case 'selected':
                    for (var o = 0; o < el.options.length; o++)
                        el.options[o].selected = op.v.indexOf(o) >= 0;
                    changed(el);
                    break;
                case 'click':
                    el.click();
                    break;
                case 'submit':
                    formSubmit.call(el);
                    break;
                case 'reset':
                    formReset.call(el);
                    break;
                default:
                    errors.push('unknown operation ' + op.op);
                    continue;
                }
                applied++;
            } catch (err) {
                errors.push(str(err && err.message ? err.message : err));
            }
        }
        return JSON.stringify({ applied: applied, missing: missing, errors: errors });
    }

    function appendText(h, text) {
        var el = state.elements[h];
        if (!live(el))
            return false;
        var tag = tagOf(el);
        var writable = !el.readOnly && !el.disabled;
        if (tag === 'INPUT' && TEXT_INPUT_TYPES[str(el.type).toLowerCase()] && writable) {
            el.value = str(el.value) + text;
        } else if (tag === 'TEXTAREA' && writable) {
            el.value = str(el.value) + text;
        } else {
            return false;
        }
        changed(el);
        return true;
    }

    // The handles of a document (and an element of it) of the last snapshot, for events.
    function locate(doc, el) {
        return { doc: state.documents.indexOf(doc), el: handleOf(el) };
    }

    window.__calverdine = {
        snapshot: snapshot,
        refresh: refresh,
        apply: apply,
        appendText: appendText,
        locate: locate
    };
})();
