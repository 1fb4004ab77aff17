#!/usr/bin/python3
"""Two people in headless Chromium join orvella-room --web: a wrong code is
refused, markup shows as text and runs nothing, a registration character the
program told the room before anyone joined gives the Register button at once,
gestures are named and made in the room, a word's pattern stays on one line
of a phone's width, both see the same lines in the same order, and a broken
connection comes back under the same name. The program's game status makes
a card above the lines: only the page of the one who is up says "Your turn!"
(and tells a screen reader once), the countdown counts down, the winners
and leaders show, and the overlay at 1920x1080 shows the same, but only with
the room code. An address whose fragment does not decode leaves the code to
type; a page whose room is gone says so. Exits 77 (skipped) without
Chromium's WebDriver.

tests/e2e/browser_game_test.py borrows the room, the browsers and the
page's helpers."""
import queue
import re
import socket
import struct
import subprocess
import sys
import tempfile
import threading

try:
    from selenium import webdriver
    from selenium.common.exceptions import StaleElementReferenceException
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print('python3-selenium is missing (scripts/install-deps.sh installs it)')
    sys.exit(77)

CODE = 'KTZRW'
MALFORMED = '#%E0%A4%A'  # decodeURIComponent throws on it
BAD_NAME = '<b>Bo</b>&amp;'
GESTURES = ['relax', 'sigh', 'frown', 'grin', 'jump', 'wave', 'react', 'bow', 'shrug', 'present']
BAD_LINE = '<img src=x onerror=window.pwned=1><script>window.pwned=2</script>&amp;'


class Room:
    """orvella-room as a child process; its console lines can be awaited."""

    def __init__(self, program, socket, env=None, options=()):
        self.proc = subprocess.Popen(
            [program, '--socket', socket, '--host', 'Ann Lee', '--web', '0', '--code', CODE,
             '--stay', *options],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, encoding='utf-8', env=env)
        self.lines = queue.Queue()
        threading.Thread(target=lambda: [self.lines.put(l.rstrip('\n')) for l in self.proc.stdout],
                         daemon=True).start()

    def wait_for(self, pattern, seconds=15):
        while True:
            line = self.lines.get(timeout=seconds)
            found = re.search(pattern, line)
            if found:
                return found

    def type(self, line):
        self.proc.stdin.write(line + '\n')
        self.proc.stdin.flush()


class Program:
    """The program's end of the room's socket, enough to link up and tell
    the room the host's registration character."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(path)
        self.frame(b'I', b'orvella')

    def frame(self, op, *fields):
        payload = op + b''.join(struct.pack('>I', len(f)) + f for f in fields)
        self.sock.sendall(struct.pack('>I', len(payload)) + payload)

    def reg(self, char):
        self.frame(b'N', b'reg', char.encode('cp1252'))

    def status(self, *lines):
        """The game status frame: lines of key=value, as in chat/gamestatus.h."""
        self.frame(b'P', ''.join(line + '\r\n' for line in lines).encode('cp1252'))


def browser(phone=True):
    options = webdriver.ChromeOptions()
    for flag in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'):
        options.add_argument(flag)
    if phone:
        # A phone's width: a desktop window would not go below 500 pixels.
        options.add_experimental_option(
            'mobileEmulation', {'deviceMetrics': {'width': 360, 'height': 740, 'pixelRatio': 1}})
    else:
        options.add_argument('--hide-scrollbars')
    driver = webdriver.Chrome(options=options)
    if not phone:
        # A projector's or a stream's picture, whatever the window around it.
        driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
            'width': 1920, 'height': 1080, 'deviceScaleFactor': 1, 'mobile': False})
    return driver


def join(driver, url, name, code):
    driver.get(url)
    driver.find_element(By.ID, 'name').clear()
    driver.find_element(By.ID, 'name').send_keys(name)
    driver.find_element(By.ID, 'code').clear()
    driver.find_element(By.ID, 'code').send_keys(code)
    driver.find_element(By.ID, 'joinButton').click()


def lines(driver):
    return [li.text for li in driver.find_elements(By.CSS_SELECTOR, '#lines li')]


def until(driver, check, seconds=10):
    # The card is drawn anew for each status: an element read a moment ago
    # may be gone, which only means to look again.
    return WebDriverWait(driver, seconds, ignored_exceptions=[StaleElementReferenceException]) \
        .until(lambda d: check(d))


def browsers(overlay=False):
    """Two phones, and with overlay a 1920x1080 screen last; they start in
    parallel, as each takes seconds."""
    kinds = [True, True] + ([False] if overlay else [])
    started = [None] * len(kinds)

    def start(i):
        started[i] = browser(kinds[i])
    threads = [threading.Thread(target=start, args=(i,)) for i in range(len(kinds))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return [d for d in started if d is not None]


def card(driver):
    """The game's card as shown: its lines, or None while it is hidden."""
    return driver.execute_script(
        'const c = document.getElementById("card");'
        'const body = document.getElementById("cardBody") || c;'
        'return c && !c.hidden ? body.innerText.split("\\n").filter(l => l.trim()) : null')


def main():
    with tempfile.TemporaryDirectory() as folder:
        room = Room(sys.argv[1], folder + '/w.sock')
        bo = cy = None
        started = []
        try:
            url = room.wait_for(r'People join in a browser at (\S+) with the room code').group(1)
            program = Program(folder + '/w.sock')
            program.reg('$')
            room.wait_for(r"registration character is \$")
            started = browsers(overlay=True)
            bo, cy, wall = started
            join(bo, url, 'Bo', 'KTZRX')
            until(bo, lambda d: "not this room's code" in d.find_element(By.ID, 'joinProblem').text)

            join(bo, url, BAD_NAME, CODE.lower())
            room.wait_for(re.escape(BAD_NAME) + ' joined from the web')
            # A fragment that does not decode: the code is left to type.
            base = url.split('#')[0]
            cy.get(base + MALFORMED)
            assert cy.find_element(By.ID, 'code').get_attribute('value') == ''
            join(cy, base + MALFORMED, 'Cy', CODE)
            room.wait_for('Cy joined from the web')
            room.type('/players')
            room.wait_for('^People: ' + re.escape(BAD_NAME) + ', Cy$')
            bo.find_element(By.ID, 'say').send_keys(BAD_LINE + Keys.ENTER)
            said = BAD_NAME + ': ' + BAD_LINE
            room.wait_for(re.escape(said))
            for d in (bo, cy):
                until(d, lambda d: said in lines(d))
                assert d.execute_script('return window.pwned === undefined'), 'markup ran'
                assert not d.find_elements(By.CSS_SELECTOR, '#lines img, #lines script, #lines b')

            # Joined after the room heard it: one tap registers.
            register = bo.find_element(By.ID, 'registerButton')
            assert register.is_displayed()
            register.click()
            room.wait_for(re.escape('ESP from ' + BAD_NAME + ': $'))
            until(bo, lambda d: any(l.endswith('ESP to Ann Lee: $') for l in lines(d)))
            # A gesture as the character: the room shows its tag, which registers.
            program.reg('\u00b0')
            register = cy.find_element(By.ID, 'registerButton')
            until(cy, lambda d: 'relax' in register.get_attribute('aria-label'))
            register.click()
            room.wait_for(re.escape('ESP from Cy: <relax>'))
            # Gestures are named, and made in the room for all to see.
            gestures = cy.find_elements(By.CSS_SELECTOR, '#gestures button')
            assert [b.text for b in gestures] == GESTURES, [b.text for b in gestures]
            gestures[GESTURES.index('wave')].click()
            room.wait_for(re.escape('Cy: <wave>'))

            # On a phone's width a pattern and a banner stay on one line; the
            # turn of the one who reads stands out, and a name inside a
            # longer word is not that person's.
            pattern = 'Cy, your word is G -- -- R -- -- i -- -- -- -- -- -- -- e '
            for line in ('Ann Lee: ' + pattern, 'Ann Lee: \u00ab\u00bb\u00ab\u00bb  Questions? ESP '
                         'your host  \u00ab\u00bb\u00ab\u00bb', 'Zed: Cyan is my colour'):
                room.type(line)
            until(cy, lambda d: 'Zed: Cyan is my colour' in lines(d))
            shown = cy.execute_script(
                'return [...document.querySelectorAll("#lines li")].slice(-3).map(li => {'
                '  const part = li.querySelector(".unbroken");'
                '  return [li.className, part ? part.getClientRects().length : 0,'
                '          part ? li.clientHeight > 1.5 * part.offsetHeight : false]; })')
            # The line breaks in front of the pattern, never inside it.
            assert shown[0] == ['wide turn mine', 1, True], shown
            assert [s[:2] for s in shown[1:]] == [['wide', 1], ['', 0]], shown

            cy.find_element(By.ID, 'say').send_keys('maple')
            cy.find_element(By.ID, 'sendButton').click()
            room.type('Ann Lee: Cy wins the word')
            for d in (bo, cy):
                until(d, lambda d: 'Ann Lee: Cy wins the word' in lines(d))
            shared = [[l for l in lines(d) if not l.startswith('ESP')] for d in (bo, cy)]
            assert shared[0] == shared[1][-len(shared[0]):], shared
            assert [l for l in lines(cy) if l.startswith('ESP')] == ['ESP to Ann Lee: <relax>'], \
                "another's ESP"

            # A break: the page reconnects by itself under the same name.
            bo.execute_script('socket.close()')
            room.wait_for(re.escape(BAD_NAME) + ' came back')
            room.type('Ann Lee: welcome back')
            until(bo, lambda d: 'Ann Lee: welcome back' in lines(d))
            assert 'Back in the room' in bo.find_element(By.ID, 'status').text

            # The game's card. Without the code the overlay shows nothing of it.
            wall.get(base + 'overlay' + MALFORMED)
            until(wall, lambda d: 'with the room code' in d.find_element(By.ID, 'problem').text)
            wall.get(base + 'overlay?again#KTZRX')
            until(wall, lambda d: "not this room's code" in d.find_element(By.ID, 'problem').text)
            cy.execute_script(
                'window.said = []; const news = document.getElementById("turnNews");'
                'new MutationObserver(() => said.push(news.textContent))'
                '.observe(news, {childList: true, characterData: true, subtree: true})')
            long = 'G -- -- R -- -- i -- -- -- -- -- -- -- e'
            playing = ('phase=playing', 'word=2', 'words=10', 'pattern=' + long, 'called=Cy',
                       'called=' + BAD_NAME, 'up=0', 'from=15', 'leader=' + BAD_NAME + '\t3')
            for seconds in (12, 11):
                program.status(*playing, 'seconds=%d' % seconds)
                until(cy, lambda d: (card(d) or [''])[0] == 'Word 2 of 10' and
                      d.find_element(By.CSS_SELECTOR, '#card .seconds').text == str(seconds))
            until(bo, lambda d: card(d) is not None and
                  d.find_element(By.CSS_SELECTOR, '#card .seconds').text == '11')
            assert card(cy)[1:3] == ['Your turn!', long], card(cy)
            assert 'Your turn!' not in card(bo) and long in card(bo), card(bo)
            assert cy.execute_script('return window.said') == [
                'Your turn! Your word is ' + long], 'announced once a turn'
            assert bo.find_element(By.ID, 'turnNews').get_attribute('textContent') == ''
            # One line on a phone; the one up marked; names as text.
            assert cy.execute_script(
                'return document.querySelector("#card .pattern span").getClientRects().length') == 1
            assert [li.text for li in cy.find_elements(By.CSS_SELECTOR, '#card .called li.up')] \
                == ['Cy']
            assert not bo.find_elements(By.CSS_SELECTOR, '#card b')
            assert card(wall) is None, 'a wrong code sees nothing of the game'

            won = ('phase=won', 'word=2', 'words=10', 'pattern=GARDENIA', 'winner=Cy\tmaple',
                   'leader=' + BAD_NAME + '\t3', 'leader=Cy\t1')
            program.status(*won)
            for d in (bo, cy):
                until(d, lambda d: card(d) and 'Cy: maple' in card(d))
            assert card(bo)[-3:] == ['Leaders', BAD_NAME + ' \u2014 3', 'Cy \u2014 1'], card(bo)
            # The overlay with the code: the newest status at once, large,
            # on a transparent page with nothing to type into.
            wall.get(base + 'overlay?watch#' + CODE)
            until(wall, lambda d: card(d) and card(d)[:2] == ['Word 2 of 10', 'GARDENIA'])
            shown = wall.execute_script(
                'const s = getComputedStyle(document.body);'
                'return [innerWidth, innerHeight, s.backgroundColor,'
                ' parseFloat(getComputedStyle(document.querySelector(".pattern")).fontSize),'
                ' document.querySelectorAll("input, textarea, button, #lines").length]')
            assert shown[:3] == [1920, 1080, 'rgba(0, 0, 0, 0)'] and shown[3] >= 60 \
                and shown[4] == 0, shown
            # The program goes: the cards say so until it is back.
            program.sock.close()
            for d in (cy, wall):
                until(d, lambda d: card(d) == ['The host is away'])
            program = Program(folder + '/w.sock')
            program.status('phase=idle')
            for d in (cy, wall):
                until(d, lambda d: card(d) is None)

            # The host keeps order: a muted line reaches its own page alone;
            # a kicked page shows why and does not come back by itself.
            room.type('/mute ' + BAD_NAME)
            room.wait_for(re.escape(BAD_NAME + ' is muted for 10 minutes.'))
            bo.find_element(By.ID, 'say').send_keys('flood' + Keys.ENTER)
            until(bo, lambda d: BAD_NAME + ': flood' in lines(d))
            room.type('Ann Lee: after the flood')
            until(cy, lambda d: 'Ann Lee: after the flood' in lines(d))
            assert BAD_NAME + ': flood' not in lines(cy), 'a muted line reached another page'
            room.type('/kick Cy Be kind.')
            until(cy, lambda d: d.find_element(By.ID, 'joinProblem').text ==
                  'Cy was removed from the room by the host. Reason: Be kind.')
            assert cy.execute_script('return me === null && socket === null'), 'it reconnects'

            # Past the connections one address may hold, the page says so.
            port = int(re.search(r':(\d+)/', base).group(1))
            held = [socket.create_connection(('127.0.0.1', port)) for _ in range(40)]
            cy.find_element(By.ID, 'joinButton').click()
            until(cy, lambda d: d.find_element(By.ID, 'joinProblem').text ==
                  'Too many connections from this address.')
            for s in held:
                s.close()

            # The room is gone: Join says so, and the overlay too.
            room.proc.kill()
            room.proc.wait()
            cy.find_element(By.ID, 'joinButton').click()
            until(cy, lambda d: d.find_element(By.ID, 'joinProblem').text ==
                  'Cannot reach the room. Check the address and try again.')
            until(wall, lambda d: d.find_element(By.ID, 'problem').text.startswith(
                'Cannot reach the room'))
            print('browser test passed')
        finally:
            for d in started:
                d.quit()
            room.proc.kill()
            room.proc.wait()


if __name__ == '__main__':
    main()
