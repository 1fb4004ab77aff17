#!/usr/bin/python3
"""Makes the guide's picture of the room's web page in a phone-sized window
(docs/images/web-room.png): the room with scripted players, the host's lines
typed into its console and the registration character told on the program's
socket, one person in headless Chromium.
   /usr/bin/python3 scripts/web_screenshot.py build/release/src/orvella-room [PICTURE]"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'tests', 'room'))
from browser_test import Program  # noqa: E402

from selenium import webdriver
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
        options = webdriver.ChromeOptions()
        for flag in ('--headless=new', '--no-sandbox', '--disable-gpu',
                     '--disable-dev-shm-usage'):
            options.add_argument(flag)
        # A phone's width: a desktop window would not go below 500 pixels.
        options.add_experimental_option(
            'mobileEmulation', {'deviceMetrics': {'width': 360, 'height': 740, 'pixelRatio': 1}})
        program = Program(folder + '/w.sock')
        program.reg('$')
        driver = webdriver.Chrome(options=options)
        driver.get(found.group(1) + '#KTZRW')
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
        # Two frames: the picture shows the lines just added.
        driver.execute_async_script('const done = arguments[0];'
                                    'requestAnimationFrame(() => requestAnimationFrame(done))')
        out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
            os.path.dirname(__file__), '..', 'docs', 'images', 'web-room.png')
        driver.save_screenshot(out)
        driver.quit()
    finally:
        room.kill()
