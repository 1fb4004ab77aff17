#!/usr/bin/python3
"""A person in headless Chromium (with a second browser watching) sees the
host's title line, registers with the page's Register button, is called
down, answers and wins a word against the real orvella, a child process on
a virtual display whose keys and clicks xdotool makes as a host would. Both
browsers must have seen the same lines in the same order. The game's card
follows: the pattern the room heard last and never the word before it is
won, "Your turn!" on the asked person's page only, the countdown counting
down, and the winner among the leaders from the program's store of results.
Exits 77 (skipped) without Chromium's WebDriver, Xvfb or xdotool.
    browser_game_test.py ORVELLA ORVELLA-ROOM SOURCE-FOLDER"""
import ctypes
import os
import queue
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(sys.argv[3], 'tests', 'room'))
from browser_test import CODE, By, Keys, Room, browsers, join, lines, until  # noqa: E402
from selenium.common.exceptions import TimeoutException  # noqa: E402

ORVELLA, ROOM, SOURCE = sys.argv[1:4]


def virtual_display(procs):
    """Xvfb on a free display; returns once it takes clients."""
    read, write = os.pipe()
    procs.append(subprocess.Popen(
        ['Xvfb', '-displayfd', str(write), '-screen', '0', '1024x768x24', '-nolisten', 'tcp'],
        pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    os.close(write)
    with os.fdopen(read) as f:
        return ':' + f.readline().strip()


def xdotool(*args):
    return subprocess.run(['xdotool', *args], check=True, capture_output=True, text=True,
                          timeout=30).stdout.split()


def window(title):
    return xdotool('search', '--sync', '--onlyvisible', '--name', title)[-1]


def shown(title):
    return subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', title],
                          capture_output=True, timeout=30).returncode == 0


def key(win, *keys):
    xdotool('windowfocus', '--sync', win)
    xdotool('key', *keys)


def close(win):
    """What a window manager's close button sends (there is none on the
    virtual display): WM_DELETE_WINDOW."""
    x = ctypes.CDLL('libX11.so.6')
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong),
                    ('send_event', ctypes.c_int), ('display', ctypes.c_void_p),
                    ('window', ctypes.c_ulong), ('message_type', ctypes.c_ulong),
                    ('format', ctypes.c_int), ('data', ctypes.c_long * 5),
                    ('rest', ctypes.c_long * 12)]  # an XEvent's full size
    display = x.XOpenDisplay(None)
    message = ClientMessage(type=33, window=int(win), format=32,
                            message_type=x.XInternAtom(display, b'WM_PROTOCOLS', 0))
    message.data[0] = x.XInternAtom(display, b'WM_DELETE_WINDOW', 0)
    x.XSendEvent(display, int(win), 0, 0, ctypes.byref(message))
    x.XCloseDisplay(display)


def on_card(driver):
    """The card as shown (None while hidden): its pattern, the one marked up,
    whether it says "Your turn!", its seconds, winners, leaders, all its text."""
    return driver.execute_script(
        'const c = document.getElementById("card");'
        'if (c.hidden) return null;'
        'const t = (s) => [...c.querySelectorAll(s)].map(e => e.textContent);'
        'return {pattern: t(".pattern").join(), up: t(".called li.up").join(),'
        ' turn: t(".your-turn").length > 0, seconds: t(".seconds").map(Number)[0] ?? null,'
        ' winners: t(".winners li"), leaders: t(".leaders li"), text: c.innerText}')


class Heard:
    """The room's console lines, each looked at once, in order."""

    def __init__(self, room):
        self.room = room

    def line(self, pattern, seconds=30):
        return self.room.wait_for(pattern, seconds)

    def after(self, act, pattern, tries=4):
        # A key that reaches the window while a step still holds its
        # buttons disabled is dropped, as a click would be; a held one runs
        # within the second, so a retry only follows a dropped key.
        for _ in range(tries):
            act()
            try:
                return self.line(pattern, 5)
            except queue.Empty:
                pass
        raise AssertionError('the room never heard ' + pattern)


def main():
    for tool in ('Xvfb', 'xdotool'):
        if not shutil.which(tool):
            print(tool + ' is missing (scripts/install-deps.sh installs it)')
            sys.exit(77)
    procs, started = [], []
    with tempfile.TemporaryDirectory() as tmp:
        try:
            env = dict(os.environ, XDG_RUNTIME_DIR=tmp + '/run', XDG_DATA_HOME=tmp + '/data',
                       XDG_CONFIG_HOME=tmp + '/config', QT_QPA_PLATFORM='xcb')
            os.makedirs(tmp + '/run', mode=0o700)
            os.makedirs(tmp + '/words')
            with open(tmp + '/words/kiwi.txt', 'wb') as f:
                f.write(b'kiwi\r\n')
            subprocess.run(['bash', SOURCE + '/scripts/first-settings.sh', tmp + '/data/orvella',
                            SOURCE + '/data/macros/starter.txt'], check=True,
                           env=dict(os.environ, ORVELLA_PROGRAM=ORVELLA))
            # The automatic countdown, long enough that no turn runs out.
            with open(tmp + '/data/orvella/orvella.ini', 'r+b') as f:
                ini = f.read().replace(b'Auto= 0 ', b'Auto= 60 ')
                f.seek(0)
                f.write(ini)
            env['DISPLAY'] = os.environ['DISPLAY'] = virtual_display(procs)
            room = Room(ROOM, tmp + '/run/wadapi.sock', env)
            procs.append(room.proc)
            heard = Heard(room)
            url = heard.line(r'People join in a browser at (\S+) with the room code').group(1)
            procs.append(subprocess.Popen([ORVELLA], cwd=tmp + '/words', env=env))
            main_window = window('^Orvella V')
            bo, cy = started[:] = browsers()
            join(bo, url, 'Bo', CODE)
            join(cy, url, 'Cy', CODE)
            heard.line('Cy joined from the web')

            # Load, then Start: the invitation names the registration key.
            key(main_window, 'ctrl+l')
            dialog = window('^Open$')
            xdotool('windowfocus', '--sync', dialog)
            xdotool('type', 'kiwi.txt')
            # The name's completion list may take a Return; one sent to the
            # dialog alone never reaches the main window once it is gone.
            for _ in range(50):
                if not shown('^Open$'):
                    break
                subprocess.run(['xdotool', 'key', '--window', dialog, 'Return'], timeout=30)
            else:
                raise AssertionError('the file dialog never took the name')
            heard.after(lambda: key(main_window, 'alt+s'), re.escape('to Ann Lee to register.'))
            until(bo, lambda d: any(l.startswith('Ann Lee: «»«»') and 'Orvella by' in l
                                    for l in lines(d)))
            register = bo.find_element(By.ID, 'registerButton')
            until(bo, lambda d: register.is_displayed(), 30)
            register.click()
            heard.line(re.escape('ESP from Bo: $'))
            # Two more, so that a draw of three has its players.
            for name in ('Dee', 'Eve'):
                room.type('esp ' + name + ': $')
            heard.line(re.escape('ESP from Eve: $'))
            # Get Regs has no key of its own: the mouse, where the button is.
            heard.after(lambda: xdotool('mousemove', '--window', main_window, '65', '418',
                                        'click', '1'),
                        re.escape('ESP to Eve: You are registered'))
            heard.after(lambda: key(main_window, 'alt+d'), 'come on down')

            # Each player asked in turn until Bo is, after a miss at least;
            # the others miss. Cy only watches: her page never says "Your turn!".
            def cards(check):
                """Both cards, once check holds for them."""
                last = []

                def holds(_):
                    last[:] = [on_card(d) or {} for d in (bo, cy)]
                    return check(last)
                try:
                    until(bo, holds, 30)
                except TimeoutException:
                    raise AssertionError(last) from None
                return last
            missed = False
            for _ in range(4):
                asked, said = heard.after(lambda: key(main_window, 'alt+s'),
                                          r'^Ann Lee: (\w+), your word is (.*)').groups()
                said = said.strip()
                seen = cards(lambda cs: all(c.get('pattern') == said and c.get('up') == asked
                                             for c in cs))
                assert [c['turn'] for c in seen] == [asked == 'Bo', False], seen
                assert not any('kiwi' in c['text'].lower() for c in seen), seen
                if not missed:
                    # The watcher's countdown: a second reading, smaller.
                    first = cards(lambda cs: cs[1].get('seconds'))[1]['seconds']
                    cards(lambda cs: (cs[1].get('seconds') or first) < first)
                if asked == 'Bo' and missed:
                    bo.find_element(By.ID, 'say').send_keys('kiwi' + Keys.ENTER)
                elif asked == 'Bo':
                    bo.find_element(By.ID, 'say').send_keys('pear' + Keys.ENTER)
                else:
                    room.type(asked + ': pear')
                heard.line(re.escape(asked + ': '))
                # Check takes no key until Get has the answer.
                get_and_check = lambda: (key(main_window, 'alt+g'), key(main_window, 'alt+c'))
                if asked == 'Bo' and missed:
                    heard.after(get_and_check, re.escape('WTG Bo! KIWI is a match'))
                    break
                heard.after(get_and_check, 'is not a match')
                missed = True
                # The turn passes on; the card keeps the pattern the room heard.
                seen = cards(lambda cs: all(c.get('up') not in (None, asked) for c in cs))
                assert all(c['pattern'] == said and 'kiwi' not in c['text'].lower()
                           for c in seen), seen
            else:
                raise AssertionError('Bo never won')
            # The box window waits for the host; closed, the win is stored.
            close(window('^Box Caller$'))
            seen = cards(lambda cs: all(c.get('winners') == ['Bo'] for c in cs))
            assert all(c['leaders'] == ['Bo \u2014 1'] and c['pattern'] == 'KIWI'
                       for c in seen), seen
            for d in (bo, cy):
                until(d, lambda d: any(l.startswith('Ann Lee: WTG Bo!') for l in lines(d)), 30)
            shared = [l for l in lines(bo) if not l.startswith('ESP')]
            assert shared == lines(cy)[-len(shared):], (shared, lines(cy))
            print('browser game test passed')
        finally:
            for d in started:
                d.quit()
            for p in reversed(procs):
                p.kill()
                p.wait()


if __name__ == '__main__':
    main()
