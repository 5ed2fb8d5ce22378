// The extension in Firefox ESR, headless, driven by puppeteer-core over
// WebDriver BiDi. BiDi opens no moz-extension:// page, so the test copy's
// background gets a hook: a tab whose address ends in #sorrel-test-fill has
// the key opened, its site's password derived and filled as the popup does.
// The filled password must be sorrel-cli's.
// Usage: node firefox_test.cjs EXTENSION_DIR SORREL_CLI   (NODE_PATH: the npm tools)
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const https = require('https');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [ext, cli] = process.argv.slice(2).map((p) => path.resolve(p));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'sorrel-firefox-'));
const KEY_PASSWORD = 'かぎのパスワード1';
const run = (args, input) => execFileSync(cli, args, { input, cwd: work, env: { ...process.env, LC_ALL: 'C.UTF-8' } }).toString().trim();

const HOOK = `'use strict';
chrome.tabs.onUpdated.addListener(async (tabId, info, tab) => {
  if (info.status !== 'complete' || !tab.url.endsWith('#sorrel-test-fill')) return;
  const { registrableSite } = await import('./domain.js');
  const { fillPage } = await import('./fill.js');
  await local.set({ key: KEY });
  await startStore();
  const opened = await openKey(PASSWORD);
  if (opened.status !== S.OK || usePool(opened.pool) !== S.OK) return;
  const made = generate(registrableSite(new URL(tab.url).hostname).site);
  await chrome.scripting.executeScript({ target: { tabId }, func: fillPage, args: [made.password, new URL(tab.url).origin] });
});
`;

async function main() {
  const key = path.join(work, 'sorrel.key');
  run(['new-key', key], `${KEY_PASSWORD}\n${KEY_PASSWORD}\n`);
  run(['init', '--key', key, '--settings', path.join(work, 'setting.ini')]);
  const copy = path.join(work, 'extension');
  fs.cpSync(ext, copy, { recursive: true });
  const manifest = JSON.parse(fs.readFileSync(path.join(copy, 'manifest.json')));
  manifest.host_permissions = ['https://example.com/*', 'https://login.example.com/*'];
  manifest.background = { scripts: ['core.js', 'store.js', 'background.js', 'test_hook.js'] };
  fs.writeFileSync(path.join(copy, 'manifest.json'), JSON.stringify(manifest));
  const keyB64 = fs.readFileSync(key).toString('base64');
  fs.writeFileSync(path.join(copy, 'test_hook.js'), `const KEY = '${keyB64}';\nconst PASSWORD = '${KEY_PASSWORD}';\n${HOOK}`);

  execFileSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '1', '-subj', '/CN=test',
    '-keyout', path.join(work, 'key.pem'), '-out', path.join(work, 'cert.pem')], { stdio: 'ignore' });
  const page = '<!DOCTYPE html><meta charset=utf-8><form><input name=u><input type=password id=p></form>';
  const server = https.createServer({ key: fs.readFileSync(path.join(work, 'key.pem')), cert: fs.readFileSync(path.join(work, 'cert.pem')) },
    (req, res) => res.end(page)).listen(443, '127.0.0.1');

  const browser = await puppeteer.launch({
    browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true, acceptInsecureCerts: true,
    extraPrefsFirefox: { 'network.dns.forceResolve': '127.0.0.1', 'network.proxy.type': 0 },
  });
  let failed = 0;
  try {
    await browser.installExtension(copy);
    const tab = await browser.newPage();
    for (const host of ['example.com', 'login.example.com']) {
      await tab.goto(`https://${host}/#sorrel-test-fill`);
      await tab.waitForFunction(() => document.getElementById('p').value !== '', { timeout: 20000 }).catch(() => {});
      const filled = await tab.$eval('#p', (p) => p.value);
      const want = run(['generate', '--settings', path.join(work, 'setting.ini'), '--', 'example.com'], `${KEY_PASSWORD}\n`);
      const ok = filled === want;
      failed += ok ? 0 : 1;
      console.log(`${ok ? 'ok  ' : 'FAIL'} Firefox: ${host} filled with sorrel-cli's password${ok ? '' : `: ${filled} / ${want}`}`);
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  process.exit(failed ? 1 : 0);
}

main().catch((e) => {
  console.error('firefox_test: ' + e.message);
  process.exit(1);
});
