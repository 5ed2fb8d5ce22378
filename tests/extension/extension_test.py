#!/usr/bin/python3
"""The browser extension in headless Chromium, against sorrel-cli.

Usage: extension_test.py EXTENSION_DIR SORREL_CLI

A test copy of the built extension adds host permissions for the test names
only (headless Chromium cannot grant activeTab) and a key for a fixed id; the
popup is opened as a page naming the tab it acts on. Pages come over HTTPS
from 127.0.0.1 under real names. One table: the site each page is named as,
where a fill lands (or why not), every password equal to sorrel-cli's for the
sites.txt the extension exported; then what storage holds, a sites.txt
imported over bindings, the idle lock, the shipped manifest's permissions,
and the figures.
"""
import base64
import hashlib
import http.server
import json
import os
import shutil
import ssl
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support import expected_conditions as expected
from selenium.webdriver.support.ui import WebDriverWait

EXT, CLI = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
WORK = tempfile.mkdtemp(prefix="sorrel-ext-")
KEY_PASSWORD = "かぎのパスワード1"
PORT = 8443
IDN = "日本語.jp"
IDN_ASCII = "xn--wgv71a119e.jp"
HOMOGRAPH = "xn--xample-2of.com"  # Cyrillic е then xample
failures = []

PAGES = {
    "plain": '<form><input name="user"><input type="password" id="p"></form>',
    # A React-style controlled field: the page's own value property, and a
    # change seen only when the native value differs from what it last set.
    "react": '''<input type="password" id="p"><script>
      const p = document.getElementById("p");
      const own = Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, "value");
      let tracked = "";
      Object.defineProperty(p, "value", { get() { return own.get.call(this); }, set(v) { tracked = v; own.set.call(this, v); } });
      p.addEventListener("input", () => { if (p.value !== tracked) p.dataset.changed = p.value; });
    </script>''',
    "shadow": '''<div id="host"></div><script>
      document.getElementById("host").attachShadow({ mode: "open" }).innerHTML = '<input type="password" id="p">';
    </script>''',
    "frame": '<iframe src="/plain" id="f"></iframe>',
    "signup": '<form><input type="password" id="p" autocomplete="new-password">'
              '<input type="password" id="q" autocomplete="new-password"><input type="hidden" id="h"></form>',
    "cross": '<iframe src="https://auth.other-idp.net:%d/plain"></iframe>' % PORT,
}


class Pages(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = ("<!DOCTYPE html><meta charset=utf-8><body>%s" % PAGES.get(self.path.strip("/"), "")).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def serve():
    cert, key = os.path.join(WORK, "cert.pem"), os.path.join(WORK, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=test",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", PORT), Pages)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()


def test_copy():
    """The built extension with host permissions for the test names and a key; its id."""
    copy = os.path.join(WORK, "extension")
    shutil.copytree(EXT, copy)
    pem = subprocess.run(["openssl", "genrsa", "2048"], check=True, capture_output=True).stdout
    der = subprocess.run(["openssl", "rsa", "-pubout", "-outform", "DER"], input=pem, check=True,
                         capture_output=True).stdout
    manifest = json.load(open(os.path.join(copy, "manifest.json")))
    manifest["key"] = base64.b64encode(der).decode()
    manifest["host_permissions"] = ["https://*.example.com/*", "https://example.com/*", "https://*.example.co.jp/*",
                                    "https://alice.github.io/*", "https://%s/*" % IDN_ASCII, "https://examp1e.com/*",
                                    "https://%s/*" % HOMOGRAPH, "https://example-com.login.net/*"]
    json.dump(manifest, open(os.path.join(copy, "manifest.json"), "w"))
    ext_id = "".join(chr(ord("a") + int(c, 16)) for c in hashlib.sha256(der).hexdigest()[:32])
    return copy, ext_id


def browser(copy, language=None):
    o = webdriver.ChromeOptions()
    o.binary_location = "/usr/bin/chromium"
    for a in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
              "--disable-background-networking", "--disable-component-update", "--disable-sync",
              "--host-resolver-rules=MAP * 127.0.0.1:%d" % PORT, "--ignore-certificate-errors",
              "--load-extension=" + copy, "--disable-extensions-except=" + copy,
              "--user-data-dir=" + os.path.join(WORK, "profile")]:
        o.add_argument(a)
    if language:
        o.add_argument("--lang=" + language)
    env = dict(os.environ, LANGUAGE=language) if language else None
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver", env=env), options=o)
    d.set_script_timeout(30)
    return d


def cli(args, typed=KEY_PASSWORD + "\n"):
    r = subprocess.run([CLI] + args, input=typed.encode(), capture_output=True, env=dict(os.environ, LC_ALL="C.UTF-8"),
                       cwd=WORK)
    if r.returncode:
        sys.exit("sorrel-cli %s: %s" % (" ".join(args), r.stderr.decode()))
    return r.stdout.decode().rstrip("\n")


def wait(d, condition, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    return None


def check(name, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + name + ("" if ok else ": " + detail))
    if not ok:
        failures.append(name)


def storage(d, area):
    return d.execute_async_script("chrome.storage[arguments[0]].get(null).then(arguments[1])", area)


def field_values(d, page):
    """The password fields' values of the page, through frames and shadow roots."""
    return d.execute_script("""
      const f = document.getElementById('f'), h = document.getElementById('host');
      const root = f ? f.contentDocument : h ? h.shadowRoot : document;
      return [...root.querySelectorAll('input[type=password]')].map((i) => i.value);""")


def field_values_of(d, page_tab, popup_tab, page):
    d.switch_to.window(page_tab)
    values = field_values(d, page)
    d.switch_to.window(popup_tab)
    return values


def open_popup(d, base, url):
    """The popup, as a page naming the tab that shows url."""
    tab_id = d.execute_async_script(
        "chrome.tabs.query({}).then((t) => arguments[1](t.find((x) => x.url.startsWith(arguments[0])).id))", url)
    d.get(base + "popup.html?tab=%d" % tab_id)
    wait(d, lambda: d.execute_script("return document.documentElement.dataset.ready"))


def main():
    serve()
    copy, ext_id = test_copy()
    base = "chrome-extension://%s/" % ext_id
    # An original key and settings of their own, taken in through the options page, which seals the key.
    key_path, ini = os.path.join(WORK, "sorrel.key"), os.path.join(WORK, "setting.ini")
    cli(["new-key", "--unsealed", key_path], KEY_PASSWORD + "\n" + KEY_PASSWORD + "\n")
    cli(["init", "--key", key_path, "--settings", ini])
    cli(["configure", "--settings", ini, "--length", "20", "--derivation", "2"])
    # A rule of its own for one site: the popup must apply it.
    open(os.path.join(WORK, "sites.txt"), "wb").write("alice.github.io\tlength=24\tclasses=digits,lower\n".encode())
    d = browser(copy)
    try:
        d.get(base + "options.html")
        wait(d, lambda: d.execute_script("return document.documentElement.dataset.ready"))
        for field, path in [("settings-file", ini), ("sites-file", os.path.join(WORK, "sites.txt")), ("key-file", key_path)]:
            d.find_element(By.ID, field).send_keys(path)
        d.find_element(By.ID, "seal-password").send_keys(KEY_PASSWORD)
        d.find_element(By.ID, "seal").click()
        check("the options page seals an original key", wait(d, lambda: storage(d, "local").get("keyName") == "sorrel-sealed.key"))
        page_tab = d.current_window_handle
        d.switch_to.new_window("tab")
        popup_tab = d.current_window_handle
        d.get(base + "options.html")
        table = [
            # host, page, site named, fills, pass phrase the fill must derive from, what the popup says
            ("example.com", "plain", "example.com", 1, "example.com", ""),
            ("login.example.com", "react", "example.com", 1, "example.com", ""),
            ("shop.example.co.jp", "shadow", "example.co.jp", "amber", "example.co.jp", ""),
            ("alice.github.io", "frame", "alice.github.io", 1, "alice.github.io", ""),
            (IDN_ASCII, "signup", IDN, 2, IDN, ""),
            ("example.com", "cross", "example.com", 0, "", "auth.other-idp.net"),
            ("examp1e.com", "plain", "examp1e.com", "red", "examp1e.com", "example.com"),
            (HOMOGRAPH, "plain", "еxample.com", 0, "", "example.com"),
            ("example-com.login.net", "plain", "login.net", "amber", "login.net", ""),
        ]
        figures = {"ready": [], "fill": [], "unlock": []}
        filled = {}
        for host, page, site, fills, phrase, says in table:
            name = "%s/%s" % (host, page)
            d.switch_to.window(page_tab)
            d.get("https://%s/%s" % (host, page))
            d.switch_to.window(popup_tab)
            open_popup(d, base, "https://%s/%s" % (host, page))
            figures["ready"].append(d.execute_script("return performance.getEntriesByName('sorrel-ready')[0].startTime"))
            shown = d.find_element(By.ID, "site").text
            message = lambda: d.find_element(By.ID, "message").text
            password_row = d.find_element(By.ID, "password-row")
            if password_row.is_displayed():
                d.find_element(By.ID, "key-password").send_keys(KEY_PASSWORD + Keys.ENTER)
            else:
                d.find_element(By.ID, "fill").click()
            said = wait(d, lambda: not message().endswith("…") and message())
            if fills == "red":  # nothing until the page's domain is typed in full
                check(name + ": red warning, no fill", says in d.find_element(By.ID, "warning").text
                      and not [v for v in field_values_of(d, page_tab, popup_tab, page) if v])
                says = ""
                d.find_element(By.ID, "confirm-domain").send_keys(site)
                d.find_element(By.ID, "fill").click()
                fills = 1
                wait(d, lambda: message() != said and not message().endswith("…") and message())
            if fills == "amber":
                check(name + ": amber warning, no fill on the first click", "example.com" in d.find_element(By.ID, "warning").text)
                d.find_element(By.ID, "fill").click()
                fills = 1
                wait(d, lambda: message() != said and not message().endswith("…") and message())
            said = message() + "\n" + d.find_element(By.ID, "warning").text
            if d.execute_script("return performance.getEntriesByName('sorrel-unlock').length"):
                figures["unlock"].append(d.execute_script("return performance.getEntriesByName('sorrel-unlock')[0].duration"))
            fill_time = d.execute_script("const m = performance.getEntriesByName('sorrel-fill'); return m.length ? m[0].duration : null")
            if fill_time is not None:
                figures["fill"].append(fill_time)
            d.switch_to.window(page_tab)
            values = [v for v in field_values(d, page) if v]
            ok = shown == site and len(values) == fills and len(set(values)) <= 1 and (says in said)
            if page == "react":
                ok = ok and d.execute_script("return document.getElementById('p').dataset.changed") == values[0]
            check(name, ok, "site %r, filled %r, said %r" % (shown, values, said))
            if values:
                filled[name] = (phrase, values[0])
        # A tab that has gone to another page since the popup named its site gets nothing.
        d.switch_to.window(page_tab)
        d.get("https://example.com/plain")
        d.switch_to.window(popup_tab)
        open_popup(d, base, "https://example.com/plain")
        d.switch_to.window(page_tab)
        d.get("https://examp1e.com/plain")
        d.switch_to.window(popup_tab)
        d.find_element(By.ID, "fill").click()
        moved = d.execute_script("return chrome.i18n.getMessage('pageMoved')")
        check("a tab moved on since the popup opened: no fill", wait(d, lambda: d.find_element(By.ID, "message").text == moved)
              and not [v for v in field_values_of(d, page_tab, popup_tab, "plain") if v])
        # Every fill equals sorrel-cli's for the sites.txt the extension kept.
        d.switch_to.window(popup_tab)
        local = storage(d, "local")
        open(os.path.join(WORK, "sites.txt"), "wb").write(base64.b64decode(local["sites"]))
        for name, (phrase, value) in filled.items():
            want = cli(["generate", "--settings", ini, "--key", key_path, "--", phrase])
            check(name + ": sorrel-cli's password", value == want, "%r, sorrel-cli %r" % (value, want))
        bound = base64.b64decode(local["sites"]).decode()
        check("first fills bound their domains", "domains=example.com" in bound and "domains=login.net" in bound
              and "еxample" not in bound, bound)
        session = storage(d, "session")
        secrets = [KEY_PASSWORD, session.get("pool", "-")] + [v for _, v in filled.values()]
        dump = json.dumps(local, ensure_ascii=False)
        original = base64.b64encode(open(key_path, "rb").read()).decode()
        check("storage.local: the sealed key and no secret", base64.b64decode(local["key"]).startswith(b"SorrelSK")
              and not any(s in dump for s in secrets + [original]), dump[:200])
        # A sites.txt imported over bindings: kept when asked, the file's own lines byte for byte.
        d.get(base + "options.html")
        wait(d, lambda: d.execute_script("return document.documentElement.dataset.ready"))
        open(os.path.join(WORK, "new.txt"), "wb").write(b"# new\r\nexample.com\tlength=30\r\n")
        d.find_element(By.ID, "sites-file").send_keys(os.path.join(WORK, "new.txt"))
        WebDriverWait(d, 10).until(expected.alert_is_present()).accept()
        kept = wait(d, lambda: (lambda b: b.startswith(b"# new") and b)(base64.b64decode(storage(d, "local")["sites"])))
        check("an import over bindings keeps them", kept and kept.startswith(b"# new\r\nexample.com\tlength=30\tdomains=example.com\r\n")
              and "日本語.jp\tdomains=日本語.jp".encode() in kept, repr(kept))
        # The idle time passing: the background's alarm empties the session.
        d.execute_async_script("""const until = Date.now() + 1000;
          chrome.storage.session.set({ until }).then(() => chrome.runtime.sendMessage({ until })).then(() => arguments[0]())""")
        check("locked after the idle time", wait(d, lambda: not storage(d, "session"), 20) is not None, "session kept")
        for what, values in figures.items():
            if values:
                print("figure: %s %.0f ms (max of %d)" % (what, max(values), len(values)))
    finally:
        d.quit()
    shipped = json.load(open(os.path.join(EXT, "manifest.json")))
    check("the shipped manifest asks for no host", "host_permissions" not in shipped and
          not any("://" in p or p == "<all_urls>" for p in shipped["permissions"]), str(shipped["permissions"]))
    shutil.rmtree(WORK, ignore_errors=True)
    print("%d failed" % len(failures))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
