'use strict';
// What the popup and the options page share: the extension's storage, the
// module started from the extension's own files, the key opened in a worker,
// and sites.txt with its bound domains. Runs after core.js.
//
// storage.local holds only what gives nothing away without the key password:
// the sealed key (178 bytes), the settings record, sites.txt, the idle time and
// the site last used on each domain. The opened key lives in storage.session
// (memory only, not for content scripts) until the lock.

const local = chrome.storage.local;
const session = chrome.storage.session;
const IDLE_DEFAULT = 15;
// The choices of idle time, in minutes; 0 locks whenever the popup closes.
const IDLE_CHOICES = [0, 1, 5, 15, 30, 60, 120, 240, 480];
// The module checks that generating uses the key password that opened the key.
// The extension keeps no key password: an opened key is always taken with this.
const OPENED = new TextEncoder().encode('opened in this browser');
const t = (name, ...subs) => chrome.i18n.getMessage(name, subs.map(String)) || name;
const $ = (id) => document.getElementById(id);

// Every element with data-i18n gets its text; data-i18n-title its tooltip.
function translate() {
  document.documentElement.lang = chrome.i18n.getUILanguage().startsWith('ja') ? 'ja' : 'en';
  for (const e of document.querySelectorAll('[data-i18n]')) e.textContent = t(e.dataset.i18n);
  for (const e of document.querySelectorAll('[data-i18n-placeholder]')) e.placeholder = t(e.dataset.i18nPlaceholder);
}

// The module started, with the stored settings, sites.txt and key; the stored state.
async function startStore() {
  const bytes = await (await fetch(chrome.runtime.getURL('sorrel_web.wasm'))).arrayBuffer();
  await startModule(bytes, chrome.runtime.getURL('worker.js'));
  const saved = await local.get(null);
  wasm.webDefaultSettings();
  if (typeof saved.settings === 'string') {
    const record = fromBase64(saved.settings).subarray(0, SETTINGS_SIZE);
    memory().set(record, wasm.webBuffer(BUF.SETTINGS));
    if (wasm.webReadSettings(record.length) !== S.OK) wasm.webDefaultSettings();
  }
  readSites(typeof saved.sites === 'string' ? fromBase64(saved.sites) : new Uint8Array(0));
  if (typeof saved.key === 'string') {
    const key = fromBase64(saved.key).subarray(0, KEY_INPUT_LIMIT);
    memory().set(key, wasm.webBuffer(BUF.KEY));
    if (wasm.webSetKey(key.length) !== S.OK || !wasm.webKeySealed()) wasm.webSetKey(0);
  }
  return saved;
}

const hasKey = () => wasm.webKeyCount() > 0 && wasm.webKeySealed() === 1;
const idleMinutes = (saved) => (IDLE_CHOICES.includes(saved.idle) ? saved.idle : IDLE_DEFAULT);

// text into a buffer as code page 932; false when it has no such form or is too long.
function putText(which, value) {
  const encoded = encodeCp932(value);
  if (encoded.bad) return false;
  const ok = put(which, encoded.bytes);
  encoded.bytes.fill(0);
  return ok;
}

// The Argon2id job in a worker started from the extension's worker.js, never
// on this thread: { status: S.WORKER_FAILED } when no worker runs.
const runJob = (calls, inputs, outputs) => workerJob(calls, inputs, outputs, () => true);

// The stored key opened with a key password: its pool, or a status.
async function openKey(password) {
  if (!putText(BUF.KEY_PASSWORD, password)) return { status: S.UNMAPPABLE };
  const typed = textOf(BUF.KEY_PASSWORD);
  wasm.webWipe(BUF.KEY_PASSWORD);
  const key = bytesOf(BUF.KEY, SEALED_SIZE);
  const done = await runJob([['webSetKey', SEALED_SIZE], ['webOpenKey', 1], ['webExportPool']],
    [[BUF.KEY, key], [BUF.KEY_PASSWORD, typed]], [[BUF.POOL, POOL_SIZE]]);
  typed.fill(0);
  return done.status === S.OK ? { status: S.OK, pool: done.outputs[0] } : { status: done.status };
}

// The opened pool taken into the module; S.OK when the key is then open.
function usePool(pool) {
  put(BUF.KEY_PASSWORD, OPENED);
  memory().set(pool, wasm.webBuffer(BUF.POOL));
  return wasm.webUsePool();
}

// The password for a pass phrase under its site rule, or { status }.
function generate(passPhrase) {
  put(BUF.KEY_PASSWORD, OPENED);
  if (!putText(BUF.PASS_PHRASE, passPhrase)) return { status: S.UNMAPPABLE };
  putSiteText(passPhrase);
  const status = wasm.webGenerate(1);
  wasm.webWipe(BUF.PASS_PHRASE);
  if (status !== S.OK) return { status };
  const password = sjis.decode(textOf(BUF.RESULT));
  wasm.webWipe(BUF.RESULT);
  return { status, password };
}

// --- sites.txt: the module keeps its bytes; domains= is read and written here.

const utf8Encoder = new TextEncoder();

// The pass phrase as the desktop looks it up: its code page 932 bytes decoded again.
function putSiteText(passPhrase) {
  const at = wasm.webSiteText();
  memory()[at] = 0;
  const encoded = encodeCp932(passPhrase);
  if (encoded.bad) return;
  const bytes = utf8Encoder.encode(sjis.decode(encoded.bytes));
  if (bytes.length >= wasm.webSiteTextCapacity()) return;
  memory().set(bytes, at);
  memory()[at + bytes.length] = 0;
}

const sitesBytes = () => memory().slice(wasm.webSiteBytes(), wasm.webSiteBytes() + wasm.webSiteSize());

function siteName(i) {
  wasm.webSiteName(i, 0);
  return moduleText(wasm.webSiteText());
}

function sitesProblem() {
  if (wasm.webSiteStatus() === 0) return '';
  wasm.webSitesProblem();
  return moduleText(wasm.webSiteText());
}

// Each site's bound domains, in the module's order.
function boundDomains() {
  const all = [];
  for (let i = 0; i < wasm.webSiteCount(); i++) {
    wasm.webSiteDomains(i);
    all.push(moduleText(wasm.webSiteText()).split(',').filter(Boolean));
  }
  return all;
}

// A domain bound to site i: the module's status (0 when bound).
function bindDomain(i, domain) {
  const bytes = utf8Encoder.encode(domain);
  if (bytes.length >= wasm.webSiteTextCapacity()) return -1;
  memory().set(bytes, wasm.webSiteText());
  memory()[wasm.webSiteText() + bytes.length] = 0;
  return wasm.webBindSiteDomain(i);
}

// A site by its pass phrase, or -1.
function findSite(name) {
  for (let i = 0; i < wasm.webSiteCount(); i++) if (siteName(i) === name) return i;
  return -1;
}

// The site with this pass phrase added (with no rule of its own) when there
// is none; its index, or -1 with the refusal's words.
function addSite(name) {
  let i = findSite(name);
  if (i >= 0) return { index: i };
  putSiteText(name);
  const status = wasm.webSetSite(0, 0, 0, 1);
  if (status !== 0) return { index: -1, problem: moduleText(wasm.webSiteStatusText(status)) };
  return { index: findSite(name) };
}

const storeSites = () => local.set({ sites: toBase64(sitesBytes()) });


