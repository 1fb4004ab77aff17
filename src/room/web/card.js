// The game's status as a card, shared by the room's page and the overlay.
// Every name and the pattern come from the room: they go in as text nodes
// (textContent), never as markup, and are cut to the room's own caps.
'use strict';

const Card = (() => {
  const Caps = {text: 64, pattern: 128, called: 10, winners: 10, leaders: 5};
  // 'away': the room lost the host's program; the card waits for it.
  const Phases = ['open', 'playing', 'won', 'over', 'away'];

  const text = (v, cap) => String(v ?? '').slice(0, cap);
  const count = (v) => (Number.isInteger(v) && v >= 0 ? v : -1);
  const list = (v, cap) => (Array.isArray(v) ? v.slice(0, cap) : []);

  function make(tag, className, content) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (content !== undefined) e.textContent = content;
    return e;
  }

  // The status as the card reads it; null when there is no game to show.
  function read(m) {
    const phase = String(m.phase);
    if (!Phases.includes(phase)) return null;
    const called = list(m.called, Caps.called).map((n) => text(n, Caps.text));
    const up = count(m.up);
    return {
      phase: phase,
      word: count(m.word),
      words: count(m.words),
      pattern: text(m.pattern, Caps.pattern),
      called: called,
      up: up < called.length ? up : -1,
      seconds: count(m.seconds),
      from: count(m.from),
      winners: list(m.winners, Caps.winners).map((w) => ({
        name: text(w && w.name, Caps.text), box: text(w && w.box, Caps.text)})),
      leaders: list(m.leaders, Caps.leaders).map((l) => ({
        name: text(l && l.name, Caps.text), wins: Math.max(0, count(l && l.wins))})),
    };
  }

  function heading(s) {
    if (s.phase === 'away') return 'The host is away';
    if (s.phase === 'over') return 'The game is over';
    if (s.word > 0 && s.words > 0) return 'Word ' + s.word + ' of ' + s.words;
    return 'The game is open';
  }

  // Whether the one up is this name (names are the same in any letter case).
  function isUp(s, name) {
    return s !== null && s.up >= 0 && typeof name === 'string' &&
           s.called[s.up].toLowerCase() === name.toLowerCase();
  }

  // Fills root with status s; yourTurn adds the line for the one who is up.
  function render(root, s, yourTurn) {
    const parts = [make('p', 'word', heading(s))];
    if (yourTurn) parts.push(make('p', 'your-turn', 'Your turn!'));
    if (s.pattern !== '' && s.phase !== 'open') {
      const box = make('div', 'pattern');
      box.append(make('span', '', s.pattern));
      box.setAttribute('aria-label', 'The pattern');
      box.tabIndex = 0;
      parts.push(box);
    }
    if (s.seconds >= 0) {
      const clock = make('div', 'countdown');
      clock.append(make('span', 'seconds', String(s.seconds)), make('span', 'unit', ' seconds left'));
      const bar = make('progress', 'bar');
      bar.max = Math.max(1, s.from);
      bar.value = Math.min(s.seconds, bar.max);
      bar.setAttribute('aria-label', 'Time left');
      clock.append(bar);
      parts.push(clock);
    }
    if (s.called.length > 0) {
      const ol = make('ol', 'called');
      ol.setAttribute('aria-label', 'Players called down');
      s.called.forEach((name, i) => {
        const li = make('li', i === s.up ? 'up' : '', name);
        if (i === s.up) li.setAttribute('aria-current', 'true');
        ol.append(li);
      });
      parts.push(ol);
    }
    if (s.winners.length > 0 && (s.phase === 'won' || s.phase === 'over')) {
      const ul = make('ul', 'winners');
      ul.setAttribute('aria-label', 'Won by');
      for (const w of s.winners) ul.append(make('li', '', w.box ? w.name + ': ' + w.box : w.name));
      parts.push(make('h3', '', 'Won by'), ul);
    }
    if (s.leaders.length > 0) {
      const ol = make('ol', 'leaders');
      ol.setAttribute('aria-label', 'Leaders');
      for (const l of s.leaders) {
        const li = make('li');
        li.append(make('span', 'name', l.name), ' \u2014 ', make('span', 'wins', String(l.wins)));
        ol.append(li);
      }
      parts.push(make('h3', '', 'Leaders'), ol);
    }
    root.replaceChildren(...parts);
  }

  return {read, render, isUp};
})();
