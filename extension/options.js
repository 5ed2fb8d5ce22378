'use strict';
// The options page: the key kept only sealed, the settings record, sites.txt
// byte for byte, and the idle time. Runs after core.js and store.js.

let saved = {};
let original = null;  // an original key file being sealed: { bytes, name }

function say(message, bad = false) {
  $('message').textContent = message;
  $('message').className = bad ? 'bad' : '';
}

const statusText = (status) => text(status).replace('%s', saved.keyName || '').replace('%u', String(wasm.webKeyMemoryKiB() / 1024));

async function busy(doing) {
  $('busy').hidden = false;
  for (const b of document.querySelectorAll('button')) b.disabled = true;
  try {
    return await doing();
  } finally {
    $('busy').hidden = true;
    for (const b of document.querySelectorAll('button')) b.disabled = false;
  }
}

function showKey() {
  $('key-state').textContent = hasKey()
    ? t('keyStored', saved.keyName || 'sorrel.key', wasm.webKeyMemoryKiB() / 1024, wasm.webKeyDerivation())
    : t('keyNone');
  $('download-key').hidden = !hasKey();
  $('seal-row').hidden = !original;
  $('seal-from-settings').textContent = t('fromSettings', wasm.webFlags() & DERIVATION_2 ? 2 : 1);
}

// A new sealed key kept; the opened key of the old one is locked.
async function keepKey(bytes, name) {
  saved.key = toBase64(bytes);
  saved.keyName = name;
  await local.set({ key: saved.key, keyName: name });
  await session.clear();
  memory().set(bytes, wasm.webBuffer(BUF.KEY));
  wasm.webSetKey(SEALED_SIZE);
  original = null;
  showKey();
}

async function importKey(file) {
  const bytes = new Uint8Array(await file.slice(0, KEY_INPUT_LIMIT).arrayBuffer());
  const before = saved.key ? fromBase64(saved.key) : null;
  memory().set(bytes, wasm.webBuffer(BUF.KEY));
  const status = wasm.webSetKey(bytes.length);
  $('key-file').value = '';
  if (status === S.OK && wasm.webKeySealed()) {
    await keepKey(bytes, file.name);
    return say(t('keyKept', file.name));
  }
  // Only sealed: an original key waits in memory for its key password.
  original = status === S.OK ? { bytes, name: file.name } : null;
  if (before) memory().set(before, wasm.webBuffer(BUF.KEY));
  wasm.webSetKey(before ? before.length : 0);
  showKey();
  if (status !== S.OK) say(statusText(status).replace('%s', file.name), true);
  else say(t('originalKey'));
}

async function sealOriginal() {
  const { bytes, name } = original;
  memory().set(bytes, wasm.webBuffer(BUF.KEY));
  wasm.webSetKey(bytes.length);
  let status = putText(BUF.KEY_PASSWORD, $('seal-password').value) ? wasm.webUnmaskPool() : S.UNMAPPABLE;
  if (status === S.KEY_PASSWORD_MISMATCH) status = S.CHANGE_NOT_UNMASKED;
  const chosen = Number(document.querySelector('[name=seal-derivation]:checked').value);
  const derivation = chosen || (wasm.webFlags() & DERIVATION_2 ? 2 : 1);
  if (status === S.OK) {
    const pool = bytesOf(BUF.POOL, POOL_SIZE);
    const password = textOf(BUF.KEY_PASSWORD);
    wasm.webWipe(BUF.POOL);
    const done = await busy(() => runJob([['webSeal', 0, 0, derivation]], [[BUF.POOL, pool], [BUF.KEY_PASSWORD, password]], [[BUF.KEY, SEALED_SIZE]]));
    pool.fill(0);
    password.fill(0);
    status = done.status;
    if (status === S.OK) {
      await keepKey(done.outputs[0], name.replace(/\.key$/i, '') + '-sealed.key');
      $('seal-password').value = '';
      return say(t('sealed'));
    }
  }
  wasm.webWipe(BUF.KEY_PASSWORD);
  const before = saved.key ? fromBase64(saved.key) : new Uint8Array(0);
  memory().set(before, wasm.webBuffer(BUF.KEY));
  wasm.webSetKey(before.length);
  say(statusText(status), true);
}

async function newKey() {
  const ok = putText(BUF.KEY_PASSWORD, $('new-password').value) && putText(BUF.CONFIRM, $('new-confirm').value);
  const status = ok ? wasm.webNewKey() : S.UNMAPPABLE;
  if (status !== S.OK) return say(statusText(status), true);
  const pool = bytesOf(BUF.POOL, POOL_SIZE);
  const password = textOf(BUF.KEY_PASSWORD);
  wasm.webWipe(BUF.POOL);
  wasm.webWipe(BUF.KEY_PASSWORD);
  const done = await busy(() => runJob([['webSeal', 0, 0, 0]], [[BUF.POOL, pool], [BUF.KEY_PASSWORD, password]], [[BUF.KEY, SEALED_SIZE]]));
  pool.fill(0);
  password.fill(0);
  if (done.status !== S.OK) return say(statusText(done.status), true);
  await keepKey(done.outputs[0], 'sorrel.key');
  $('new-password').value = $('new-confirm').value = '';
  say(t('keyMade'));
}

// Opened with the current key password and sealed under the new one, in one worker job.
async function changeKeyPassword() {
  if (!hasKey()) return say(t('keyNone'), true);
  const fields = [[BUF.KEY_PASSWORD, 'change-current'], [BUF.NEW_KEY_PASSWORD, 'change-new'], [BUF.CONFIRM, 'change-confirm']];
  const inputs = [[BUF.KEY, bytesOf(BUF.KEY, SEALED_SIZE)]];
  for (const [which, id] of fields) {
    if (!putText(which, $(id).value)) return say(statusText(S.UNMAPPABLE), true);
    inputs.push([which, textOf(which)]);
    wasm.webWipe(which);
  }
  const calls = [['webSetKey', SEALED_SIZE], ['webOpenKey', 1], ['webChangeKeyPassword'],
    ['webSeal', wasm.webKeyPasses(), Math.min(wasm.webKeyMemoryKiB(), MAKE_MAX_KIB), wasm.webKeyDerivation()]];
  const done = await busy(() => runJob(calls, inputs, [[BUF.KEY, SEALED_SIZE]]));
  for (const [, bytes] of inputs) bytes.fill(0);
  if (done.status !== S.OK) return say(statusText(done.status), true);
  await keepKey(done.outputs[0], saved.keyName || 'sorrel.key');
  for (const [, id] of fields) $(id).value = '';
  say(t('changed'));
}

// --- settings

function showSettings() {
  const flags = wasm.webFlags();
  const classes = [[2, 'digits'], [4, 'lower'], [8, 'upper'], [16, 'symbols']].filter(([bit]) => flags & bit).map(([, n]) => t(n));
  const words = `${wasm.webLength()} · ${classes.join(', ')}` + (flags & DERIVATION_2 ? ' · ' + t('derivation2') : '');
  $('settings-state').textContent = saved.settings ? t('settingsFrom', saved.settingsName || 'setting.ini', words) : t('settingsDefault');
  $('settings-default').hidden = !saved.settings;
  showKey();
}

async function importSettings(file) {
  const bytes = new Uint8Array(await file.slice(0, SETTINGS_SIZE).arrayBuffer());
  $('settings-file').value = '';
  memory().set(bytes, wasm.webBuffer(BUF.SETTINGS));
  const status = wasm.webReadSettings(bytes.length);
  if (status !== S.OK) {
    await startStore();
    return say(statusText(status), true);
  }
  saved.settings = toBase64(bytesOf(BUF.SETTINGS, wasm.webWriteSettings()));
  saved.settingsName = file.name;
  await local.set({ settings: saved.settings, settingsName: file.name });
  showSettings();
  say(t('settingsRead', file.name));
}

async function defaultSettings() {
  wasm.webDefaultSettings();
  delete saved.settings;
  await local.remove(['settings', 'settingsName']);
  showSettings();
  say(t('settingsDefault'));
}

// --- sites.txt

const showSites = () => ($('sites-text').value = utf8.decode(sitesBytes()));

// New bytes as the sites.txt; refused ones change nothing.
async function takeSites(bytes, said) {
  const before = sitesBytes();
  const problem = readSites(bytes) !== 0 && sitesProblem();
  if (problem) {
    readSites(before);
    return say(problem, true);
  }
  await storeSites();
  showSites();
  say(said(wasm.webSiteCount()));
}

// bytes with the current file's bindings added: a domain bound in either
// stays bound (a site only the current file has comes along with them).
function withBindings(bytes, kept) {
  const before = sitesBytes();
  if (readSites(bytes) !== 0) return bytes;
  for (const [name, domains] of kept) {
    const i = addSite(name).index;
    if (i >= 0) for (const domain of domains) bindDomain(i, domain);
  }
  const merged = sitesBytes();
  readSites(before);
  return merged;
}

async function importSites(file) {
  let bytes = new Uint8Array(await file.slice(0, 65537).arrayBuffer());
  $('sites-file').value = '';
  const kept = boundDomains().map((domains, i) => [siteName(i), domains]).filter(([, domains]) => domains.length);
  if (kept.length && confirm(t('keepBindings'))) bytes = withBindings(bytes, kept);
  await takeSites(bytes, (n) => t('sitesRead', file.name, n));
}

// --- idle time

function showIdle() {
  for (const minutes of IDLE_CHOICES) {
    const words = minutes === 0 ? t('idleEvery') : minutes < 60 ? t('minutes', minutes) : t('hours', minutes / 60);
    $('idle').append(new Option(words, String(minutes), false, minutes === idleMinutes(saved)));
  }
}

async function start() {
  translate();
  saved = await startStore();
  showSettings();
  showSites();
  showIdle();
  $('key-file').addEventListener('change', (e) => e.target.files[0] && importKey(e.target.files[0]));
  $('seal').addEventListener('click', sealOriginal);
  $('download-key').addEventListener('click', () => download(fromBase64(saved.key), saved.keyName || 'sorrel.key'));
  $('new-key').addEventListener('click', newKey);
  $('change').addEventListener('click', changeKeyPassword);
  $('settings-file').addEventListener('change', (e) => e.target.files[0] && importSettings(e.target.files[0]));
  $('settings-default').addEventListener('click', defaultSettings);
  $('sites-file').addEventListener('change', (e) => e.target.files[0] && importSites(e.target.files[0]));
  $('sites-save').addEventListener('click', () => takeSites(new TextEncoder().encode($('sites-text').value), (n) => t('sitesSaved', n)));
  $('sites-export').addEventListener('click', () => download(sitesBytes(), 'sites.txt'));
  $('idle').addEventListener('change', async () => {
    saved.idle = Number($('idle').value);
    await local.set({ idle: saved.idle });
    await session.clear();
    say(t('idleSaved'));
  });
  document.documentElement.dataset.ready = 'true';
}

start().catch((e) => say(t('failed', e.message), true));
