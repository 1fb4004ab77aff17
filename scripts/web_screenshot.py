#!/usr/bin/python3
"""Makes the guide's pictures of the room's web page in a phone-sized window
(docs/images/web-room.png) and of the overlay at 1920x1080
(docs/images/overlay.png): the room with scripted players, the host's lines
typed into its console, the registration character and the game's status
told on the program's socket, one person in headless Chromium.
   /usr/bin/python3 scripts/web_screenshot.py build/release/src/orvella-room [PICTURE [OVERLAY]]"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'tests', 'room'))
from browser_test import Program, browser  # noqa: E402

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

HOST_LINES = [
    'Ann Lee: \u00ab\u00bb\u00ab\u00bb  Orvella by Dalmoth  \u00ab\u00bb\u00ab\u00bb',
    'Ann Lee: ESP a $ to Ann Lee to register.',
    'Ann Lee: The following players are registered:',
    'Ann Lee: Kim Lo',
    'Ann Lee: Word 1 of 10: Kim Lo, a fruit that keeps the doctor away?',
    'Ann Lee: Kim Lo, your word is A -- -- -- -- ',
]
STATUS = ['phase=playing', 'word=1', 'words=10', 'pattern=A -- -- -- -- ', 'called=Kim Lo',
          'called=Ria Moss', 'called=Sam Ode', 'up=0', 'seconds=17', 'from=30',
          'leader=Ria Moss\t4', 'leader=Sam Ode\t2', 'leader=Kim Lo\t1']
IMAGES = os.path.join(os.path.dirname(__file__), '..', 'docs', 'images')


def settled(driver):
    """Two frames: the picture shows what was just added."""
    driver.execute_async_script('const done = arguments[0];'
                                'requestAnimationFrame(() => requestAnimationFrame(done))')


with tempfile.TemporaryDirectory() as folder:
    room = subprocess.Popen([sys.argv[1], '--socket', folder + '/w.sock', '--host', 'Ann Lee',
                             '--web', '0',
                             '--code', 'KTZRW', '--stay'],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        for line in room.stdout:
            found = re.search(r'browser at (\S+) with', line)
            if found:
                break
        program = Program(folder + '/w.sock')
        program.reg('$')
        program.status(*STATUS)
        driver = browser()
        driver.get(found.group(1))  # the code in its fragment
        driver.find_element(By.ID, 'name').send_keys('Kim Lo')
        driver.find_element(By.ID, 'joinButton').click()
        WebDriverWait(driver, 10).until(lambda d: d.find_element(By.ID, 'say').is_displayed())
        for line in HOST_LINES:
            room.stdin.write(line + '\n')
            room.stdin.flush()
        WebDriverWait(driver, 10).until(
            lambda d: d.find_element(By.ID, 'registerButton').is_displayed())
        driver.find_element(By.ID, 'registerButton').click()
        driver.find_element(By.ID, 'say').send_keys('apple')
        driver.find_element(By.ID, 'sendButton').click()
        WebDriverWait(driver, 10).until(lambda d: 'Kim Lo: apple' in [
            li.text for li in d.find_elements(By.CSS_SELECTOR, '#lines li')])
        driver.execute_script('window.scrollTo(0, 0)')
        settled(driver)
        driver.save_screenshot(sys.argv[2] if len(sys.argv) > 2 else
                               os.path.join(IMAGES, 'web-room.png'))
        driver.quit()

        # The overlay as a stream's browser source composes it: transparent
        # where the page is.
        wall = browser(phone=False)
        wall.execute_cdp_cmd('Emulation.setDefaultBackgroundColorOverride',
                             {'color': {'r': 0, 'g': 0, 'b': 0, 'a': 0}})
        wall.get(found.group(1).split('#')[0] + 'overlay#KTZRW')
        WebDriverWait(wall, 10).until(
            lambda d: d.find_element(By.CSS_SELECTOR, '#card .seconds').text == '17')
        settled(wall)
        wall.save_screenshot(sys.argv[3] if len(sys.argv) > 3 else
                             os.path.join(IMAGES, 'overlay.png'))
        wall.quit()
    finally:
        room.kill()
