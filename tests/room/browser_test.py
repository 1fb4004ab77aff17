#!/usr/bin/python3
"""Two people in headless Chromium join orvella-room --web: a wrong code is
refused, markup shows as text and runs nothing, the host's invitation gives
the Register button, both see the same lines in the same order, and a broken
connection comes back under the same name. Exits 77 (skipped) without
Chromium's WebDriver.

tests/app/browser_game_test.py borrows the room, the browsers and the
page's helpers."""
import queue
import re
import subprocess
import sys
import tempfile
import threading

try:
    from selenium import webdriver
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print('python3-selenium is missing (scripts/install-deps.sh installs it)')
    sys.exit(77)

CODE = 'KTZRW'
BAD_NAME = '<b>Bo</b>&amp;'
BAD_LINE = '<img src=x onerror=window.pwned=1><script>window.pwned=2</script>&amp;'


class Room:
    """orvella-room as a child process; its console lines can be awaited."""

    def __init__(self, program, socket, env=None):
        self.proc = subprocess.Popen(
            [program, '--socket', socket, '--host', 'Ann Lee', '--web', '0', '--code', CODE,
             '--stay'],
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


def browser():
    options = webdriver.ChromeOptions()
    for flag in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'):
        options.add_argument(flag)
    # A phone's width: a desktop window would not go below 500 pixels.
    options.add_experimental_option(
        'mobileEmulation', {'deviceMetrics': {'width': 360, 'height': 740, 'pixelRatio': 1}})
    return webdriver.Chrome(options=options)


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
    return WebDriverWait(driver, seconds).until(lambda d: check(d))


def browsers():
    # Two browsers start in parallel: each takes seconds.
    started = []
    threads = [threading.Thread(target=lambda: started.append(browser())) for _ in (0, 1)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return started


def main():
    with tempfile.TemporaryDirectory() as folder:
        room = Room(sys.argv[1], folder + '/w.sock')
        bo = cy = None
        started = []
        try:
            url = room.wait_for(r'People join in a browser at (\S+) with the room code').group(1)
            started = browsers()
            bo, cy = started
            join(bo, url, 'Bo', 'KTZRX')
            until(bo, lambda d: "not this room's code" in d.find_element(By.ID, 'joinProblem').text)

            join(bo, url, BAD_NAME, CODE.lower())
            room.wait_for(re.escape(BAD_NAME) + ' joined from the web')
            join(cy, url, 'Cy', CODE)
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

            room.type('Ann Lee: ESP a $ to Ann Lee to register.')
            register = bo.find_element(By.ID, 'registerButton')
            until(bo, lambda d: register.is_displayed())
            register.click()
            room.wait_for(re.escape('ESP from ' + BAD_NAME + ': $'))
            until(bo, lambda d: any(l.endswith('ESP to Ann Lee: $') for l in lines(d)))
            cy.find_element(By.ID, 'say').send_keys('maple')
            cy.find_element(By.ID, 'sendButton').click()
            room.type('Ann Lee: Cy wins the word')
            for d in (bo, cy):
                until(d, lambda d: 'Ann Lee: Cy wins the word' in lines(d))
            shared = [l for l in lines(bo) if not l.startswith('ESP')]
            assert shared == lines(cy)[-len(shared):], (shared, lines(cy))
            assert not any(l.startswith('ESP') for l in lines(cy)), "another's ESP"

            # A break: the page reconnects by itself under the same name.
            bo.execute_script('socket.close()')
            room.wait_for(re.escape(BAD_NAME) + ' came back')
            room.type('Ann Lee: welcome back')
            until(bo, lambda d: 'Ann Lee: welcome back' in lines(d))
            assert 'Back in the room' in bo.find_element(By.ID, 'status').text
            print('browser test passed')
        finally:
            for d in started:
                d.quit()
            room.proc.kill()
            room.proc.wait()


if __name__ == '__main__':
    main()
