#!/usr/bin/python3
"""Screenshots of the web page for the README and the guide, in headless
Chromium, each with a Japanese key password typed into a sealed key made by
the page itself: docs/web-phone.png (360 px wide) and docs/web-desktop.png
(1,024 px) in light mode with the default settings, and docs/web-phone-dark.png
and docs/web-desktop-dark.png in dark mode after a setting.ini of 8 digits
was read, which the main screen names; each with the pass phrase 予約サイト
typed, whose site rule (from a sites.txt read into サイト別設定, shown open)
the note under the pass phrase names.

Usage: scripts/web_screenshots.py PAGE.html SORREL_CLI
"""
import glob
import os
import struct
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

page, cli = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
docs = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "docs")
work = tempfile.mkdtemp(prefix="sorrel-shots-")
key_password = "秘密の鍵パスワード"


def fail(what):
    sys.exit("web_screenshots.py: " + what)


o = webdriver.ChromeOptions()
o.binary_location = "/usr/bin/chromium"
for a in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
          "--disable-background-networking", "--disable-component-update", "--disable-sync", "--hide-scrollbars",
          "--user-data-dir=" + os.path.join(work, "profile")]:
    o.add_argument(a)
d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)
d.set_script_timeout(60)
d.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": work})

# The key: made by the page, sealed at the defaults.
d.get("file://" + page)
d.execute_async_script("""
  const [keyPassword, done] = arguments;
  for (const id of ['new-key-password', 'new-key-confirm']) document.getElementById(id).value = keyPassword;
  newKey().then(done);""", key_password)
key = os.path.join(work, "sorrel.key")
for _ in range(200):
    if os.path.exists(key) and os.path.getsize(key) == 178:
        break
    time.sleep(0.05)
else:
    fail("the page made no sealed key in " + work)
# A setting.ini of 8 digits, as the dialog program would write it.
ini = os.path.join(work, "setting.ini")
r = subprocess.run([cli, "init", "--key", key, "--settings", ini], capture_output=True,
                   env=dict(os.environ, LC_ALL="C.UTF-8"))
if r.returncode != 0:
    fail("sorrel-cli init: " + r.stderr.decode())
record = bytearray(open(ini, "rb").read())
struct.pack_into("<Ii", record, 260, 1 | 2, 8)
open(ini, "wb").write(record)

sites = os.path.join(work, "sites.txt")
open(sites, "w", encoding="utf-8").write("# 自分用\nexample.com\tcounter=2\n予約サイト\tlength=8\tclasses=digits,lower,upper\tcounter=2\n")

for name, width, dark in [("web-phone.png", 360, False), ("web-desktop.png", 1024, False),
                          ("web-phone-dark.png", 360, True), ("web-desktop-dark.png", 1024, True)]:
    d.execute_cdp_cmd("Emulation.setEmulatedMedia",
                      {"features": [{"name": "prefers-color-scheme", "value": "dark" if dark else "light"}]})
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": width, "height": 800, "deviceScaleFactor": 1, "mobile": width < 600})
    d.get("file://" + page)
    d.execute_script("localStorage.clear()")
    d.get("file://" + page)
    if dark:
        d.find_element(By.ID, "settings-file").send_keys(ini)
    d.find_element(By.ID, "key-file").send_keys(key)
    d.execute_script("document.getElementById('sites-section').open = true")
    d.find_element(By.ID, "sites-file").send_keys(sites)
    d.find_element(By.ID, "key-password").send_keys(key_password + Keys.TAB)
    d.find_element(By.ID, "pass-phrase").send_keys("予約サイト" + Keys.ENTER)
    for _ in range(200):
        if d.find_element(By.ID, "result").get_attribute("value"):
            break
        time.sleep(0.05)
    else:
        fail("no password in the page for " + name)
    d.execute_script("document.activeElement.blur(); document.getElementById('settings').open = false")
    height = d.execute_script("return document.documentElement.scrollHeight")
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
    d.save_screenshot(os.path.join(docs, name))
    print(name, os.path.getsize(os.path.join(docs, name)), "bytes")
d.quit()
for leftover in glob.glob(os.path.join(work, "*")):
    if os.path.isfile(leftover):
        os.remove(leftover)
