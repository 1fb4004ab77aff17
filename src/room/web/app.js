// The room's page. Everything from the room or another person is put into the
// page as text (textContent), never as markup.
'use strict';

const Gestures = ['relax', 'sigh', 'frown', 'grin', 'jump', 'wave', 'react', 'bow', 'shrug', 'present'];
const MaxLines = 500;
const HoldMs = 60000;
const PolicyClose = 1008;  // the room closed the connection on purpose: no coming back

const $ = (id) => document.getElementById(id);
let socket = null;
let me = null;       // {name, token, host} once welcomed
let leaving = false;
let brokenSince = 0;
let retryMs = 500;
let seen = -1;       // the room's place of the last line shown
let host = {name: '', reg: ''};  // as the room last said
let mention = null;  // finds this person's name in a line
let game = null;     // the newest status the room sent, as Card reads it
let turnSaid = '';   // the turn last announced to a screen reader

// The game's card above the lines; none without a game (an older program
// sends no status at all).
function showGame() {
  const up = game !== null && me !== null && Card.isUp(game, me.name);
  $('card').hidden = game === null;
  if (game !== null) Card.render($('cardBody'), game, up);
  // Said once a turn: the countdown's seconds must not repeat it.
  const turn = up ? game.word + '/' + game.up : '';
  if (turn !== turnSaid) {
    turnSaid = turn;
    $('turnNews').textContent = up ? 'Your turn! Your word is ' + game.pattern : '';
  }
}

function status(text) {
  $('status').textContent = text;
  // A page reloaded in the room shows its join form until the room answers.
  if (me && $('room').hidden) $('joinProblem').textContent = text;
}

// The name and token kept for a reload; a browser that keeps nothing still plays.
function remember(value) {
  try {
    if (value) sessionStorage.setItem('orvella', JSON.stringify(value));
    else sessionStorage.removeItem('orvella');
  } catch (e) { /* no storage: a reload joins afresh */ }
}

// Out of the room, with why on the join form: never without a word.
function outside(why) {
  leaving = true;
  me = null;
  brokenSince = 0;
  retryMs = 500;
  remember(null);
  showRoom(false);
  $('joinProblem').textContent = why;
  $('name').focus();
}

function showRoom(inRoom) {
  $('join').hidden = inRoom;
  $('room').hidden = !inRoom;
}

// A name as a word of a line, in any letter case: "Bo" is not in "Bob".
function mentionOf(name) {
  const word = name.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
  return new RegExp('(?<![\\p{L}\\p{N}])' + word + '(?![\\p{L}\\p{N}])', 'iu');
}

// The host's line that gives a player the turn: "Bo, your word is G -- R i - ".
const TurnText = ', your word is ';

// Text and a part that must not wrap (a word's pattern, a banner) in one line.
function fill(li, text, unbroken) {
  const span = document.createElement('span');
  span.className = 'unbroken';
  span.textContent = unbroken;
  li.append(text.slice(0, text.length - unbroken.length), span);
  li.classList.add('wide');
}

function addLine(text, isPrivate) {
  const li = document.createElement('li');
  const fromHost = !isPrivate && host.name !== '' && text.startsWith(host.name + ': ');
  const said = fromHost ? text.slice(host.name.length + 2) : '';
  const turn = said.indexOf(TurnText);
  if (turn > 0) {
    fill(li, text, said.slice(turn + TurnText.length));
    if (me && said.slice(0, turn).toLowerCase() === me.name.toLowerCase()) li.classList.add('turn');
  } else if (said.startsWith('\u00AB\u00BB')) {
    fill(li, text, said);
  } else {
    li.textContent = text;
  }
  if (isPrivate) li.classList.add('private');
  if (mention && mention.test(text)) li.classList.add('mine');
  const list = $('lines');
  // Follow the newest line unless the reader has scrolled back.
  const atEnd = list.clientHeight === 0 || list.scrollTop + list.clientHeight >= list.scrollHeight - 40;
  list.appendChild(li);
  while (list.children.length > MaxLines) list.firstElementChild.remove();
  if (atEnd) list.scrollTop = list.scrollHeight;
}

// Registering is offered once the room has named the host and the character.
function showRegister() {
  const ready = me !== null && host.name !== '' && host.reg !== '';
  $('register').hidden = !ready;
  if (!ready) return;
  const button = $('registerButton');
  button.dataset.char = host.reg;
  const gesture = host.reg.length === 1 ? Gestures[host.reg.charCodeAt(0) - 0xB0] : undefined;
  const sent = gesture ? 'the ' + gesture + ' gesture' : host.reg;
  button.setAttribute('aria-label', 'Register (sends ' + sent + ' privately to ' + host.name + ')');
}

function send(message) {
  if (socket && socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(message));
}

function connect(name, code) {
  // A try still under way (a second Join, a reload's coming back) ends here.
  if (socket) {
    const old = socket;
    socket = null;
    old.close();
  }
  const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
  let ws;
  try {
    ws = new WebSocket(scheme + location.host + '/ws');
  } catch (e) {
    outside('Cannot reach the room. Check the address and try again.');
    return;
  }
  socket = ws;
  let opened = false;
  ws.onopen = () => {
    opened = true;
    const join = {type: 'join', name: name, code: code};
    if (me && me.name === name) { join.token = me.token; join.seen = seen; }
    ws.send(JSON.stringify(join));
  };
  ws.onmessage = (event) => {
    if (socket !== ws) return;
    let m;
    try { m = JSON.parse(event.data); } catch (e) { return; }
    if (m.type === 'welcome') {
      if (!m.back) { seen = -1; game = null; }
      me = {name: String(m.name), token: String(m.token), host: String(m.host), code: code};
      host.name = me.host;
      mention = mentionOf(me.name);
      brokenSince = 0;
      retryMs = 500;
      remember(me);
      status(m.back ? 'Back in the room as ' + me.name + '.' : 'In the room as ' + me.name + '.');
      $('joinProblem').textContent = '';
      $('title').textContent = 'Orvella room: ' + me.name;
      showRoom(true);
      $('lines').scrollTop = $('lines').scrollHeight;
      if (!m.back) $('say').focus();
      showGame();
    } else if (m.type === 'host') {
      host = {name: String(m.name ?? ''), reg: String(m.reg ?? '')};
      showRegister();
    } else if (m.type === 'refused') {
      outside(String(m.why ?? '') || 'The room turned you away.');
    } else if (m.type === 'status') {
      game = Card.read(m);
      showGame();
    } else if (m.type === 'line') {
      if (typeof m.at === 'number') {
        if (m.at <= seen) return;
        seen = m.at;
      }
      addLine(String(m.text), m.private === true);
    }
  };
  // The room says why in a refused message before it closes; a close
  // without one still leaves a word on the page.
  ws.onclose = (event) => {
    if (socket !== ws) return;
    socket = null;
    if (leaving) return;
    const reason = String(event.reason || '');
    if (!me) {
      outside(reason || (opened ? 'The room closed the connection. Try again.'
                                : 'Cannot reach the room. Check the address and try again.'));
      return;
    }
    if (reason && event.code === PolicyClose) {
      outside(reason);
      return;
    }
    // Broken: back under the same name within the minute the room holds it.
    if (!brokenSince) brokenSince = Date.now();
    if (Date.now() - brokenSince > HoldMs) {
      outside('The connection is lost. Join again.');
      return;
    }
    status(reason ? reason + ' Reconnecting…' : 'The connection broke; reconnecting…');
    setTimeout(() => { if (me && !socket) connect(me.name, me.code); }, retryMs);
    retryMs = Math.min(retryMs * 2, 5000);
  };
}

// The room code of the address (/#CODE); a fragment that is none, or does
// not even decode (/#%E0%A4%A), leaves the field for the person to type.
function codeOfAddress() {
  try {
    const code = decodeURIComponent(location.hash.slice(1));
    return /^[A-Za-z]{5}$/.test(code) ? code.toUpperCase() : '';
  } catch (e) {
    return '';
  }
}

function init() {
  $('code').value = codeOfAddress();
  const gestures = $('gestures');
  // A gesture is made in the room, for everyone to see; it registers nobody.
  Gestures.forEach((name, i) => {
    const b = document.createElement('button');
    b.type = 'button';
    b.textContent = name;
    b.title = 'Make the ' + name + ' gesture in the room';
    b.addEventListener('click', () => send({type: 'say', text: String.fromCharCode(0xB0 + i)}));
    gestures.appendChild(b);
  });
  $('join').addEventListener('submit', (e) => {
    e.preventDefault();
    $('joinProblem').textContent = '';
    leaving = false;
    connect($('name').value.trim(), $('code').value.trim().toUpperCase());
  });
  const onSubmit = (form, input, type) => $(form).addEventListener('submit', (e) => {
    e.preventDefault();
    const text = $(input).value;
    if (!text.trim()) return;
    send({type: type, text: text});
    $(input).value = '';
  });
  onSubmit('sayForm', 'say', 'say');
  onSubmit('espForm', 'esp', 'esp');
  $('registerButton').addEventListener('click', (e) => {
    if (e.target.dataset.char) send({type: 'esp', text: e.target.dataset.char});
  });
  $('leaveButton').addEventListener('click', () => {
    leaving = true;
    send({type: 'leave'});
    me = null;
    remember(null);
    status('');
    showRoom(false);
  });
  // A reload within the minute takes the name back.
  let saved = null;
  try {
    saved = JSON.parse(sessionStorage.getItem('orvella') || 'null');
  } catch (e) { remember(null); }
  if (saved && typeof saved.name === 'string' && typeof saved.token === 'string' &&
      typeof saved.code === 'string' && saved.name && saved.token) {
    me = saved;
    $('name').value = saved.name;
    $('code').value = saved.code;
    connect(saved.name, saved.code);
  }
}

init();
