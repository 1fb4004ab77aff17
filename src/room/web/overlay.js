// The overlay: the game's card alone, for a stream or a projector. It
// watches with the room code of its address (/overlay#CODE) and sends
// nothing after that; it comes back by itself when the connection breaks,
// unless the room turned it away. Why it shows no card goes in #problem, as
// text.
'use strict';

const $ = (id) => document.getElementById(id);
const PolicyClose = 1008;  // the room closed the connection on purpose: no coming back
let retryMs = 1000;

function problem(text) {
  $('problem').textContent = text;
  $('problem').hidden = text === '';
}

function stop(why) {
  $('card').hidden = true;
  problem(why);
}

function watch(code) {
  const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
  let ws;
  try {
    ws = new WebSocket(scheme + location.host + '/ws');
  } catch (e) {
    stop('Cannot reach the room. Check the address and try again.');
    return;
  }
  let opened = false;
  let refused = false;
  ws.onopen = () => {
    opened = true;
    problem('');
    ws.send(JSON.stringify({type: 'watch', code: code}));
  };
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
      stop(String(m.why ?? '') || 'The room turned this page away.');
    }
  };
  // A broken connection comes back quietly; one that cannot, or that the
  // room closed with a reason, says so in place of the card while it tries
  // again (not after a policy close: the room meant it).
  ws.onclose = (event) => {
    if (refused) return;
    const reason = String(event.reason || '');
    if (reason || !opened) stop(reason || 'Cannot reach the room. Check the address and try again.');
    if (reason && event.code === PolicyClose) return;
    setTimeout(() => watch(code), retryMs);
    retryMs = Math.min(retryMs * 2, 10000);
  };
}

// The room code of the address; a fragment that is none, or does not even
// decode (/overlay#%E0%A4%A), gets the hint.
function codeOfAddress() {
  try {
    const code = decodeURIComponent(location.hash.slice(1)).toUpperCase();
    return /^[A-Z]{5}$/.test(code) ? code : '';
  } catch (e) {
    return '';
  }
}

const code = codeOfAddress();
if (code) watch(code);
else problem('Open this page as /overlay#CODE, with the room code.');
