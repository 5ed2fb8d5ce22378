#!/usr/bin/python3
"""The web app folder served from localhost, in headless Chromium as a phone:
installable; offline, its remembered sealed key derives what sorrel-cli does;
a changed index.html on the server runs only after "update now"; no sideways
scrolling, 44 px targets, the field typed into above the keyboard; no request
of the page or its worker outside the folder (Chromium's network log).

Usage: app_test.py APP_FOLDER SORREL_CLI [SCREENSHOT_FOLDER]
"""
import atexit
import functools
import hashlib
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

CLI, SHOTS = os.path.abspath(sys.argv[2]), (sys.argv[3:] or [None])[0]
WORK = tempfile.mkdtemp(prefix="sorrel-app-")
atexit.register(shutil.rmtree, WORK, True)
KEY_PASSWORD, PASS_PHRASE = "鍵のパスワード", "予約サイト"
failed = 0


def check(ok, what):
    global failed
    print(("ok      " if ok else "FAILED  ") + what)
    failed += not ok


def serve(port=0):
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=WORK)
    http.server.SimpleHTTPRequestHandler.log_message = lambda *args: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def cli(*args, typed=""):
    r = subprocess.run([CLI, *args], input=typed.encode(), capture_output=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
    return r.stdout.decode().strip() if r.returncode == 0 else sys.exit("sorrel-cli: " + r.stderr.decode())


def wait(d, script, what, seconds=30):
    for _ in range(seconds * 10):
        if d.execute_script(script):
            return
        time.sleep(0.1)
    check(False, what)


def phone(d, width, height, dark=False):
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": True})
    d.execute_cdp_cmd("Emulation.setEmulatedMedia",
                      {"features": [{"name": "prefers-color-scheme", "value": "dark" if dark else "light"}]})


def start(d):
    d.get(BASE)
    wait(d, "return document.documentElement.dataset.ready === 'true'", "the app starts")


def layout(d, width, height, shot, top="main"):
    """Every part open: nothing wider than the screen, every target 44 px tall; then
    the pass phrase focused and the screen halved as by the keyboard; screenshots."""
    phone(d, width, height)
    problems = d.execute_script("""
      const open = [...document.querySelectorAll('details:not([open])')], bad = [];
      for (const e of open) e.open = true;
      if (document.documentElement.scrollWidth > innerWidth) bad.push(document.documentElement.scrollWidth + ' px wide');
      for (const e of document.querySelectorAll('button, input:not([type=checkbox]), summary, label.check')) {
        const r = e.getBoundingClientRect();
        if (r.width && (r.height < 44 || r.right > innerWidth)) bad.push((e.id || e.textContent) + ': ' + r.width + ' x ' + r.height);
      }
      for (const e of open) e.open = false;
      scrollTo(0, 0);
      document.getElementById('pass-phrase').focus({ preventScroll: true });
      return bad;""")
    check(not problems, f"{width} x {height}: no sideways scrolling, targets at least 44 px {problems}")
    phone(d, width, height // 2)
    wait(d, "const r = document.getElementById('pass-phrase').getBoundingClientRect(); return r.top >= 0 && r.bottom <= innerHeight",
         f"{width} x {height}: the keyboard leaves the field in view", 3)
    d.execute_script("document.activeElement.blur(); document.querySelector(arguments[0]).scrollIntoView()", top)
    for dark in (False, True):
        phone(d, width, height, dark)
        if SHOTS:
            d.save_screenshot(os.path.join(SHOTS, shot + ("-dark.png" if dark else ".png")))


def main():
    global BASE
    shutil.copytree(sys.argv[1], os.path.join(WORK, "app"))
    key, ini, net_log = (os.path.join(WORK, name) for name in ("phone.key", "setting.ini", "net-log.json"))
    cli("new-key", "--kdf-memory", "8", "--kdf-passes", "1", key, typed=f"{KEY_PASSWORD}\n{KEY_PASSWORD}\n")
    cli("init", "--key", key, "--settings", ini)
    expected = cli("generate", "--settings", ini, "--", PASS_PHRASE, typed=KEY_PASSWORD + "\n")
    server = serve()
    port = server.server_address[1]
    BASE = f"http://localhost:{port}/app/"
    o = webdriver.ChromeOptions()
    o.binary_location = "/usr/bin/chromium"
    for a in ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking", "--lang=ja",
              "--hide-scrollbars", "--log-net-log=" + net_log, "--user-data-dir=" + os.path.join(WORK, "profile")]:
        o.add_argument(a)
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver", env=dict(os.environ, LANGUAGE="ja")), options=o)
    index_path = os.path.join(WORK, "app", "index.html")
    index = open(index_path, "rb").read()
    try:
        phone(d, 412, 915)
        start(d)
        wait(d, "return navigator.serviceWorker.controller !== null", "the worker takes the page")
        errors = d.execute_cdp_cmd("Page.getInstallabilityErrors", {})["installabilityErrors"]
        check(not errors, f"installable {errors}")
        d.find_element(By.ID, "key-file").send_keys(key)
        d.find_element(By.ID, "remember").click()
        wait(d, "return localStorage.getItem('sorrel.key') !== null", "the key is remembered")
        wait(d, f"return document.getElementById('about-sha').textContent === '{hashlib.sha256(index).hexdigest()}'",
             "About shows index.html's hash")

        server.shutdown()
        server.server_close()
        start(d)
        d.find_element(By.ID, "key-password").send_keys(KEY_PASSWORD + Keys.TAB)
        d.find_element(By.ID, "pass-phrase").send_keys(PASS_PHRASE + Keys.ENTER)
        wait(d, "return document.getElementById('result').value !== ''", "offline: a password")
        check(d.find_element(By.ID, "result").get_attribute("value") == expected,
              "offline, from the remembered key: what sorrel-cli derives")
        layout(d, 412, 915, "web-app-412", "label[for=key-password]")

        title, changed = d.title, index.replace(d.title.encode(), b"Sorrel 9.9.9", 1)
        open(index_path, "wb").write(changed)
        server = serve(port)
        start(d)
        wait(d, "return !document.getElementById('update').hidden", "the update notice")
        new_hash = hashlib.sha256(changed).hexdigest()
        check(d.title == title and d.find_element(By.ID, "update-hash").text == new_hash and
              d.find_element(By.ID, "update-version").text == "9.9.9",
              "changed on the server: the installed version runs, the notice names the new one")
        layout(d, 360, 640, "web-app-360")
        d.find_element(By.ID, "update-now").click()
        wait(d, "return document.title === 'Sorrel 9.9.9' && document.getElementById('about-sha').textContent !== ''",
             "update now: the new version runs")
        check(d.find_element(By.ID, "about-sha").get_attribute("textContent") == new_hash and
              not d.find_element(By.ID, "update").is_displayed(), "after the update: its hash, no notice")
    finally:
        d.quit()
        server.shutdown()
    log = json.load(open(net_log))
    start_job = log["constants"]["logEventTypes"]["URL_REQUEST_START_JOB"]
    # The browser's own requests (updates, autofill) have no initiator; the page's and the worker's the app's origin.
    apps = [e["params"]["url"] for e in log["events"]
            if e["type"] == start_job and e.get("params", {}).get("initiator", "not an origin") != "not an origin"]
    outside = [url for url in apps if not url.startswith(BASE)]
    check(apps and not outside, f"{len(apps)} requests of the page and its worker, none outside {BASE} {outside[:5]}")
    print(f"web app: {failed} failed")
    sys.exit(failed != 0)


main()
