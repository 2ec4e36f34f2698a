#include "page/page_assets.h"

namespace brelvox::page {

const std::string_view kHomePage = R"HTML(<!DOCTYPE html>
<html lang="bg"><head><meta charset="utf-8"><title>Превод</title>
<link rel="stylesheet" href="/static/page.css"></head>
<body><div class="home">
<h1>Превод · Translation</h1>
<p>Offline Bulgarian–English dictionary.</p>
<form id="ask"><select id="dir"><option value="bg|en|">български → English</option>
<option value="en|bg|">English → български</option></select>
<input id="text" maxlength="99" autofocus> <button>Преведи</button></form>
</div>
<script>
document.getElementById('ask').addEventListener('submit', function (e) {
  e.preventDefault();
  location.href = '/?hl=bg&tab=wT#' + document.getElementById('dir').value +
      document.getElementById('text').value;
});
</script></body></html>
)HTML";

const std::string_view kTranslationPage = R"HTML(<!DOCTYPE html>
<html lang="bg"><head><meta charset="utf-8"><title>Превод</title>
<link rel="stylesheet" href="/static/page.css">
<script src="/static/page.js" defer></script></head>
<body>
<div id="status" class="status"></div>
<div id="result_area"></div>
<div id="tts_button" class="listen" role="button" tabindex="0" title="Listen">&#9654; Listen</div>
<audio id="tts_audio" preload="none"></audio>
<div class="spacer"><a href="/">Превод</a></div>
</body></html>
)HTML";

// The result boxes are made with createElementNS so that they serialize with upper-case tag names:
// the source box first, then the result box, each a DIV holding a SPAN holding a SPAN holding text.
// Several translations are joined by " <> " in the result box; an empty result box means the
// dictionary has no translation. Text goes in only as text nodes.
const std::string_view kPageScript = R"JS('use strict';
(function () {
  const XHTML = 'http://www.w3.org/1999/xhtml';
  const DIRECTIONS = { 'bg|en|': ['bg', 'en'], 'en|bg|': ['en', 'bg'], 'en|en|': ['en', 'en'] };
  let generation = 0;
  let spoken = '';

  function status(text) { document.getElementById('status').textContent = text; }
  function area() { return document.getElementById('result_area'); }

  function decodeFragment(raw) {
    try {
      return decodeURIComponent(raw);
    } catch (e) {
      return raw.replace(/(%[0-9A-Fa-f]{2})+/g, function (m) {
        try { return decodeURIComponent(m); } catch (e2) { return m; }
      });
    }
  }

  function box(kind, text) {
    const div = document.createElementNS(XHTML, 'DIV');
    div.className = 'box ' + kind;
    const outer = document.createElementNS(XHTML, 'SPAN');
    const inner = document.createElementNS(XHTML, 'SPAN');
    inner.appendChild(document.createTextNode(text));
    outer.appendChild(inner);
    div.appendChild(outer);
    return div;
  }

  function show(source, result) {
    area().replaceChildren(box('source', source), box('result', result));
  }

  // Nothing found: the result box stays empty (the translator reads that as "no translation"),
  // and the page says so in words beneath it, never echoing the source as if it were the answer.
  function showNone(source) {
    show(source, '');
    const note = document.createElement('div');
    note.className = 'none';
    note.textContent = 'Няма превод · No translation';
    area().appendChild(note);
  }

  function render() {
    const mine = ++generation;
    area().replaceChildren();
    spoken = '';
    status('');
    const fragment = decodeFragment(location.hash.replace(/^#/, ''));
    const dir = fragment.slice(0, 6);
    const text = fragment.slice(6);
    if (!Object.prototype.hasOwnProperty.call(DIRECTIONS, dir)) {
      status(fragment === '' ? 'Put the direction and the text after # in the address, e.g. #bg|en|котка.'
                             : 'Unknown direction: start the text with bg|en|, en|bg| or en|en|.');
      return;
    }
    const sl = DIRECTIONS[dir][0];
    const tl = DIRECTIONS[dir][1];
    if (sl === tl || text.trim() === '') {
      show(text, text);
      spoken = sl === 'en' ? text : '';
      return;
    }
    status('…');
    fetch('/api/translate?sl=' + sl + '&tl=' + tl + '&q=' + encodeURIComponent(text), { cache: 'no-store' })
      .then(function (r) { return r.json().then(function (j) { return { ok: r.ok, j: j }; }); })
      .then(function (a) {
        if (mine !== generation) return;
        if (!a.ok) { status(a.j.error || 'The translation failed.'); return; }
        status('');
        const found = a.j.translations.map(function (t) { return t.text; });
        if (found.length) show(a.j.source, found.join(' <> ')); else showNone(a.j.source);
        spoken = tl === 'en' ? found.join(', ') : a.j.source;
      })
      .catch(function () {
        if (mine === generation) status('The translation service does not answer; reload the page to try again.');
      });
  }

  document.getElementById('tts_button').addEventListener('click', function () {
    const text = spoken;
    fetch('/api/listen?lang=en&text=' + encodeURIComponent(text), { method: 'POST', cache: 'no-store' })
      .catch(function () {});
    if (!text) return;
    const audio = document.getElementById('tts_audio');
    audio.src = '/api/speak?lang=en&text=' + encodeURIComponent(text);
    audio.play().catch(function () {});
  });
  window.addEventListener('hashchange', render);
  render();
})();
)JS";

const std::string_view kPageStyle =
    R"CSS(body { margin: 0; font-family: "DejaVu Sans", sans-serif; background: #fff; color: #202124; }
.status { padding: 4px 8px; color: #5f6368; min-height: 1em; }
.box { display: block; padding: 8px; white-space: pre-wrap; }
.source { color: #5f6368; }
.none { padding: 8px; color: #b3261e; }
.result { font-size: 1.4em; }
.listen { display: block; box-sizing: border-box; width: 100%; min-height: 48px; margin: 0; padding: 12px 8px;
          cursor: pointer; background: #e8f0fe; user-select: none; white-space: nowrap; overflow: hidden; }
.listen:hover { background: #d2e3fc; }
.spacer { height: 100vh; padding: 8px; }
.home { padding: 16px; }
)CSS";

}  // namespace brelvox::page
