// Helpers that the JSON document calls by name, and JSON support for engines that lack it.
// Added to every engine before the document's root variable is declared.

// The length of an array; 0 for anything else, an object with a `length` member included.
function get__count(value) {
  return Object.prototype.toString.call(value) === '[object Array]' ? value.length : 0;
}

// The member names of a plain object in enumeration order (inherited enumerable ones too),
// joined by CR LF; names that hold functions, such as the prototype helpers installed below,
// are left out. An empty string for anything that is not a plain object.
function get__name_All(value) {
  if (Object.prototype.toString.call(value) !== '[object Object]') {
    return '';
  }
  var names = [];
  for (var name in value) {
    if (typeof value[name] !== 'function') {
      names.push(name);
    }
  }
  return names.join('\r\n');
}

// Merges `source` into `target` and returns `target`. An array target gets the source's
// elements appended; otherwise each source member overwrites a string, boolean, number or
// absent member, merges into an object member (null raises an error there) and leaves a
// function member alone. A target that is a number or a boolean takes nothing.
function get__extend(target, source) {
  if (Object.prototype.toString.call(target) === '[object Array]') {
    var count = source == null ? 0 : source.length;
    for (var i = 0; i < count; i++) {
      target.push(source[i]);
    }
    return target;
  }
  for (var name in source) {
    switch (typeof target[name]) {
      case 'string':
      case 'boolean':
      case 'number':
      case 'undefined':
        target[name] = source[name];
        break;
      case 'object':
        target[name] = get__extend(target[name], source[name]);
        break;
    }
  }
  return target;
}

// JSON support, each piece installed only where the engine has none of its own. Everything is
// installed by plain assignment; the working variables stay inside this function.
(function (global) {
  if (typeof JSON !== 'object') {
    global.JSON = {};
  }

  function twoDigits(n) {
    return n < 10 ? '0' + n : '' + n;
  }

  function primitiveValue() {
    return this.valueOf();
  }

  if (typeof Date.prototype.toJSON !== 'function') {
    Date.prototype.toJSON = function () {
      if (!isFinite(this.valueOf())) {
        return null;
      }
      return this.getUTCFullYear() + '-' + twoDigits(this.getUTCMonth() + 1) + '-' +
          twoDigits(this.getUTCDate()) + 'T' + twoDigits(this.getUTCHours()) + ':' +
          twoDigits(this.getUTCMinutes()) + ':' + twoDigits(this.getUTCSeconds()) + 'Z';
    };
    String.prototype.toJSON = primitiveValue;
    Number.prototype.toJSON = primitiveValue;
    Boolean.prototype.toJSON = primitiveValue;
  }

  // Characters written as an escape: the quote, the backslash, controls, and characters that
  // some readers drop or treat as line ends.
  var needsEscape = new RegExp('[\\\\"\\u0000-\\u001f\\u007f-\\u009f\\u00ad\\u0600-\\u0604' +
      '\\u070f\\u17b4\\u17b5\\u200c-\\u200f\\u2028-\\u202f\\u2060-\\u206f\\ufeff' +
      '\\ufff0-\\uffff]', 'g');
  var shortEscapes = {
    '"': '\\"', '\\': '\\\\', '\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r'
  };

  function escapeCharacter(c) {
    if (Object.prototype.hasOwnProperty.call(shortEscapes, c)) {
      return shortEscapes[c];
    }
    return '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
  }

  function quote(text) {
    return '"' + text.replace(needsEscape, escapeCharacter) + '"';
  }

  function isArray(value) {
    return Object.prototype.toString.call(value) === '[object Array]';
  }

  // The JSON text of holder[key], or undefined where the value has none (a function,
  // undefined). `gap` is one level of indentation and `indent` the current one; both are
  // empty for compact output.
  function serialise(holder, key, replacer, gap, indent) {
    var value = holder[key];
    if (value && typeof value === 'object' && typeof value.toJSON === 'function') {
      value = value.toJSON(key);
    }
    if (typeof replacer === 'function') {
      value = replacer.call(holder, key, value);
    }
    switch (typeof value) {
      case 'string':
        return quote(value);
      case 'number':
        return isFinite(value) ? String(value) : 'null';
      case 'boolean':
        return String(value);
      case 'object':
        break;
      default:
        return undefined;
    }
    if (value === null) {
      return 'null';
    }
    var inner = indent + gap;
    var open = gap ? '\n' + inner : '';
    var separator = gap ? ',\n' + inner : ',';
    var close = gap ? '\n' + indent : '';
    var parts = [];
    var text;
    if (isArray(value)) {
      for (var i = 0; i < value.length; i++) {
        text = serialise(value, i, replacer, gap, inner);
        parts.push(text === undefined ? 'null' : text);
      }
      return parts.length ? '[' + open + parts.join(separator) + close + ']' : '[]';
    }
    var colon = gap ? ': ' : ':';
    var names = [];
    if (replacer && typeof replacer === 'object') {
      for (var k = 0; k < replacer.length; k++) {
        if (typeof replacer[k] === 'string') {
          names.push(replacer[k]);
        }
      }
    } else {
      for (var name in value) {
        if (Object.prototype.hasOwnProperty.call(value, name)) {
          names.push(name);
        }
      }
    }
    for (var n = 0; n < names.length; n++) {
      text = serialise(value, names[n], replacer, gap, inner);
      if (text !== undefined) {
        parts.push(quote(names[n]) + colon + text);
      }
    }
    return parts.length ? '{' + open + parts.join(separator) + close + '}' : '{}';
  }

  if (typeof JSON.stringify !== 'function') {
    JSON.stringify = function (value, replacer, space) {
      var gap = '';
      if (typeof space === 'number') {
        for (var i = 0; i < space; i++) {
          gap += ' ';
        }
      } else if (typeof space === 'string') {
        gap = space;
      }
      if (replacer && typeof replacer !== 'function' &&
          (typeof replacer !== 'object' || typeof replacer.length !== 'number')) {
        throw new Error('JSON.stringify');
      }
      return serialise({'': value}, '', replacer, gap, '');
    };
  }

  // A JSON text: nothing but strings, numbers, literals, punctuation and the four blanks.
  var jsonToken = new RegExp('"(?:[^"\\\\\\u0000-\\u001f]|\\\\(?:["\\\\/bfnrt]|u[0-9a-fA-F]{4}))*"' +
      '|-?(?:0|[1-9][0-9]*)(?:\\.[0-9]+)?(?:[eE][+-]?[0-9]+)?|true|false|null|[\\[\\]{}:,]' +
      '|[ \\t\\r\\n]+', 'g');

  // Applies the reviver bottom-up: members for which it gives undefined are removed.
  function revive(holder, key, reviver) {
    var value = holder[key];
    if (value && typeof value === 'object') {
      for (var name in value) {
        if (Object.prototype.hasOwnProperty.call(value, name)) {
          var revived = revive(value, name, reviver);
          if (revived === undefined) {
            delete value[name];
          } else {
            value[name] = revived;
          }
        }
      }
    }
    return reviver.call(holder, key, value);
  }

  if (typeof JSON.parse !== 'function') {
    JSON.parse = function (text, reviver) {
      text = String(text);
      if (text.replace(jsonToken, '') !== '' || /^[ \t\r\n]*$/.test(text)) {
        throw new SyntaxError('JSON.parse');
      }
      // Inside string tokens these two are line ends to the script parser, not to JSON.
      var value = eval('(' + text.replace(/\u2028/g, '\\u2028').replace(/\u2029/g, '\\u2029') +
          ')');
      return typeof reviver === 'function' ? revive({'': value}, '', reviver) : value;
    };
  }

  if (!Object.prototype.toJSONString) {
    Object.prototype.toJSONString = function (filter) {
      return JSON.stringify(this, filter);
    };
    Object.prototype.parseJSON = function (filter) {
      return JSON.parse(this, filter);
    };
  }
})(this);
