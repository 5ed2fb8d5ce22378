#!/usr/bin/python3
"""Screenshots of the extension for docs/extension.md, Japanese and English: its
popup, light and dark, locked on example.com with two accounts bound to it; the
look-alike warning on examp1e.com; the options page, light and dark. Uses the extension test's server, test copy and browser.

Usage: scripts/extension_screenshots.py EXTENSION_DIR SORREL_CLI OUT_DIR
"""
import base64
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "extension"))
out = os.path.abspath(sys.argv.pop())
import extension_test as t  # noqa: E402  (reads EXTENSION_DIR and SORREL_CLI from sys.argv)
from selenium.webdriver.common.by import By  # noqa: E402

t.serve()
copy, ext_id = t.test_copy()
base = "chrome-extension://%s/" % ext_id
key_path = os.path.join(t.WORK, "sorrel.key")
t.cli(["new-key", key_path], t.KEY_PASSWORD + "\n" + t.KEY_PASSWORD + "\n")
sites = "example.com\tdomains=example.com\nexample.com 仕事用\tdomains=example.com\n".encode()
for language in ["ja", "en-US"]:
    d = t.browser(copy, language)
    d.set_window_size(420, 700)
    try:
        d.get(base + "options.html")
        t.wait(d, lambda: d.execute_script("return document.documentElement.dataset.ready"))
        d.execute_async_script("chrome.storage.local.set(arguments[0]).then(arguments[1])", {
            "key": base64.b64encode(open(key_path, "rb").read()).decode(), "sites": base64.b64encode(sites).decode()})
        for scheme in ["light", "dark"]:
            d.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": [{"name": "prefers-color-scheme", "value": scheme}]})
            d.get(base + "options.html")
            t.wait(d, lambda: d.execute_script("return document.documentElement.dataset.ready"))
            d.set_window_size(900, 1400)
            d.find_element(By.TAG_NAME, "body").screenshot(
                os.path.join(out, "extension-options-%s%s.png" % (language[:2], "" if scheme == "light" else "-dark")))
            d.set_window_size(420, 700)
        page_tab = d.current_window_handle
        d.switch_to.new_window("tab")
        popup_tab = d.current_window_handle
        for host, name, schemes in [("example.com", "popup", ["light", "dark"]), ("examp1e.com", "lookalike", ["light"])]:
            d.switch_to.window(page_tab)
            d.get("https://%s/plain" % host)
            d.switch_to.window(popup_tab)
            d.get(base + "options.html")
            tab_id = d.execute_async_script(
                "chrome.tabs.query({}).then((t) => arguments[1](t.find((x) => x.url.includes(arguments[0])).id))", host)
            for scheme in schemes:
                d.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": [{"name": "prefers-color-scheme", "value": scheme}]})
                d.get(base + "popup.html?tab=%d" % tab_id)
                t.wait(d, lambda: d.execute_script("return document.documentElement.dataset.ready"))
                time.sleep(0.2)
                lang = language[:2]
                suffix = "" if scheme == "light" else "-dark"
                d.find_element(By.TAG_NAME, "body").screenshot(os.path.join(out, "extension-%s-%s%s.png" % (name, lang, suffix)))
    finally:
        d.quit()
print("screenshots in", out)
