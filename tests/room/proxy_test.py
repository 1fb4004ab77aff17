#!/usr/bin/python3
"""orvella-room behind real reverse proxies on this machine, nginx and Caddy,
each on a free port with its own configuration in a temporary folder (never
the packaged service's), the room trusting 127.0.0.1 as its proxy and taking
the proxies' origins. Through nginx, which does not rewrite Origin: a page in
headless Chromium joins and talks; a client from 127.0.0.5 that forges
X-Forwarded-For is still 127.0.0.5 and gets "Too many tries" after its burst
of wrong codes, while one from 127.0.0.6 gets in at once. A client that
connects to the room itself from 127.0.0.7 with a forged X-Forwarded-For is
counted as 127.0.0.7. Through Caddy: the page joins and talks, and a client
is named by its own address. Exits 77 (skipped) without nginx, Caddy,
Chromium or its WebDriver."""
import base64
import grp
import json
import os
import pwd
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

NGINX = shutil.which('nginx') or shutil.which('/usr/sbin/nginx')
CADDY = shutil.which('caddy')
CHROMIUM = shutil.which('chromium') or shutil.which('chromium-browser')
missing = [name for name, path in (('nginx', NGINX), ('caddy', CADDY), ('chromium', CHROMIUM),
                                   ('chromedriver', shutil.which('chromedriver'))) if not path]
if missing:
    print('missing: ' + ', '.join(missing) + ' (scripts/install-deps.sh installs them)')
    sys.exit(77)

from browser_test import CODE, By, Keys, Room, browser, join, lines, until  # noqa: E402

# The server block as a host writes it (docs/guide.md, "Behind a proxy"),
# on a port of this machine instead of 443 with a certificate.
NGINX_CONF = '''user {user} {group};
worker_processes 1;
pid {dir}/nginx.pid;
error_log {dir}/error.log;
events {{
    worker_connections 256;
}}
http {{
    access_log {dir}/access.log;
    client_body_temp_path {dir}/body;
    proxy_temp_path {dir}/proxy;
    fastcgi_temp_path {dir}/fastcgi;
    uwsgi_temp_path {dir}/uwsgi;
    scgi_temp_path {dir}/scgi;

    server {{
        listen 127.0.0.1:{port};

        location / {{
            proxy_pass http://127.0.0.1:{room};
            proxy_set_header Host $host;
            proxy_set_header X-Forwarded-For $proxy_add_x_forwarded_for;
            proxy_set_header X-Forwarded-Proto $scheme;
        }}
        location = /ws {{
            proxy_pass http://127.0.0.1:{room};
            proxy_http_version 1.1;
            proxy_set_header Upgrade $http_upgrade;
            proxy_set_header Connection "upgrade";
            proxy_set_header Host $host;
            proxy_set_header X-Forwarded-For $proxy_add_x_forwarded_for;
            proxy_set_header X-Forwarded-Proto $scheme;
            proxy_read_timeout 1h;
            proxy_send_timeout 1h;
        }}
    }}
}}
'''

CADDYFILE = '''{{
    admin off
    auto_https off
    storage file_system {dir}/data
}}
:{port} {{
    bind 127.0.0.1
    reverse_proxy 127.0.0.1:{room}
}}
'''


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def wait_listening(proc, port, log, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            break
        try:
            socket.create_connection(('127.0.0.1', port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.05)
    with open(log, errors='replace') as f:
        raise RuntimeError('%s did not listen on port %d:\n%s' % (proc.args[0], port, f.read()))


class RawPage:
    """A page's WebSocket spoken by hand from a source address of this
    machine, with the page's own Host and Origin and any header lines more."""

    def __init__(self, port, source, headers=''):
        self.sock = socket.create_connection(('127.0.0.1', port), timeout=5,
                                             source_address=(source, 0))
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((
            'GET /ws HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nOrigin: http://127.0.0.1:%d\r\n%s'
            'Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: %s\r\n'
            'Sec-WebSocket-Version: 13\r\n\r\n' % (port, port, headers, key)).encode())
        self.buf = b''
        while b'\r\n\r\n' not in self.buf:
            self.read()
        head, self.buf = self.buf.split(b'\r\n\r\n', 1)
        self.status = head.split(b'\r\n')[0].decode()
        assert ' 101 ' in self.status, self.status

    def read(self):
        data = self.sock.recv(65536)
        if not data:
            raise EOFError('the connection closed')
        self.buf += data

    def send(self, message):
        payload = json.dumps(message).encode()
        assert len(payload) < 126
        mask = os.urandom(4)
        self.sock.sendall(bytes([0x81, 0x80 | len(payload)]) + mask +
                          bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def frame(self):
        """The op and payload of the room's next frame (never masked)."""
        while True:
            b = self.buf
            if len(b) >= 2:
                size, at = b[1] & 0x7f, 2
                if size >= 126:  # the length follows in 2 or 8 bytes
                    at = 4 if size == 126 else 10
                    size = int.from_bytes(b[2:at], 'big') if len(b) >= at else 1 << 64
                if len(b) >= at + size:
                    self.buf = b[at + size:]
                    return b[0] & 0x0f, b[at:at + size]
            self.read()

    def message(self):
        """The room's next text message, as JSON."""
        while True:
            op, payload = self.frame()
            if op == 0x8:
                raise EOFError('closed by the room')
            if op == 0x1:
                return json.loads(payload)

    def close(self):
        self.sock.close()


def joins(port, source, code, headers='', name='Dee'):
    """What the room answers a join from source through port: welcome or refused."""
    page = RawPage(port, source, headers)
    try:
        page.send({'type': 'join', 'name': name, 'code': code})
        while True:
            got = page.message()
            if got['type'] in ('welcome', 'refused'):
                return got
    finally:
        page.close()


def talks(room, driver, url, name, via):
    """A page in the browser joins through url and talks both ways."""
    join(driver, url, name, CODE)
    room.wait_for(re.escape('%s joined from the web' % name))
    room.type('Ann Lee: hello through %s' % via)
    until(driver, lambda d: 'Ann Lee: hello through %s' % via in lines(d))
    driver.find_element(By.ID, 'say').send_keys('hi from %s' % via + Keys.ENTER)
    room.wait_for(re.escape('%s: hi from %s' % (name, via)))


def named(room):
    """The address the room's console names for the next wrong code."""
    return room.wait_for(r'A web client \((\S+)\) gave a wrong room code').group(1)


def stop(proc):
    if proc and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def main():
    with tempfile.TemporaryDirectory() as folder:
        nginx_port, caddy_port = free_port(), free_port()
        nginx_url = 'http://127.0.0.1:%d' % nginx_port
        caddy_url = 'http://127.0.0.1:%d' % caddy_port
        room = Room(sys.argv[1], folder + '/w.sock', options=(
            '--trust-proxy', '127.0.0.1', '--origin', nginx_url, '--origin', caddy_url + '/'))
        nginx = caddy = driver = None
        try:
            room_port = int(room.wait_for(
                r'People join in a browser at http://127\.0\.0\.1:(\d+)/').group(1))
            conf = folder + '/nginx.conf'
            with open(conf, 'w') as f:
                f.write(NGINX_CONF.format(dir=folder, port=nginx_port, room=room_port,
                                          user=pwd.getpwuid(os.getuid()).pw_name,
                                          group=grp.getgrgid(os.getgid()).gr_name))
            nginx = subprocess.Popen(
                [NGINX, '-p', folder, '-c', conf, '-e', folder + '/error.log',
                 '-g', 'daemon off;'], stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
            caddyfile = folder + '/Caddyfile'
            with open(caddyfile, 'w') as f:
                f.write(CADDYFILE.format(dir=folder, port=caddy_port, room=room_port))
            env = dict(os.environ, HOME=folder, XDG_CONFIG_HOME=folder + '/config',
                       XDG_DATA_HOME=folder + '/data')
            with open(folder + '/caddy.log', 'w') as log:
                caddy = subprocess.Popen(
                    [CADDY, 'run', '--config', caddyfile, '--adapter', 'caddyfile'],
                    stdout=log, stderr=subprocess.STDOUT, env=env, cwd=folder)
            wait_listening(nginx, nginx_port, folder + '/error.log')
            wait_listening(caddy, caddy_port, folder + '/caddy.log')
            driver = browser()

            # (a) A page through nginx, whose Host is not the room's port.
            talks(room, driver, nginx_url + '/#' + CODE, 'Bo', 'nginx')

            # (b) The limits hold for the client nginx names, not for nginx,
            # and not for what the client wrote itself.
            forged = 'X-Forwarded-For: 203.0.113.9\r\n'
            for attempt in range(5):
                got = joins(nginx_port, '127.0.0.5', 'KTZRX', forged)
                assert got['why'] == "That is not this room's code.", (attempt, got)
            assert named(room) == '127.0.0.5'
            got = joins(nginx_port, '127.0.0.5', 'KTZRX', forged)
            assert got['why'].startswith('Too many tries'), got
            assert room.wait_for(r'Too many joins from (\S+);').group(1) == '127.0.0.5'
            got = joins(nginx_port, '127.0.0.6', CODE)
            assert got['type'] == 'welcome', got
            room.wait_for('Dee joined from the web')

            # (c) Straight to the room, its own address, whatever it forges.
            joins(room_port, '127.0.0.7', 'KTZRX', forged)
            assert named(room) == '127.0.0.7'

            # Caddy sets X-Forwarded-For itself.
            talks(room, driver, caddy_url + '/#' + CODE, 'Cy', 'Caddy')
            joins(caddy_port, '127.0.0.8', 'KTZRX', forged)
            assert named(room) == '127.0.0.8'
            print('proxy test passed')
        finally:
            if driver:
                driver.quit()
            for proc in (caddy, nginx):
                stop(proc)
            room.proc.kill()
            room.proc.wait()


if __name__ == '__main__':
    main()
