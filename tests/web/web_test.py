#!/usr/bin/python3
"""The web page in headless Chromium, compared with sorrel-cli.

Usage: web_test.py PAGE.html SORREL_CLI

- random cases (original and sealed keys made here, Japanese key passwords and
  pass phrases, lengths 1-1023, class subsets, a setting.ini of its own): the
  page's password is sorrel-cli generate's (for a sealed key, of the same pool
  in the original form under the key's own derivation, while sorrel-cli reads
  no sealed key);
- the encoder over U+0000-U+FFFF is iconv's CP932, refusals included;
- the published sealed-key vectors; a key sealed in the page (default
  parameters) opens here over PyNaCl; sealing, re-sealing and the derivation's
  change keep what they must;
- a key password changed in the page: the downloaded key opens with the new
  one only and derives what the old one did; a refusal changes nothing;
- the main screen names the settings that are not the defaults, and whence;
- a remembered key: only a sealed one, in use at the next visit;
- the messages for bad input, beside their fields;
- site rules: a sites.txt made in the page gives in sorrel-cli the page's
  passwords; an imported file exports unchanged; a broken one is refused
  with its line and stops generating;
- no request leaves the page, and no secret stays in storage, cookies, the URL
  or the console.
"""
import base64
import ctypes
import ctypes.util
import glob
import json
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

import nacl.bindings as sodium
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

PAGE, CLI = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
CLI_READS_SEALED = False  # until sorrel-cli reads sealed keys: set in main()
CP932 = None
# The published sealed-key vectors: the unshuffled alphabet under derivation 2
# at the defaults, and reversed under derivation 1 at the smallest parameters.
VECTOR_1 = ("536f7272656c534b010102000300000000000100000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f202122"
            "2324252627bf85a8163089f1a20d9cb73785c2229982c43d1406bfeb87c077735d6272ab0b17771719f2fafc6aa94f809908dd35b688b3"
            "5ace338a3e176301d2b22b61280f75de6b43ff8d5aa69a99a129ff4c76d7cb8662aeb69d0c68d0ebe756dc59c9e2fecf8eee8014c034070d"
            "1e3fbaffef63bc945d7850f7")
VECTOR_2 = ("536f7272656c534b010101000100000000200000a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a55a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a"
            "5a5a5a5a61468bbc288355144564242896eccf1351976368159c7fb83740f6db04827af34a2375fdad7b545c158b91fe50f45efcce9bcd59"
            "7438e081b792f948874c1948f3dcefd75f629c57bef39f59171ec297b92f55a16170c19cbf4d92002c8cb92c5609ce1ebf470be23a9977a7"
            "d5041353a2c9af4fd9a2")
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WORK = tempfile.mkdtemp(prefix="sorrel-web-")
DOWNLOADS = os.path.join(WORK, "downloads")
CASES = int(os.environ.get("SORREL_WEB_CASES", "300"))
passed = failed = 0


def check(ok, what):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAIL", what)


def texts():
    """The page's texts, shared with the dialog program or its own (the page must show them as they are)."""
    source = "".join(open(os.path.join(ROOT, *path), encoding="utf-8").read().replace("\\\n", "")
                     for path in [("texts", "shared_texts.h"), ("web", "web_texts.h")])
    found = {}
    for name, body in re.findall(r'#define (TEXT_\w+)\s+((?:"[^"]*"\s*|TEXT_\w+\s*)+)', source):
        parts = re.findall(r'"([^"]*)"|(TEXT_\w+)', body)
        found[name] = "".join(found[macro] if macro else literal.replace("\\n", "\n") for literal, macro in parts)
    return found


TEXT = texts()

# --- sorrel-cli


def cli(args, typed):
    env = dict(os.environ, LC_ALL="C.UTF-8")
    return subprocess.run([CLI] + args, input=typed.encode(), capture_output=True, env=env, cwd=WORK)


def cli_password(case):
    # The case's length and option bits (derivation 2 among them) in a setting.ini of its own.
    key_path, flags = case["key_path"], case["flags"]
    sealed = open(key_path, "rb").read()
    if is_sealed(sealed) and not CLI_READS_SEALED:
        opened = unseal(sealed, case["key_password"])
        if not opened:
            return "exit: the key password does not open the key"
        key_path = os.path.join(WORK, "unsealed.key")
        open(key_path, "wb").write(mask(opened[0], case["key_password"]))
        flags = flags & ~32 | (32 if opened[1] == 2 else 0)
    record = bytearray(open(case["ini_path"], "rb").read())
    struct.pack_into("<Ii", record, 260, flags, case["length"])
    ini = os.path.join(WORK, "case.ini")
    open(ini, "wb").write(record)
    args = ["generate", "--settings", ini, "--key", key_path]
    if case["anyway"]:
        args.append("--no-verify")
    r = cli(args + ["--", case["pass_phrase"]], case["key_password"] + "\n")
    return r.stdout.decode().rstrip("\n") if r.returncode == 0 else "exit %d: %s" % (r.returncode, r.stderr.decode())


# --- key files of both forms, the sealed one over PyNaCl

ALPHABET = b"00112233445566778899ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz!#$%&()*+,-.\\/:;<=>?@[]^_`{|}~"


def is_sealed(data):
    return len(data) == 178 and data.startswith(b"SorrelSK")


def cp932(text):
    """As the page and sorrel-cli encode it: iconv's CP932."""
    global CP932
    CP932 = CP932 or iconv_table()
    return b"".join(CP932[ord(c)].to_bytes(2 if CP932[ord(c)] > 0xFF else 1, "big") for c in text)


def mask(pool, key_password):
    kp = cp932(key_password)
    return bytes(b ^ kp[i % len(kp)] for i, b in enumerate(pool[:102])) + b"\0"


def seal(pool, key_password, derivation, passes=1, memory_kib=8192):
    header = b"SorrelSK" + bytes([1, 1, derivation, 0]) + struct.pack("<II", passes, memory_kib) + os.urandom(40)
    key = sodium.crypto_pwhash_alg(32, cp932(key_password), header[20:36], passes, memory_kib * 1024,
                                   sodium.crypto_pwhash_ALG_ARGON2ID13)
    return header + sodium.crypto_aead_xchacha20poly1305_ietf_encrypt(pool[:102], header[:60], header[36:60], key)


def unseal(data, key_password):
    """(pool, derivation, passes, memory in KiB), or None when it does not open."""
    passes, memory_kib = struct.unpack_from("<II", data, 12)
    key = sodium.crypto_pwhash_alg(32, cp932(key_password), data[20:36], passes, memory_kib * 1024,
                                   sodium.crypto_pwhash_ALG_ARGON2ID13)
    try:
        pool = sodium.crypto_aead_xchacha20poly1305_ietf_decrypt(data[60:], data[:60], data[36:60], key)
    except Exception:
        return None
    return pool, data[10], passes, memory_kib


def make_key(path, key_password, derivation=0):
    """A new key: the original form, or sealed at the smallest parameters
    (of derivation 2 by sorrel-cli, once it seals keys)."""
    typed = key_password + "\n" + key_password + "\n"
    if derivation == 2 and cli(["new-key", "--kdf-memory", "8", "--kdf-passes", "1", path], typed).returncode == 0:
        return path
    pool = bytes(random.sample(ALPHABET, len(ALPHABET)))
    open(path, "wb").write(seal(pool, key_password, derivation) if derivation else mask(pool, key_password))
    return path


# --- iconv's CP932, the reference for the encoder


def iconv_table():
    libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
    libc.iconv_open.restype = ctypes.c_void_p
    libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
    libc.iconv.restype = ctypes.c_size_t
    pp = ctypes.POINTER(ctypes.c_char_p)
    ps = ctypes.POINTER(ctypes.c_size_t)
    libc.iconv.argtypes = [ctypes.c_void_p, pp, ps, pp, ps]
    cd = libc.iconv_open(b"CP932", b"UTF-32LE")
    out = ctypes.create_string_buffer(8)
    codes = []
    for cp in range(0x10000):
        src = ctypes.create_string_buffer(cp.to_bytes(4, "little"), 4)
        s, sl = ctypes.c_char_p(ctypes.addressof(src)), ctypes.c_size_t(4)
        d, dl = ctypes.c_char_p(ctypes.addressof(out)), ctypes.c_size_t(8)
        r = libc.iconv(cd, ctypes.byref(s), ctypes.byref(sl), ctypes.byref(d), ctypes.byref(dl))
        libc.iconv(cd, None, None, None, None)
        # As sorrel-cli: a conversion glibc counts as irreversible is refused too.
        codes.append(-1 if r != 0 or sl.value else int.from_bytes(out.raw[:8 - dl.value], "big"))
    return codes


# --- Chromium


def browser():
    o = webdriver.ChromeOptions()
    o.binary_location = "/usr/bin/chromium"
    for a in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
              "--disable-background-networking", "--disable-component-update", "--disable-sync",
              "--user-data-dir=" + os.path.join(WORK, "profile")]:
        o.add_argument(a)
    o.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)
    d.set_script_timeout(120)
    d.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": DOWNLOADS})
    return d


def downloads(pattern, size, exclude=()):
    """The downloaded files matching pattern, once one has size bytes: Chromium
    may show a file by its name before all of it is written. Up to 10 s."""
    for _ in range(200):
        found = [f for f in glob.glob(os.path.join(DOWNLOADS, pattern)) if f not in exclude]
        if any(os.path.getsize(f) == size for f in found):
            return found
        time.sleep(0.05)
    return found


def open_page(d, keep=False):
    """The page afresh; what it stored is cleared unless kept (a later visit)."""
    if not keep:
        d.execute_script("try { localStorage.clear(); } catch (e) {}")
    d.get("file://" + PAGE)
    for _ in range(100):
        if d.execute_script("return document.documentElement.dataset.ready === 'true'"):
            return
        time.sleep(0.02)
    raise SystemExit("the page did not become ready")


# One case through the page's own handlers: files as a picker hands them over,
# fields set and changed as typed, then what the generate button runs (a sealed
# key's box shows the key's own derivation: it is left alone).
RUN_CASES = """
const [cases, done] = arguments;
const set = (id, v) => { const e = document.getElementById(id); e.value = v; e.dispatchEvent(new Event('change')); };
const check = (id, v) => { const e = document.getElementById(id); e.checked = v; e.dispatchEvent(new Event('change')); };
const out = [];
(async () => {
  for (const c of cases) {
    if (c.ini) await loadSettings(new File([Uint8Array.from(c.ini)], 'setting.ini'));
    document.getElementById('key-password').value = '';
    await loadKey(new File([Uint8Array.from(c.key)], 'test.key'));
    set('key-password', c.key_password);
    check('derive-anyway', c.anyway);
    set('length', String(c.length));
    for (const [id, bit] of CLASSES) check(id, (c.flags & bit) !== 0);
    if (!wasm.webKeySealed()) check('use-derivation-2', (c.flags & 32) !== 0);
    document.getElementById('pass-phrase').value = c.pass_phrase;
    await generate();
    const result = document.getElementById('result');
    out.push({ result: result.value, hidden: result.type === 'password', message: document.getElementById('message').textContent });
  }
})().then(() => done(out), (e) => done(String(e)));
"""


def run_cases(d, cases):
    keep = ["key", "ini", "key_password", "anyway", "length", "flags", "pass_phrase"]
    return d.execute_async_script(RUN_CASES, [{k: c.get(k) for k in keep} for c in cases])


def pick(d, path):
    """A key file by the picker, once the page has taken it."""
    d.find_element(By.ID, "key-file").send_keys(path)
    for _ in range(100):
        if d.execute_script("return keyName") == os.path.basename(path):
            return
        time.sleep(0.02)


def field_error(d, field):
    return d.execute_script("return document.getElementById(arguments[0] + '-error').textContent", field)


# The change of key password through its fields and what its button runs: the
# message, the key in use and the key password field afterwards.
CHANGE_KEY_PASSWORD = """
const [current, next, confirm, done] = arguments;
document.getElementById('key-password').value = current;
document.getElementById('change-key-password-new').value = next;
document.getElementById('change-key-password-confirm').value = confirm;
changeKeyPassword().then(() => done([document.getElementById('message').textContent,
  Array.from(bytesOf(BUF.KEY, wasm.webKeyCount())), document.getElementById('key-password').value]));
"""


def page_call(d, script, *args):
    """An async function of the page's, awaited: script is its body."""
    return d.execute_async_script("const done = arguments[arguments.length - 1];"
                                  "(async () => {%s})().then(done, (e) => done(String(e)));" % script, *args)


def page_text(d, id):
    return d.execute_script("return document.getElementById(arguments[0]).textContent", id)


# --- inputs

KANJI = "鍵秘密予約東京都表計算髙﨑德"
KANA = "あいうえおかきくけこがぱアイウエオヴー"
HALF = "ｱｲｳｴｵｶｷｸｹｺﾊﾟﾋﾞﾌﾞｰ｡｢｣"
EXTRA = "①Ⅹⅰ㈱≒¥〜−‾"
ASCII = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 !#$%&()-=^~|@`[{;+:*]},<.>/?_\\"


def phrase(rng, low, high):
    pools = [ASCII, KANJI, KANA, HALF, EXTRA]
    return "".join(rng.choice(rng.choice(pools)) for _ in range(rng.randint(low, high)))


def settings_file(path, key_path, length=16, flags=31, classes=None):
    """A setting.ini: sorrel-cli's own defaults, then the given fields."""
    r = cli(["init", "--force", "--key", key_path, "--settings", path], "")
    assert r.returncode == 0, r.stderr
    record = bytearray(open(path, "rb").read())
    struct.pack_into("<Ii", record, 260, flags, length)
    for i, chars in enumerate(classes or []):
        record[268 + 64 * i:268 + 64 * (i + 1)] = chars.encode().ljust(64, b"\0")
    open(path, "wb").write(record)
    return bytes(record)


# A rule made in the section's form, as a user does: the pass phrase typed,
# the fields set, 次のパスワードへ pressed next times, 保存.
SAVE_SITE = """
const [name, length, classes, derivation2, next] = arguments;
const pass = document.getElementById('pass-phrase');
pass.value = name;
pass.dispatchEvent(new Event('input'));
document.getElementById('site-length').value = String(length);
for (const [id, bit] of SITE_CLASSES) document.getElementById(id).checked = (classes & bit) !== 0;
document.getElementById('site-derivation-2').checked = derivation2;
for (let i = 0; i < next; i++) document.getElementById('site-next').click();
const hint = document.getElementById('site-counter-hint').textContent;
document.getElementById('site-save').click();
return [hint, document.getElementById('site-note').textContent];
"""
TYPE_AND_GENERATE = """
const [typed, done] = arguments;
const pass = document.getElementById('pass-phrase');
pass.value = typed;
pass.dispatchEvent(new Event('input'));
generate().then(() => done([document.getElementById('result').value, document.getElementById('site-note').textContent,
                            document.getElementById('message').textContent]), (e) => done([String(e), '', '']));
"""
IMPORT_SITES = """
const [bytes, done, name] = [arguments[0], arguments[arguments.length - 1], arguments.length > 2 ? arguments[1] : 'sites.txt'];
importSites(new File([Uint8Array.from(bytes)], name)).then(
  () => done([document.getElementById('message').textContent, wasm.webSiteCount()]), (e) => done(String(e)));
"""


def site_rules(d, key_path, key_password, ini):
    """Rules made in the page, exported, and used by sorrel-cli beside a settings file."""
    open_page(d)
    d.find_element(By.ID, "settings-file").send_keys(ini)
    d.find_element(By.ID, "key-file").send_keys(key_path)
    d.find_element(By.ID, "key-password").send_keys(key_password + Keys.TAB)
    rules = [  # pass phrase, length, classes, derivation 2, presses of 次のパスワードへ
        ("example.com", 16, 30, False, 2),
        ("bank.example", 10, 2 | 4 | 8, True, 0),
        ("予約ｻｲﾄ¥", 4, 2, False, 1),
        ("カード暗証", 40, 16 | 4, True, 0),
    ]
    hints = [d.execute_script(SAVE_SITE, *rule) for rule in rules]
    # Only what differs from the settings is set: example.com keeps following them.
    check(hints[0] == [TEXT["TEXT_SITE_NEXT_HINT"].replace("%ld", "3", 1).replace("%ld", "2"), "このサイト：3回目"] and
          hints[1][1] == "このサイト：10文字・英数字・新方式", "after 次のパスワードへ twice, and saved: %r" % hints)
    dir_ = os.path.join(WORK, "sites")
    os.makedirs(dir_)
    d.execute_script("document.getElementById('sites-export').click()")
    exported = downloads("sites*.txt", d.execute_script("return wasm.webSiteSize()"))
    shutil.copy(ini, os.path.join(dir_, "setting.ini"))
    shutil.copy(exported[0], os.path.join(dir_, "sites.txt"))
    os.remove(exported[0])
    differ = []
    for name in [r[0] for r in rules] + ["no-rule.example"]:
        got, note, message = d.execute_async_script(TYPE_AND_GENERATE, name)
        want = cli(["generate", "--settings", os.path.join(dir_, "setting.ini"), "--key", key_path, "--", name],
                   key_password + "\n")
        if not got or got != want.stdout.decode().rstrip("\n"):
            differ.append((name, got, note, message, want.stdout, want.stderr))
    check(not differ, "site rules: page and sorrel-cli differ: %s" % differ)
    listed = cli(["site", "list", "--settings", os.path.join(dir_, "setting.ini")], "").stdout.decode()
    check(listed.count("\n") == len(rules) and "予約ｻｲﾄ\\" in listed, "sorrel-cli site list: %r" % listed)
    # The typo guard, and the file as it was read (comments, CR LF, an unknown field) exported unchanged.
    _, note, _ = d.execute_async_script(TYPE_AND_GENERATE, "Example.com")
    check(note == TEXT["TEXT_SITE_DID_YOU_MEAN"].replace("%s", "example.com"), "typo note: %r" % note)
    mine = "\ufeff# 私のサイト\r\nexample.com\tcounter=7\tnote=x\r\n\r\nshop.example\tclasses=upper,digits\r\n".encode()
    said, count = d.execute_async_script(IMPORT_SITES, list(mine))
    d.execute_script("document.getElementById('sites-export').click()")
    again = downloads("sites*.txt", len(mine))
    check(count == 2 and again and open(again[0], "rb").read() == mine, "import, export: %r %s" % (said, again))
    # Kept in the browser, or not.
    open_page(d, keep=True)
    kept = d.execute_script("return wasm.webSiteCount()")
    d.execute_script("const e = document.getElementById('sites-keep'); e.checked = false; e.dispatchEvent(new Event('change'))")
    open_page(d, keep=True)
    check(kept == 2 and d.execute_script("return wasm.webSiteCount()") == 0, "sites kept, then not: %s" % kept)
    # A good file, then a broken one: that one is refused by its own name and
    # changes nothing kept; rules typed with blanks are named on import.
    good = b"bank.example    length=12\nshop.example\tLength=9\n"
    said, count = d.execute_async_script(IMPORT_SITES, list(good))
    typos = [TEXT["TEXT_SITE_TYPO_LINE"].replace("%ld", str(n)) + TEXT["TEXT_SITE_TYPO_RULE"].replace("%s", r)
             for n, r in ((1, "length=12"), (2, "Length=9"))]
    check(count == 2 and all(t in said for t in typos), "rules not in force, on import: %r" % said)
    _, note, _ = d.execute_async_script(TYPE_AND_GENERATE, "bank.example")
    check(typos[0] in note, "rule not in force, in the note: %r" % note)
    broken = b"# ok\nexample.com\tlength=0\n"
    said, count = d.execute_async_script(IMPORT_SITES, list(broken), "mine.txt")
    d.execute_script("document.getElementById('sites-export').click()")
    again = downloads("sites*.txt", len(good))
    check(count == 2 and again and open(again[0], "rb").read() == good and "mine.txt" in said and
          "sites.txt" not in said and "2行目：" + TEXT["TEXT_SITE_BAD_LENGTH"] in said,
          "a refused import keeps what was there: %r %s" % (said, count))
    # A broken file kept from before: its line named; nothing generated until it is removed.
    d.execute_script("localStorage.setItem('sorrel.sites', arguments[0])", base64.b64encode(broken).decode())
    open_page(d, keep=True)
    d.find_element(By.ID, "key-file").send_keys(key_path)
    d.find_element(By.ID, "key-password").send_keys(key_password + Keys.TAB)
    got, note, message = d.execute_async_script(TYPE_AND_GENERATE, "other.example")
    refused = "2行目：" + TEXT["TEXT_SITE_BAD_LENGTH"]
    check(refused in message and TEXT["TEXT_SITE_FILE_MEND_TO_GENERATE"] in message and not got and
          note == TEXT["TEXT_SITE_NOTE_FILE_LINE"].replace("%ld", "2"), "broken file: %r %r" % (note, message))
    d.execute_script("window.confirm = () => true; document.getElementById('sites-clear').click()")
    got, _, _ = d.execute_async_script(TYPE_AND_GENERATE, "other.example")
    check(len(got) == 16, "after removing the broken file: %r" % got)


def main():
    rng = random.Random(int(os.environ.get("SORREL_WEB_SEED", "932")))
    os.makedirs(DOWNLOADS)
    d = browser()
    d.get_log("performance")  # the browser's own start-up, before the page
    open_page(d)
    started = d.execute_script("return location.href")
    secrets = []

    # Keys made here: two of the original form, two sealed at the smallest parameters.
    global CLI_READS_SEALED
    keys = [(make_key(os.path.join(WORK, "key%d.key" % i), kp, i // 2 and i - 1), kp)
            for i, kp in enumerate(["秘密の鍵パスワード", "ｶﾀｶﾅkey-pass", "封印の鍵①", "sealed key pass"])]
    CLI_READS_SEALED = cli(["verify", "--key", keys[2][0]], keys[2][1] + "\n").returncode == 0
    # A key made in the page: sealed at the defaults, under its key password, of the key alphabet.
    kp = "ページの鍵①"
    page_call(d, "for (const id of ['new-key-password', 'new-key-confirm']) document.getElementById(id).value = arguments[0];"
              "await newKey();", kp)
    made = downloads("*.key", 178)
    opened = len(made) == 1 and unseal(open(made[0], "rb").read(), kp)
    check(opened and sorted(opened[0]) == sorted(ALPHABET) and opened[1:] == (2, 3, 65536) and
          d.execute_script("return document.getElementById('use-derivation-2').checked"),
          "the page's new key: %s, %s" % (made, opened and opened[1:]))
    page_key = os.path.join(WORK, "page.key")
    os.rename(made[0], page_key)
    secrets += [kp] + [kp for _, kp in keys]
    default_ini = os.path.join(WORK, "default.ini")
    settings_file(default_ini, keys[0][0])
    own_classes = ["13579", "aeiouxyz", "QWERTY", "#$%@!"]
    own_ini = os.path.join(WORK, "own.ini")
    own_bytes = settings_file(own_ini, keys[0][0], 40, 2 | 16, own_classes)

    # The page's key, and the published vectors (a second implementation's),
    # opened in the worker while this thread goes on and the page says so.
    vectors = [(page_key, kp, "example.com", cli_password(dict(key_path=page_key, key_password=kp, ini_path=default_ini,
                                                                    flags=30, length=16, anyway=False, pass_phrase="example.com"))),
               (VECTOR_1, "correct horse", "example.com", "-*r|em5W#J*=3udn"),
               (VECTOR_2, "秘密の鍵パスワード", "example.com", "+57~e8Ge@zwqeq+e")]
    for key, kp, pass_phrase, want in vectors:
        got = page_call(d, """
          await loadKey(new File([Uint8Array.from(arguments[0])], 'vector.key'));
          document.getElementById('key-password').value = arguments[1];
          document.getElementById('pass-phrase').value = arguments[2];
          let gap = 0, last = performance.now();
          const tick = setInterval(() => { gap = Math.max(gap, performance.now() - last); last = performance.now(); }, 10);
          const generated = generate();
          await new Promise((r) => setTimeout(r, 30));
          const busy = document.getElementById('busy').textContent;
          await generated;
          clearInterval(tick);
          return [document.getElementById('result').value, busy, gap, document.getElementById('message').textContent];""",
                        list(open(key, "rb").read() if os.path.exists(key) else bytes.fromhex(key)), kp, pass_phrase)
        check(got[0] == want and "キーを開いています" in got[1] and got[2] < 250,
              "sealed key %s: %r, wanted %r; said %r, then %r; longest pause %.0f ms" % (key[-40:], got[0], want, got[1], got[3], got[2]))
        secrets.append(want)

    # Random cases: the default settings first, then the page reads own.ini.
    cases = []
    for n in range(CASES):
        key_path, kp = rng.choice(keys)
        wrong = rng.random() < 0.1
        length = rng.choice([1, 16, 1023, rng.randint(1, 1023), rng.randint(1, 64)])
        flags = rng.randint(1, 15) << 1 | rng.choice([0, 32])  # classes, and derivation 1 or 2
        own = n >= CASES * 2 // 3
        case = {"key_path": key_path, "key": list(open(key_path, "rb").read()), "key_password": phrase(rng, 8, 20) if wrong else kp,
                "anyway": wrong, "length": length, "flags": flags, "pass_phrase": phrase(rng, 4, 30),
                "ini_path": own_ini if own else default_ini, "ini": list(own_bytes) if own and n == CASES * 2 // 3 else None}
        secrets.append(case["pass_phrase"])
        cases.append(case)
    results = []
    for i in range(0, len(cases), 60):
        results += run_cases(d, cases[i:i + 60])
    for case, got in zip(cases, results):
        want = cli_password(case)
        # A wrong key password may leave nothing to pick from: both must say so. A sealed key does not open.
        both_failed = not got["result"] and got["message"] == TEXT["TEXT_DERIVE_FAILED"] and TEXT["TEXT_DERIVE_FAILED"] in want
        key = bytes(case["key"])
        refused = (is_sealed(key) and not unseal(key, case["key_password"]) and want.startswith("exit") and
                   not got["result"] and got["message"] == TEXT["TEXT_WEB_KEY_WRONG_PASSWORD"])
        ok = both_failed or refused or (got["result"] == want and got["hidden"] and len(want) == case["length"])
        check(ok, "password differs for %s: page %r (%s), sorrel-cli %r" % (
            {k: case[k] for k in ["key_path", "key_password", "pass_phrase", "length", "flags", "ini_path"]},
            got["result"][:40], got["message"], want[:40]))
        secrets.append(want)
    print("random cases: %d compared" % len(cases))

    # The encoder over the whole Basic Multilingual Plane, and beyond it.
    page = d.execute_script("""
      const out = [];
      for (let c = 0; c < 0x10000; c++) {
        const r = encodeCp932(String.fromCharCode(c));
        out.push(r.bad ? -1 : r.bytes.reduce((a, b) => a * 256 + b, 0));
      }
      return out;""")
    cp932("")
    reference = CP932
    wrong = [c for c in range(0x10000) if page[c] != reference[c]]
    check(not wrong, "encoder differs from iconv at %d code points, first U+%04X" % (len(wrong), wrong[0] if wrong else 0))
    print("encoder: %d code points, %d accepted" % (len(page), sum(c >= 0 for c in page)))

    # Messages: each beside its field and in #message.
    open_page(d)
    good_key, good_kp = keys[0]
    good = list(open(good_key, "rb").read())
    fifty = list(range(1, 51))
    big = os.path.join(WORK, "big.key")
    with open(big, "wb") as f:
        f.write(bytes(open(good_key, "rb").read()) + os.urandom(2 * 1024 * 1024))
    dead = [0x7F] * 102 + [0]  # unmasks into control characters only with a-h
    base = {"key": good, "key_password": good_kp, "anyway": False, "length": 16, "flags": 30, "pass_phrase": "abcd"}
    mismatch = d.execute_script("return text(S.KEY_PASSWORD_MISMATCH)")
    shape = TEXT["TEXT_WEB_KEY_WRONG_SHAPE"].replace("%s", "test.key")
    sealed = list(open(keys[2][0], "rb").read())
    newer, flipped = list(sealed), list(sealed)
    newer[8], flipped[100] = 2, flipped[100] ^ 1
    wrong_password = TEXT["TEXT_WEB_KEY_WRONG_PASSWORD"]
    table = [  # name, changes, message, field it is shown beside
        ("3-byte pass phrase", {"pass_phrase": "abc"}, TEXT["TEXT_PASS_PHRASE_TOO_SHORT"], "pass-phrase"),
        ("length 0", {"length": 0}, TEXT["TEXT_LENGTH_TOO_SMALL"], "length"),
        ("length 1024", {"length": 1024}, TEXT["TEXT_LENGTH_TOO_LARGE"], "length"),
        ("no class", {"flags": 0}, TEXT["TEXT_NO_CLASS"], "classes"),
        ("wrong key password", {"key_password": "wrong password"}, mismatch, "key-password"),
        ("7-byte key password", {"key_password": "1234567"}, TEXT["TEXT_KEY_PASSWORD_TOO_SHORT_WIDE"], "key-password"),
        ("50-byte file as key", {"key": fifty}, shape, "key-file"),
        ("empty file as key", {"key": []}, TEXT["TEXT_WEB_KEY_FILE_EMPTY"].replace("%s", "test.key"), "key-file"),
        ("sealed, wrong key password, derive anyway", {"key": sealed, "key_password": "wrong password", "anyway": True},
         wrong_password, "key-password"),
        ("sealed, a byte flipped", {"key": flipped, "key_password": keys[2][1]}, wrong_password, "key-password"),
        ("sealed, version 2", {"key": newer}, TEXT["TEXT_WEB_KEY_UNSUPPORTED"].replace("%s", "test.key"), "key-file"),
        ("sealed, 177 bytes", {"key": sealed[:177]}, TEXT["TEXT_WEB_KEY_DAMAGED"].replace("%s", "test.key"), "key-file"),
        ("sealed, not a key", {"key": list(seal(b"A" * 102, keys[2][1], 1)), "key_password": keys[2][1]},
         TEXT["TEXT_WEB_KEY_NOT_A_KEY"].replace("%s", "test.key"), "key-file"),
        ("nothing derivable", {"key": dead, "key_password": "abcdefgh", "anyway": True}, TEXT["TEXT_DERIVE_FAILED"], "key-password"),
        ("emoji in the pass phrase", {"pass_phrase": "ab😀cd"}, "「😀」（U+1F600）", "pass-phrase"),
        ("𠮷 in the pass phrase", {"pass_phrase": "𠮷野家"}, "「𠮷」（U+20BB7）", "pass-phrase"),
    ]
    for name, changes, message, field in table:
        got = run_cases(d, [dict(base, **changes)])[0]
        # The box to derive anyway shows only after an original key's key password failed the key check.
        anyway = d.execute_script("return !document.getElementById('derive-anyway-row').hidden")
        ok = message in got["message"] and message in field_error(d, field) and not got["result"]
        check(ok and anyway == (name in ("wrong key password", "nothing derivable")),
              "%s: %r beside %s, wanted %r; box to derive anyway shown: %s" % (name, got["message"], field, message, anyway))
    # The 2 MB file by the picker: its first 105 bytes, refused as sorrel-cli verify refuses it.
    d.find_element(By.ID, "key-file").send_keys(big)
    time.sleep(0.3)
    check(shape.replace("test.key", "big.key") in field_error(d, "key-file"), "2 MB file as key: " + field_error(d, "key-file"))
    # With "derive anyway" the odd files derive what sorrel-cli --no-verify derives.
    for name, key in [("50-byte key", fifty), ("2 MB key", list(open(big, "rb").read(105)))]:
        path = os.path.join(WORK, "odd.key")
        open(path, "wb").write(bytes(key))
        case = dict(base, key=key, key_path=path, ini_path=default_ini, anyway=True)
        got = run_cases(d, [case])[0]
        check(got["result"] == cli_password(case), "%s derived anyway: %r" % (name, got))
    # A new key password of 64 bytes, and two that differ.
    for first, second, message in [("x" * 64, "x" * 64, d.execute_script("return text(S.NEW_KEY_PASSWORD_TOO_LONG)")),
                                   ("12345678", "12345679", TEXT["TEXT_KEY_PASSWORDS_DIFFER"]),
                                   ("1234567", "1234567", TEXT["TEXT_KEY_PASSWORD_TOO_SHORT_CREATE"])]:
        d.execute_script("""
          document.getElementById('new-key-password').value = arguments[0];
          document.getElementById('new-key-confirm').value = arguments[1];
          document.getElementById('new-key').click();""", first, second)
        check(field_error(d, "new-key") == message, "new key %r/%r: %r" % (first, second, field_error(d, "new-key")))

    # A weak new key password: asked, with the reason; no makes nothing, yes makes the key.
    for kp, reason, answer in [("password", "TEXT_WEAK_COMMON", "false"), ("1987/04/12", "TEXT_WEAK_DATE", "false"),
                               ("あいうえお", "TEXT_WEAK_SEQUENCE", "false"), ("qwertyuiop", "TEXT_WEAK_COMMON", "true")]:
        said = page_call(d, "let said = ''; window.confirm = (t) => (said = t, %s);"
                            "for (const id of ['new-key-password', 'new-key-confirm']) document.getElementById(id).value = arguments[0];"
                            "await newKey(); return said;" % answer, kp)
        made = downloads("sorrel*.key", 178) if answer == "true" else glob.glob(os.path.join(DOWNLOADS, "sorrel*.key"))
        check(TEXT[reason] in said and len(made) == (answer == "true"), "weak new key %r: asked %r, made %s" % (kp, said, made))
        for f in made:
            os.remove(f)

    # A new key password for a key from sorrel-cli: each refusal leaves the key,
    # the key password and the downloads as they were.
    open_page(d)
    old_kp, new_kp = "変更前のキーパスワード", "変更後のkey password"
    secrets += [old_kp, new_kp]
    old_key = make_key(os.path.join(WORK, "change.key"), old_kp)
    old_bytes = list(open(old_key, "rb").read())
    d.find_element(By.ID, "key-file").send_keys(old_key)
    time.sleep(0.3)
    downloaded = lambda: glob.glob(os.path.join(DOWNLOADS, "change*.key"))
    refusals = [  # name, current key password, new one, typed again, message, field it is shown beside
        ("wrong current key password", "wrong password", new_kp, new_kp, TEXT["TEXT_WEB_CHANGE_NOT_UNMASKED"], "key-password"),
        ("the two differ", old_kp, new_kp, new_kp + "!", TEXT["TEXT_KEY_PASSWORDS_DIFFER"], "change-key-password"),
        ("7 bytes", old_kp, "1234567", "1234567", TEXT["TEXT_KEY_PASSWORD_TOO_SHORT_CREATE"], "change-key-password"),
        ("64 bytes", old_kp, "x" * 64, "x" * 64, TEXT["TEXT_WEB_KEY_PASSWORD_TOO_LONG"], "change-key-password"),
        ("the current one", old_kp, old_kp, old_kp, TEXT["TEXT_WEB_KEY_PASSWORD_SAME"], "change-key-password"),
        ("the current one twice", old_kp, old_kp * 2, old_kp * 2, TEXT["TEXT_WEB_KEY_PASSWORD_SAME"], "change-key-password"),
    ]
    for name, current, new, again, message, field in refusals:
        got, key, in_field = d.execute_async_script(CHANGE_KEY_PASSWORD, current, new, again)
        ok = got == message == field_error(d, field) and key == old_bytes and in_field == current and not downloaded()
        check(ok, "change key password, %s: %r beside %s, wanted %r; key kept %s" % (
            name, got, field, message, key == old_bytes))
    # A weak one, and the user says no: the same.
    d.execute_script("window.said = ''; window.confirm = (t) => (window.said = t, false);")
    got, key, in_field = d.execute_async_script(CHANGE_KEY_PASSWORD, old_kp, "11111111", "11111111")
    said = d.execute_script("return window.said")
    check(TEXT["TEXT_WEAK_REPEAT"] in said and key == old_bytes and in_field == old_kp and not downloaded(),
          "change key password to a weak one, declined: asked %r, key kept %s" % (said, key == old_bytes))
    # Accepted: the key downloaded under the name it was read with, and in use.
    got, key, in_field = d.execute_async_script(CHANGE_KEY_PASSWORD, old_kp, new_kp, new_kp)
    downloads("change*.key", 103)
    new_key = downloaded()[0] if len(downloaded()) == 1 else old_key
    d.execute_script("document.getElementById('key-password').dispatchEvent(new Event('change'))")
    in_use = d.execute_script("return document.getElementById('message').textContent")
    said = TEXT["TEXT_WEB_KEY_PASSWORD_CHANGED"] + "\n" + TEXT["TEXT_WEB_OLD_KEY_COPIES"]
    check(got.startswith(said) and new_key.endswith("change.key") and
          key == list(open(new_key, "rb").read()) and key != old_bytes and in_field == new_kp and
          in_use == "キーパスワードはキーファイルと一致しています。",
          "change key password: %r, downloaded %s, key password field %r, then %r" % (got, downloaded(), in_field, in_use))
    verdicts = [cli(["verify", "--key", new_key], kp + "\n").returncode for kp in (new_kp, old_kp)]
    check(verdicts[0] == 0 and verdicts[1] != 0, "sorrel-cli verify of the changed key, new and old: %s" % verdicts)
    differ = []
    for pass_phrase in ["example.com", "予約ｻｲﾄ¥", "abcd"]:
        for derivation in ["1", "2"]:
            run = lambda key, kp: cli(["generate", "--settings", default_ini, "--key", key, "--derivation", derivation,
                                       "--", pass_phrase], kp + "\n")
            want, got = run(old_key, old_kp), run(new_key, new_kp)
            if want.returncode != 0 or got.stdout != want.stdout:
                differ.append((pass_phrase, derivation, want.stdout, got.stdout, got.stderr))
            secrets.append(want.stdout.decode().strip())
    check(not differ, "the changed key derives other passwords: %s" % differ)
    # A sealed key: sealed anew under the new key password (a fresh salt and
    # nonce, the same pool and header), and the wrong current one refused.
    resealed = os.path.join(WORK, "resealed.key")
    open(resealed, "wb").write(open(keys[3][0], "rb").read())
    pick(d, resealed)
    refused = d.execute_async_script(CHANGE_KEY_PASSWORD, "wrong password", new_kp, new_kp)[0]
    d.execute_async_script(CHANGE_KEY_PASSWORD, keys[3][1], new_kp, new_kp)
    made = downloads("resealed*.key", 178)
    new_bytes = open(made[0], "rb").read() if len(made) == 1 else b""
    before, after = unseal(open(resealed, "rb").read(), keys[3][1]), is_sealed(new_bytes) and unseal(new_bytes, new_kp)
    check(refused == wrong_password and after == before and new_bytes[20:60] != open(resealed, "rb").read()[20:60] and
          not unseal(new_bytes, keys[3][1]), "sealed key's new key password: %r, %s" % (refused, made))

    # End to end as a user: files by the picker, typed key password and pass phrase, Enter.
    open_page(d)
    d.find_element(By.ID, "settings-file").send_keys(own_ini)
    d.find_element(By.ID, "key-file").send_keys(good_key)
    time.sleep(0.3)
    d.find_element(By.ID, "key-password").send_keys(good_kp + Keys.ENTER)  # checks it, on to the pass phrase
    check(d.execute_script("return document.getElementById('message').textContent") ==
          "キーパスワードはキーファイルと一致しています。", "the typed key password was not checked")
    d.switch_to.active_element.send_keys("予約ｻｲﾄ¥" + Keys.ENTER)
    got = d.find_element(By.ID, "result").get_attribute("value")
    want = cli_password({"ini_path": own_ini, "key_path": good_key, "length": 40, "flags": 2 | 16, "anyway": False,
                         "key_password": good_kp, "pass_phrase": "予約ｻｲﾄ¥"})
    check(got == want and len(got) == 40, "typed: page %r, sorrel-cli %r" % (got, want))
    secrets.append(want)
    # setting.ini saved from the page: the record read, with the length changed.
    d.execute_script("const e = document.getElementById('length'); e.value = '77'; e.dispatchEvent(new Event('change'));"
                     "document.getElementById('save-settings').click()")
    saved = downloads("setting*.ini", 524)
    want_ini = bytearray(own_bytes)
    struct.pack_into("<i", want_ini, 264, 77)
    check(len(saved) == 1 and open(saved[0], "rb").read() == bytes(want_ini), "saved setting.ini: %s" % saved)

    # Copied, then cleared from the clipboard (the 45 seconds' timer called at once).
    d.execute_cdp_cmd("Browser.grantPermissions", {"permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
    clip = d.execute_async_script("""
      const done = arguments[0];
      (async () => {
        await copy();
        const copied = await navigator.clipboard.readText();
        await clearClipboard();
        const cleared = await navigator.clipboard.readText();
        // A browser that refuses: the page says so beside the copy button.
        const writeText = navigator.clipboard.writeText;
        navigator.clipboard.writeText = () => Promise.reject(new Error('refused'));
        await clearClipboard();
        navigator.clipboard.writeText = writeText;
        return [copied, cleared, clipPending && document.getElementById('copy-error').textContent !== ''];
      })().then(done, (e) => done(String(e)));""")
    check(clip == [want, "", True], "clipboard: copied, cleared, a refusal said: %r" % clip)
    # Hidden: the password goes at once; 5 minutes away lock the page.
    hidden = d.execute_script("""
      let hidden = true;
      Object.defineProperty(document, 'hidden', { configurable: true, get: () => hidden });
      document.dispatchEvent(new Event('visibilitychange'));
      const gone = !document.getElementById('result').value && document.getElementById('key-password').value !== '';
      hiddenSince -= 5 * 60 * 1000;
      hidden = false;
      document.dispatchEvent(new Event('visibilitychange'));
      delete document.hidden;
      return [gone, document.getElementById('key-password').value === '' && wasm.webKeyCount() === 0];""")
    check(hidden == [True, True], "hidden page: password gone, then locked: %s" % hidden)
    # A key file dropped on the page.
    dropped = d.execute_async_script("""
      const [key, done] = arguments;
      const data = new DataTransfer();
      data.items.add(new File([Uint8Array.from(key)], 'dropped.key'));
      document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
      setTimeout(() => done(wasm.webKeyCount()), 200);""", good)
    check(dropped == 103, "a dropped key file: %s bytes in use" % dropped)

    # The lock forgets the key and the key password, in the page and in the module,
    # and a copied password (of the 77 characters set above) at once.
    copied = d.execute_async_script("""
      const [keyPassword, done] = arguments;
      document.getElementById('key-password').value = keyPassword;
      document.getElementById('pass-phrase').value = 'example.com';
      generate();
      copy().then(() => navigator.clipboard.readText()).then(done);""", good_kp)
    d.find_element(By.ID, "lock").click()
    on_clipboard = d.execute_async_script("navigator.clipboard.readText().then(arguments[0])")
    check(len(copied) == 77 and on_clipboard == "", "copied %r, the lock left %r on the clipboard" % (copied, on_clipboard))
    wiped = d.execute_script("""
      const m = memory(), at = (b, n) => m.slice(wasm.webBuffer(b), wasm.webBuffer(b) + n);
      return [...at(BUF.KEY, 179), ...at(BUF.KEY_PASSWORD, 1024), ...at(BUF.POOL, 103)].every((b) => b === 0) &&
             !document.getElementById('key-password').value && !document.getElementById('result').value""")
    check(wiped, "the lock left the key or the key password")
    d.find_element(By.ID, "pass-phrase").send_keys("example.com" + Keys.ENTER)
    check(field_error(d, "key-file") == TEXT["TEXT_WEB_NO_KEY_FILE"] + "\nロックしたため、キーファイル「dropped.key」をもう一度選んでください。",
          "after the lock: " + field_error(d, "key-file"))

    # The main screen names every setting that is not the default, and whence,
    # at this visit and the next; a sealed key names its own derivation.
    in_force = lambda: d.execute_script("const e = document.getElementById('in-force');"
                                        "return e.hidden ? '' : document.getElementById('in-force-text').textContent")
    seen = [in_force()]
    open_page(d, keep=True)
    seen.append(in_force())
    pick(d, keys[2][0])  # sealed, derivation 1
    seen.append(in_force())
    d.find_element(By.ID, "reset-settings").click()
    seen.append(in_force())
    pick(d, good_key)
    seen.append(in_force())
    expected = [["77文字", "数字・記号のみ", "setting.ini 独自の使用文字", "詳細設定で変更"],
                ["77文字", "数字・記号のみ", "前回からこのブラウザーに残っている設定"],
                ["77文字", "生成方式1（キーファイルの指定）"], ["生成方式1（キーファイルの指定）"], []]
    for got, want in zip(seen, expected):
        check(all(w in got for w in want) and (want or not got) and (len(want) > 1 or "77" not in got),
              "main screen: %r, wanted %s" % (got, want))

    # An original key sealed: the settings' derivation goes into the key, and
    # every password stays. Then its derivation changed, after a warning: the
    # key sealed anew and its passwords those of the other derivation.
    def generated(key_password):
        return page_call(d, "document.getElementById('key-password').value = arguments[0];"
                            "document.getElementById('pass-phrase').value = 'example.com';"
                            "await generate(); return document.getElementById('result').value;", key_password)
    open_page(d)
    d.execute_script("const e = document.getElementById('use-derivation-2'); e.checked = true; e.dispatchEvent(new Event('change'))")
    pick(d, good_key)
    before = generated(good_kp)
    remember_original = d.execute_script("return document.getElementById('remember-row').hidden")
    page_call(d, "await sealOriginal();")
    made = downloads(os.path.basename(good_key), 178)
    sealed_good = unseal(open(made[0], "rb").read(), good_kp) if made else None
    check(sealed_good and sealed_good[1:] == (2, 3, 65536) and generated(good_kp) == before and remember_original,
          "an original key sealed: %s, %s" % (made, sealed_good and sealed_good[1:]))
    os.remove(made[0])
    warning = page_call(d, "let said = ''; window.confirm = (t) => (said = t, true);"
                           "document.getElementById('use-derivation-2').checked = false;"
                           "await changeKeyDerivation(); return said;")
    made = downloads(os.path.basename(good_key), 178)
    resealed_good = unseal(open(made[0], "rb").read(), good_kp) if made else None
    after = generated(good_kp)
    want_1 = cli_password({"ini_path": default_ini, "key_path": good_key, "length": 16, "flags": 30, "anyway": False,
                           "key_password": good_kp, "pass_phrase": "example.com"})
    check("すべて変わり" in warning and resealed_good and resealed_good[:2] == (sealed_good[0], 1) and after == want_1 != before,
          "derivation changed: warned %r, %s; %r, wanted %r" % (warning, resealed_good and resealed_good[1:], after, want_1))
    # Remembered: the sealed key in use at the next visit with its key password alone; then forgotten.
    d.find_element(By.ID, "remember").click()
    open_page(d, keep=True)
    remembered = [page_text(d, "message"), generated(good_kp)]
    d.find_element(By.ID, "forget-key").click()
    remembered.append(d.execute_script("return localStorage.getItem('sorrel.key')"))
    check(remembered == ["この端末に記憶したキー「%s」を使います。キーパスワードを入力してください。" % os.path.basename(good_key),
                         want_1, None], "remembered key: %s" % remembered)
    secrets += [before, after]
    os.remove(made[0])

    site_rules(d, keys[2][0], keys[2][1], default_ini)  # a key the page reads today

    # Nothing went out: every request the page made was for the page itself.
    urls = []
    for entry in d.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message["method"] == "Network.requestWillBeSent":
            urls.append(message["params"]["request"]["url"])
    outside = [u for u in urls if not (u.startswith("file://" + PAGE) or u.startswith("blob:") or u.startswith("data:"))]
    check(urls and not outside, "requests beyond the page: %s" % outside[:5])
    # And the policy refuses one asked for, here and in a worker.
    blocked = d.execute_async_script("""
      const done = arguments[0];
      const worker = new Worker(URL.createObjectURL(new Blob(["fetch('http://127.0.0.1:9/')" +
        ".then(() => postMessage('fetched'), () => postMessage('blocked'))"])));
      worker.onmessage = (e) => fetch('http://127.0.0.1:9/').then(() => done('fetched'), () => done(e.data + ', blocked'));""")
    check(blocked == "blocked, blocked", "a fetch in a worker, then here: " + blocked)
    # No secret kept anywhere the page could leave it.
    kept = d.execute_async_script("""
      const done = arguments[0];
      const local = Object.keys(localStorage).map((k) => k + '=' + localStorage.getItem(k));
      indexedDB.databases().then((dbs) => done({ local, session: sessionStorage.length, cookie: document.cookie,
        url: location.href, history: history.length, dbs: dbs.length }));""")
    console = json.dumps(d.get_log("browser"), ensure_ascii=False)
    stored = json.dumps(kept, ensure_ascii=False)
    check(kept["local"] and all(k.startswith(("sorrel.settings=", "sorrel.sites")) for k in kept["local"]),
          "localStorage: %s" % kept["local"])
    check(kept["session"] == 0 and kept["cookie"] == "" and kept["dbs"] == 0 and kept["url"] == started,
          "storage, cookie or URL: %s" % kept)
    leaked = [s for s in secrets if len(s) >= 8 and (s in stored or s in console)]
    check(not leaked, "secrets in storage or the console: %s" % leaked[:3])
    d.quit()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


sys.exit(main())
