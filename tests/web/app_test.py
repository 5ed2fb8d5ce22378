#!/usr/bin/python3
"""The web app folder served from localhost, in headless Chromium as a phone.

Usage: app_test.py APP_FOLDER SORREL_CLI [SCREENSHOT_FOLDER]

Chromium's network log names each request's initiator: the page's and its
worker's have the app's origin; the browser's own (autofill, updates) none.
- installable: Chromium reports no installability error;
- offline: with the server stopped, a reload opens the app, its remembered
  sealed key, and derives what sorrel-cli derives;
- pinned: a changed index.html on the server does not run; the notice shows
  its hash; "update now" runs it;
- at 360 x 640 and 412 x 915: no sideways scrolling, targets 44 px tall, the
  field typed into above the keyboard; screenshots, light and dark;
- no request leaves the app's folder.
"""
import hashlib
import http.server
import json
import os
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

APP, CLI = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
SHOTS = sys.argv[3] if len(sys.argv) > 3 else None
WORK = tempfile.mkdtemp(prefix="sorrel-app-")
KEY_PASSWORD, PASS_PHRASE = "鍵のパスワード", "予約サイト"
failed = 0


def check(ok, what):
    global failed
    print(("ok      " if ok else "FAILED  ") + what)
    failed += not ok


class Host(http.server.BaseHTTPRequestHandler):
    files = {}  # path -> bytes

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        body = Host.files.get(url.path + ("index.html" if url.path.endswith("/") else ""))
        if body is None:
            self.send_error(404)
            return
        self.send_response(200)
        kind = {"html": "text/html; charset=utf-8", "js": "text/javascript", "png": "image/png",
                "webmanifest": "application/manifest+json"}[url.path.rsplit(".", 1)[-1] if "." in url.path else "html"]
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def serve(port=0):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Host)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def cli(*args, typed=""):
    r = subprocess.run([CLI, *args], input=typed.encode(), capture_output=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
    if r.returncode:
        sys.exit("app_test.py: sorrel-cli %s: %s" % (args[0], r.stderr.decode()))
    return r.stdout.decode().strip()


def wait(d, script, what, seconds=30):
    for _ in range(seconds * 10):
        if d.execute_script(script):
            return True
        time.sleep(0.1)
    check(False, what)
    return False


def phone(d, width, height, dark=False):
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": True})
    d.execute_cdp_cmd("Emulation.setEmulatedMedia",
                      {"features": [{"name": "prefers-color-scheme", "value": "dark" if dark else "light"}]})


def start(d):
    d.get(BASE)
    wait(d, "return document.documentElement.dataset.ready === 'true'", "the app starts")


def layout(d, width, height):
    """Every part open: nothing wider than the screen, every target 44 px tall;
    then the pass phrase field focused and the screen shrunk as by the keyboard."""
    phone(d, width, height)
    problems = d.execute_script("""
      const open = [...document.querySelectorAll('details:not([open])')];
      for (const e of open) e.open = true;
      const bad = [];
      if (document.documentElement.scrollWidth > innerWidth) bad.push('page ' + document.documentElement.scrollWidth + ' px wide');
      for (const e of document.querySelectorAll('button, input:not([type=checkbox]), summary, label.check')) {
        const r = e.getBoundingClientRect();
        if (r.width && (r.height < 44 || r.right > innerWidth)) bad.push((e.id || e.textContent) + ': ' + r.width + ' x ' + r.height);
      }
      for (const e of open) e.open = false;
      return bad;""")
    check(not problems, f"{width} x {height}: no sideways scrolling, targets at least 44 px {problems}")
    d.execute_script("scrollTo(0, 0); document.getElementById('pass-phrase').focus({ preventScroll: true })")
    phone(d, width, height // 2)
    wait(d, """const r = document.getElementById('pass-phrase').getBoundingClientRect();
               return r.top >= 0 && r.bottom <= innerHeight""", f"{width} x {height}: the keyboard leaves the field in view", 3)
    d.execute_script("document.activeElement.blur(); scrollTo(0, 0)")
    phone(d, width, height)


def shots(d, name, width, height):
    for dark in (False, True):
        phone(d, width, height, dark)
        if SHOTS:
            d.save_screenshot(os.path.join(SHOTS, f"{name}{'-dark' if dark else ''}.png"))
    phone(d, width, height)


def main():
    global BASE
    key, ini = os.path.join(WORK, "phone.key"), os.path.join(WORK, "setting.ini")
    cli("new-key", "--kdf-memory", "8", "--kdf-passes", "1", key, typed=f"{KEY_PASSWORD}\n{KEY_PASSWORD}\n")
    cli("init", "--key", key, "--settings", ini)
    expected = cli("generate", "--settings", ini, "--", PASS_PHRASE, typed=KEY_PASSWORD + "\n")
    for name in os.listdir(APP):
        Host.files["/app/" + name] = open(os.path.join(APP, name), "rb").read()
    server = serve()
    port = server.server_address[1]
    BASE = f"http://localhost:{port}/app/"
    net_log = os.path.join(WORK, "net-log.json")

    o = webdriver.ChromeOptions()
    o.binary_location = "/usr/bin/chromium"
    for a in ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
              "--disable-component-update", "--disable-sync", "--hide-scrollbars", "--lang=ja", "--log-net-log=" + net_log,
              "--user-data-dir=" + os.path.join(WORK, "profile")]:
        o.add_argument(a)
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)
    try:
        phone(d, 412, 915)
        start(d)
        wait(d, "return navigator.serviceWorker.controller !== null", "the worker takes the page")
        errors = d.execute_cdp_cmd("Page.getInstallabilityErrors", {})["installabilityErrors"]
        check(not errors, f"installable {errors}")
        check(d.execute_script("""const k = document.getElementById('key-file'), p = document.getElementById('pass-phrase');
          return !k.hasAttribute('accept') && p.getAttribute('autocapitalize') === 'off' && p.getAttribute('autocorrect') === 'off'"""),
              "the key chooser takes any file; the pass phrase is neither corrected nor capitalised")
        d.find_element(By.ID, "key-file").send_keys(key)
        d.find_element(By.ID, "remember").click()
        wait(d, "return localStorage.getItem('sorrel.key') !== null", "the key is remembered")
        first = d.execute_script("return document.getElementById('about-sha').textContent")
        check(first == hashlib.sha256(Host.files["/app/index.html"]).hexdigest(), "About shows index.html's hash")

        server.shutdown()
        server.server_close()
        start(d)
        d.find_element(By.ID, "key-password").send_keys(KEY_PASSWORD + Keys.TAB)
        d.find_element(By.ID, "pass-phrase").send_keys(PASS_PHRASE + Keys.ENTER)
        wait(d, "return document.getElementById('result').value !== ''", "offline: a password")
        check(d.find_element(By.ID, "result").get_attribute("value") == expected,
              "offline, from the remembered key: what sorrel-cli derives")
        layout(d, 412, 915)
        shots(d, "web-app-412", 412, 915)

        index = Host.files["/app/index.html"]
        title = d.title
        changed = index.replace(title.encode(), b"Sorrel 9.9.9", 1)
        Host.files["/app/index.html"] = changed
        server = serve(port)
        phone(d, 360, 640)
        start(d)
        wait(d, "return !document.getElementById('update').hidden", "the update notice")
        new_hash = hashlib.sha256(changed).hexdigest()
        check(d.title == title and d.find_element(By.ID, "update-hash").text == new_hash and
              d.find_element(By.ID, "update-version").text == "9.9.9",
              "changed on the server: the installed version runs, the notice names the new one")
        layout(d, 360, 640)
        shots(d, "web-app-360", 360, 640)
        d.find_element(By.ID, "update-now").click()
        wait(d, "return document.title === 'Sorrel 9.9.9' && document.getElementById('about-sha').textContent !== ''",
             "update now: the new version runs")
        check(d.find_element(By.ID, "about-sha").get_attribute("textContent") == new_hash and
              d.find_element(By.ID, "update").get_attribute("hidden") is not None, "after the update: its hash, no notice")
    finally:
        d.quit()
        server.shutdown()
    log = json.load(open(net_log))
    start_job = log["constants"]["logEventTypes"]["URL_REQUEST_START_JOB"]
    asked = [e["params"] for e in log["events"] if e["type"] == start_job and "url" in e.get("params", {})]
    apps = [p["url"] for p in asked if p["initiator"] != "not an origin"]
    outside = [url for url in apps if not url.startswith(BASE)]
    check(apps and not outside, f"{len(apps)} requests of the page and its worker, none outside {BASE} {outside[:5]}")
    print(f"web app: {failed} failed")
    sys.exit(failed != 0)


main()
