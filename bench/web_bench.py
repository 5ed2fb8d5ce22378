#!/usr/bin/python3
"""The web page's figures in headless Chromium: time from navigation to ready
to derive, one 16-character derivation inside the page (median), a new key
sealed and a sealed key opened at the defaults (Argon2id, 64 MiB, 3 passes,
in the page's worker; the longest pause of the page's own thread meanwhile),
file size.

Usage: bench/web_bench.py PAGE.html KEY_FILE KEY_PASSWORD
"""
import os
import statistics
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

page, key, key_password = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
o = webdriver.ChromeOptions()
o.binary_location = "/usr/bin/chromium"
for a in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
          "--disable-background-networking", "--disable-component-update", "--disable-sync",
          "--user-data-dir=" + tempfile.mkdtemp()]:
    o.add_argument(a)
d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=o)
d.set_script_timeout(60)

ready = []
for _ in range(20):
    d.get("file://" + page)
    ready.append(d.execute_async_script("""
      const done = arguments[0];
      const wait = () => {
        const mark = performance.getEntriesByName('sorrel-ready')[0];
        mark ? done(mark.startTime) : setTimeout(wait, 5);
      };
      wait();"""))

# Derivation inside the page: the module's generate call, both derivations,
# in batches of 1000; the median of the batches' time per call.
per_call = d.execute_async_script("""
  const [key, keyPassword, done] = arguments;
  (async () => {
    await loadKey(new File([Uint8Array.from(key)], 'bench.key'));
    put(BUF.KEY_PASSWORD, encodeCp932(keyPassword).bytes);
    if (await ensureOpen() !== 0) throw new Error('the key does not open');
    put(BUF.PASS_PHRASE, encodeCp932('example.com').bytes);
    wasm.webSetLength(16);
    const out = {};
    // A sealed key's derivation is its own, whatever the settings say.
    const runs = wasm.webKeySealed() ? [[`derivation ${wasm.webKeyDerivation()} (the key's)`, 30]]
      : [['derivation 1', 30], ['derivation 2', 62]];
    for (const [name, flags] of runs) {
      wasm.webSetFlags(flags);
      const batches = [];
      for (let b = 0; b < 50; b++) {
        const t = performance.now();
        for (let i = 0; i < 1000; i++) if (wasm.webGenerate(0) !== 0) throw new Error('generate failed');
        batches.push((performance.now() - t) * 1000 / 1000);
      }
      batches.sort((a, b) => a - b);
      out[name] = batches[25];
    }
    return out;
  })().then(done, (e) => done(String(e)));""", list(open(key, "rb").read()), key_password)

# A new key sealed, then opened afresh ten times, as the key password's field
# opens it; a 10 ms timer on the page's thread measures its longest pause.
sealed = d.execute_async_script("""
  const [keyPassword, done] = arguments;
  (async () => {
    for (const id of ['new-key-password', 'new-key-confirm']) document.getElementById(id).value = keyPassword;
    let t = performance.now();
    await newKey();
    const seal = performance.now() - t;
    const key = bytesOf(BUF.KEY, wasm.webKeyCount());
    const opens = [];
    let pause = 0;
    let last = performance.now();
    const tick = setInterval(() => { pause = Math.max(pause, performance.now() - last); last = performance.now(); }, 10);
    for (let i = 0; i < 10; i++) {
      await loadKey(new File([key], 'sealed.key'));
      put(BUF.KEY_PASSWORD, encodeCp932(keyPassword).bytes);
      t = performance.now();
      if (await ensureOpen() !== 0) throw new Error('the sealed key does not open');
      opens.push(performance.now() - t);
    }
    clearInterval(tick);
    opens.sort((a, b) => a - b);
    return { seal, median: opens[5], max: opens[9], pause, size: key.length };
  })().then(done, (e) => done(String(e)));""", key_password)
d.quit()

print("file size: %d bytes" % os.path.getsize(page))
print("navigation to ready: median %.1f ms, max %.1f ms (20 loads)" % (statistics.median(ready), max(ready)))
for name, us in per_call.items():
    print("%s, 16 characters: median %.2f us per call (50 batches of 1000)" % (name, us))
print("a new key sealed (%d bytes), 64 MiB, 3 passes: %.0f ms" % (sealed["size"], sealed["seal"]))
print("a sealed key opened, 64 MiB, 3 passes: median %.0f ms, max %.0f ms (10 openings); "
      "the page's thread paused %.0f ms at most" % (sealed["median"], sealed["max"], sealed["pause"]))
