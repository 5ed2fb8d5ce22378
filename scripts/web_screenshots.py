#!/usr/bin/python3
"""Screenshots of the web page for the README and the guide, in headless
Chromium: docs/web-phone.png (360 px wide) and docs/web-desktop.png, with a
Japanese pass phrase that has a site rule and the section サイト別設定 open;
the same in dark mode beside them in a temporary folder (printed).

Usage: scripts/web_screenshots.py PAGE.html SORREL_CLI
"""
import os
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

page, cli = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
docs = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "docs")
work = tempfile.mkdtemp(prefix="sorrel-shots-")
key = os.path.join(work, "sorrel.key")
key_password = "秘密の鍵パスワード"
# An original key: the form the page reads.
subprocess.run([cli, "new-key", "--unsealed", key], input=(key_password + "\n") * 2, text=True, check=True,
               env=dict(os.environ, LC_ALL="C.UTF-8"), capture_output=True)

o = webdriver.ChromeOptions()
o.binary_location = "/usr/bin/chromium"
for a in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
          "--disable-background-networking", "--disable-component-update", "--disable-sync", "--hide-scrollbars",
          "--user-data-dir=" + os.path.join(work, "profile")]:
    o.add_argument(a)
d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)

sites = "# 自分用\nexample.com\tcounter=2\n予約サイト\tlength=8\tclasses=digits,lower,upper\tcounter=2\n"
sites_path = os.path.join(work, "sites.txt")
open(sites_path, "w", encoding="utf-8").write(sites)
for name, width in [("web-phone.png", 360), ("web-desktop.png", 1024)]:
    for scheme, folder in [("light", docs), ("dark", work)]:
        d.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": [{"name": "prefers-color-scheme", "value": scheme}]})
        d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                          {"width": width, "height": 800, "deviceScaleFactor": 1, "mobile": width < 600})
        d.get("file://" + page)
        d.find_element(By.ID, "key-file").send_keys(key)
        d.execute_script("document.getElementById('sites-section').open = true")
        d.find_element(By.ID, "sites-file").send_keys(sites_path)
        d.find_element(By.ID, "key-password").send_keys(key_password + Keys.TAB)
        d.find_element(By.ID, "pass-phrase").send_keys("予約サイト" + Keys.ENTER)
        d.execute_script("document.activeElement.blur()")
        height = d.execute_script("return document.documentElement.scrollHeight")
        d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                          {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
        path = os.path.join(folder, name)
        d.save_screenshot(path)
        print(path, os.path.getsize(path), "bytes")
d.quit()
