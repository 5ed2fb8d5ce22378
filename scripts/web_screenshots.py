#!/usr/bin/python3
"""Screenshots of the web page for the README and the guide, in headless
Chromium: docs/web-phone.png (360 px wide) and docs/web-desktop.png.

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
subprocess.run([cli, "new-key", key], input=(key_password + "\n") * 2, text=True, check=True,
               env=dict(os.environ, LC_ALL="C.UTF-8"), capture_output=True)

o = webdriver.ChromeOptions()
o.binary_location = "/usr/bin/chromium"
for a in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
          "--disable-background-networking", "--disable-component-update", "--disable-sync", "--hide-scrollbars",
          "--user-data-dir=" + os.path.join(work, "profile")]:
    o.add_argument(a)
d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)

for name, width in [("web-phone.png", 360), ("web-desktop.png", 1024)]:
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": width, "height": 800, "deviceScaleFactor": 1, "mobile": width < 600})
    d.get("file://" + page)
    d.find_element(By.ID, "key-file").send_keys(key)
    d.find_element(By.ID, "key-password").send_keys(key_password + Keys.TAB)
    d.find_element(By.ID, "pass-phrase").send_keys("example.com" + Keys.ENTER)
    d.execute_script("document.activeElement.blur()")
    height = d.execute_script("return document.documentElement.scrollHeight")
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
    d.save_screenshot(os.path.join(docs, name))
    print(name, os.path.getsize(os.path.join(docs, name)), "bytes")
d.quit()
