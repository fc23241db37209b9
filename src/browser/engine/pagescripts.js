// Runs in the page's own world of every document before the page's scripts. It keeps the
// built-ins the tool needs in this closure, so a page that replaces eval, String, JSON or
// the toString methods later cannot change what the tool reads, and installs one frozen,
// non-configurable entry point the tool calls with (request, text). The answer is an
// array of plain values: [ok, kind, text, error].
(function () {
    'use strict';
    var W = window;
    if (Object.prototype.hasOwnProperty.call(W, '__calverdineScripts'))
        return;
    var globalEval = W.eval; // called indirectly: runs in the global scope
    var toText = W.String;
    var apply = W.Reflect.apply;
    var getPrototypeOf = W.Object.getPrototypeOf;
    var hasOwn = W.Object.prototype.hasOwnProperty;
    var ObjectProto = W.Object.prototype;
    var FunctionProto = W.Function.prototype;
    var objectToString = ObjectProto.toString;
    var functionToString = FunctionProto.toString;
    var ReferenceErrorType = W.ReferenceError;

    function primitiveText(v) {
        try {
            return toText(v);
        } catch (e) {
            return '';
        }
    }

    function kindOf(v) {
        if (v === undefined)
            return 'undefined';
        if (v === null)
            return 'null';
        var t = typeof v;
        return t === 'function' ? 'object' : t;
    }

    // The object's own toString() text; the built-in toString of objects and functions
    // is the one the page started with.
    function objectText(v) {
        var holder = v;
        for (var depth = 0; holder !== null && holder !== undefined && depth < 10000; depth++) {
            if (apply(hasOwn, holder, ['toString']))
                break;
            holder = getPrototypeOf(holder);
        }
        var method;
        if (holder === ObjectProto)
            method = objectToString;
        else if (holder === FunctionProto)
            method = functionToString;
        else
            method = v.toString;
        if (typeof method !== 'function')
            return apply(objectToString, v, []);
        var r = apply(method, v, []);
        if (typeof r === 'string')
            return r;
        if (r !== null && (typeof r === 'object' || typeof r === 'function'))
            return apply(objectToString, r, []);
        return primitiveText(r);
    }

    function describe(v) {
        var kind = kindOf(v);
        if (kind === 'undefined' || kind === 'null')
            return [true, kind, '', ''];
        if (kind === 'string')
            return [true, kind, v, ''];
        if (kind === 'object')
            return [true, kind, objectText(v), ''];
        return [true, kind, primitiveText(v), ''];
    }

    function failure(e) {
        var message = '';
        try {
            if (e !== null && typeof e === 'object') {
                var name = e.name, text = e.message;
                message = typeof text === 'string' ? text : apply(objectToString, e, []);
                if (typeof name === 'string' && name)
                    message = name + ': ' + message;
            } else {
                message = primitiveText(e);
            }
        } catch (inner) {
            message = 'the script failed';
        }
        return [false, '', '', message];
    }

    function run(request, text) {
        text = primitiveText(text);
        try {
            if (request === 'eval')
                return describe(globalEval(text));
            var value;
            try {
                value = globalEval(text);
            } catch (e) {
                if (e instanceof ReferenceErrorType)
                    return [true, 'absent', '', ''];
                throw e;
            }
            if (request === 'source' && typeof value === 'function')
                return [true, 'string', apply(functionToString, value, []), ''];
            return describe(value);
        } catch (e) {
            return failure(e);
        }
    }

    W.Object.defineProperty(W, '__calverdineScripts', {
        value: W.Object.freeze(run), writable: false, enumerable: false, configurable: false
    });
})();
