#!/usr/bin/python3
"""The web page's figures in headless Chromium: time from navigation to ready
to derive, one 16-character derivation inside the page (median), file size.

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
    put(BUF.PASS_PHRASE, encodeCp932('example.com').bytes);
    wasm.webSetLength(16);
    const out = {};
    for (const [name, flags] of [['derivation 1', 30], ['derivation 2', 62]]) {
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
d.quit()

print("file size: %d bytes" % os.path.getsize(page))
print("navigation to ready: median %.1f ms, max %.1f ms (20 loads)" % (statistics.median(ready), max(ready)))
for name, us in per_call.items():
    print("%s, 16 characters: median %.2f us per call (50 batches of 1000)" % (name, us))
