// The overlay: the game's card alone, for a stream or a projector. It
// watches with the room code of its address (/overlay#CODE) and sends
// nothing after that; it comes back by itself when the connection breaks.
'use strict';

const $ = (id) => document.getElementById(id);
let retryMs = 1000;

function problem(text) {
  $('problem').textContent = text;
  $('problem').hidden = text === '';
}

function watch(code) {
  const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
  const ws = new WebSocket(scheme + location.host + '/ws');
  let refused = false;
  ws.onopen = () => ws.send(JSON.stringify({type: 'watch', code: code}));
  ws.onmessage = (event) => {
    let m;
    try { m = JSON.parse(event.data); } catch (e) { return; }
    if (m.type === 'status') {
      retryMs = 1000;
      problem('');
      const game = Card.read(m);
      $('card').hidden = game === null;
      if (game !== null) Card.render($('card'), game, false);
    } else if (m.type === 'refused') {
      refused = true;
      $('card').hidden = true;
      problem(String(m.why));
    }
  };
  ws.onclose = () => {
    if (refused) return;
    setTimeout(() => watch(code), retryMs);
    retryMs = Math.min(retryMs * 2, 10000);
  };
}

const code = decodeURIComponent(location.hash.slice(1)).toUpperCase();
if (/^[A-Z]{5}$/.test(code)) watch(code);
else problem('Open this page as /overlay#CODE, with the room code.');
