'use strict';
// Sorrel's web page. Everything that decides a password happens in the engine's
// WebAssembly module (core.js runs it); this script reads files, has what is
// typed encoded as code page 932 and shows what comes back.
// Nothing is sent anywhere. The browser keeps the settings record and, when
// asked, a sealed key file; never a key password, a pass phrase, a password or
// an original key file; and, if the user lets it, sites.txt (sites.js).

// Where each status is shown, besides #message.
const FIELD_OF = {
  [S.KEY_FILE_NOT_READ]: 'key-file', [S.KEY_WRONG_SHAPE]: 'key-file', [S.KEY_FILE_EMPTY]: 'key-file',
  [S.KEY_UNSUPPORTED]: 'key-file', [S.KEY_NO_MEMORY]: 'key-file', [S.KEY_DAMAGED]: 'key-file',
  [S.KEY_NOT_A_KEY]: 'key-file', [S.WORKER_FAILED]: 'key-password',
  [S.PASS_PHRASE_TOO_SHORT]: 'pass-phrase', [S.LENGTH_TOO_SMALL]: 'length', [S.LENGTH_TOO_LARGE]: 'length',
  [S.NO_CLASS]: 'classes', [S.DERIVE_FAILED]: 'key-password', [S.KEY_PASSWORD_TOO_SHORT]: 'key-password',
  [S.KEY_PASSWORD_MISMATCH]: 'key-password', [S.KEY_WRONG_PASSWORD]: 'key-password',
  [S.NEW_KEY_PASSWORDS_DIFFER]: 'new-key', [S.NEW_KEY_PASSWORD_TOO_SHORT]: 'new-key',
  [S.NEW_KEY_PASSWORD_TOO_LONG]: 'new-key', [S.KEY_CREATE_FAILED]: 'new-key', [S.SEAL_FAILED]: 'key-file',
  [S.SETTINGS_NOT_READ]: 'settings-file', [S.CHANGE_NOT_UNMASKED]: 'key-password',
  [S.NEW_KEY_PASSWORD_SAME]: 'change-key-password',
};
// The class bits the page shows, and derivation 2's (the settings' only for original keys).
const CLASSES = [['use-digits', 2, '数字'], ['use-lower', 4, '英小文字'], ['use-upper', 8, '英大文字'], ['use-symbols', 16, '記号']];
const DEFAULT_LENGTH = 16;
const CLIP_SECONDS = 45;
const SHOW_SECONDS = 60;
const LOCK_AFTER_HIDDEN_MS = 5 * 60 * 1000;
const STORE = 'sorrel.settings';
const STORE_KEY = 'sorrel.key';

const $ = (id) => document.getElementById(id);
let resultTimer = 0;
let clipTimer = 0;
let clipPending = false;
let hiddenSince = 0;
let lockTimer = 0;
let keyName = '';  // the key file in use, for messages and the name of a new copy
let lockedName = '';  // the key file in use before the lock
let keyGen = 0;  // counts the keys taken into use, so that a late result for another key is dropped
let sealNote = '';  // what the last seal lowered, said with its success
const takeSealNote = () => {
  const note = sealNote;
  sealNote = '';
  return note;
};
let jobs = Promise.resolve();  // the last job asked for
let opening = null;  // the opening under way: { gen, password, promise }
let settingsFrom = { how: 'default', name: '' };  // where the settings record came from
let saidCount = 0;  // messages shown so far
let keyUsable = false;  // whether the key in use has the shape of a key file this version reads


// A weak new key password is the user's to keep, once warned.
const keepsKeyPassword = (which) => {
  const m = memory();
  const at = wasm.webWeakKeyPassword(which);
  const question = utf8.decode(m.subarray(at, m.indexOf(0, at)));
  return !question || confirm(question);
};

// { status, outputs }, or null when the lock ended it. One job at a time, in
// the order asked, the page saying what runs; the caller wipes inputs.
function inWorker(calls, inputs, outputs, doing) {
  const gen = keyGen;
  const run = jobs.then(() => {
    // Another key taken into use, or the lock, while it waited: not run.
    if (gen !== keyGen) return null;
    setBusy(doing);
    return workerJob(calls, inputs, outputs, () => gen === keyGen);
  }).then((done) => {
    setBusy('');
    return done;
  });
  jobs = run;
  return run;
}

function setBusy(message) {
  $('busy').textContent = message || '';
  $('busy').hidden = !message;
  for (const id of ['new-key', 'change-key-password', 'seal', 'use-derivation-2', 'remember']) $(id).disabled = !!message;
}

// --- messages: #message, and the same text beside the field it concerns.

function clearMessages() {
  for (const e of document.querySelectorAll('.error')) e.textContent = '';
  for (const e of document.querySelectorAll('[aria-invalid]')) e.removeAttribute('aria-invalid');
  $('message').className = '';
}

function say(message, field) {
  saidCount++;
  $('message').textContent = message;
  $('message').className = field ? 'bad' : '';
  if (!field) return;
  $(field + '-error').textContent = message;
  const input = $(field);
  input.setAttribute('aria-invalid', 'true');
  const details = input.closest('details');
  if (details) details.open = true;
}

// A status's text with the key file's name and a sealed key's memory in it.
function statusText(status, mib = wasm.webKeyMemoryKiB() / 1024) {
  // No key bytes but a file chosen: the file was empty.
  if (status === S.KEY_FILE_NOT_READ && keyName) status = S.KEY_FILE_EMPTY;
  let t = text(status).replace('%s', keyName).replace('%u', String(mib));
  if (status === S.KEY_FILE_NOT_READ && lockedName) t += `\nロックしたため、キーファイル「${lockedName}」をもう一度選んでください。`;
  if (status === S.KEY_PASSWORD_MISMATCH) $('derive-anyway-row').hidden = false;
  return t;
}

// Shows a status beside its field; true when it is S.OK.
function report(status, field = FIELD_OF[status], mib) {
  if (status === S.OK) return true;
  say(statusText(status, mib), field);
  return false;
}

function putField(which, id, errorField) {
  const encoded = encodeCp932($(id).value);
  if (encoded.bad) {
    const cp = 'U+' + encoded.bad.codePointAt(0).toString(16).toUpperCase().padStart(4, '0');
    say(text(S.UNMAPPABLE).replace('%c', encoded.bad).replace('%u', cp), errorField || id);
    return false;
  }
  const ok = put(which, encoded.bytes);
  encoded.bytes.fill(0);
  return ok || report(S.TEXT_TOO_LONG, errorField || id);
}

// --- the key: its file, its form, and opening it.

// count bytes in BUF.KEY as the key in use; its status.
function useKey(count, name) {
  keyGen++;
  opening = null;
  keyName = name;
  // Deriving anyway is chosen for one key, after its key check failed.
  $('derive-anyway').checked = false;
  $('derive-anyway-row').hidden = true;
  const status = wasm.webSetKey(count);
  keyUsable = status === S.OK;
  showKey();
  return status;
}

async function loadKey(file) {
  clearMessages();
  const bytes = new Uint8Array(await file.slice(0, KEY_INPUT_LIMIT).arrayBuffer());
  memory().set(bytes, wasm.webBuffer(BUF.KEY));
  const status = useKey(bytes.length, file.name);
  bytes.fill(0);
  if (!report(status)) return;
  lockedName = '';
  say(`キーファイル「${file.name}」を読み込みました。`);
  if ($('key-password').value) checkKeyPassword();
}

// The key's form, its derivation, and what may be done with it.
function showKey() {
  const sealed = keyUsable && wasm.webKeySealed() === 1;
  const count = wasm.webKeyCount();
  $('key-form').textContent = !keyUsable ? '' : sealed
    ? `暗号化されたキーファイルです（Argon2id、${wasm.webKeyMemoryKiB() / 1024} MiB、${wasm.webKeyPasses()}回）。`
    : '旧形式のキーファイルです。暗号化されていないため、コピーされると、キーパスワードがなくても、すべてのパスワードを割り出されてしまいます。';
  $('seal-row').hidden = !keyUsable || sealed;
  $('remember-row').hidden = !sealed;
  const stored = storedKey();
  $('remember').checked = sealed && stored !== null && stored.key === toBase64(bytesOf(BUF.KEY, count));
  $('remembered').hidden = !stored;
  $('remembered-name').textContent = stored ? stored.name : '';
  showSettings();
}

// Opens the sealed key in use with the key password in BUF.KEY_PASSWORD, in
// the worker, unless it is open already: its status, or null when the lock or
// another key ended it. Another call for the same key and key password while
// one runs waits for that one.
function ensureOpen() {
  const status = wasm.webOpenKey(0);
  if (status !== S.KEY_NOT_OPEN) return Promise.resolve(status);
  const password = textOf(BUF.KEY_PASSWORD);
  const same = opening && opening.gen === keyGen && toBase64(opening.password) === toBase64(password);
  if (same) {
    password.fill(0);
    return opening.promise;
  }
  const kib = wasm.webKeyMemoryKiB();
  if (kib > MAKE_MAX_KIB && !confirm(`このキーファイルは、開くのに ${kib / 1024} MiB のメモリーを使います（新しく作るキーは 256 MiB までです）。開き終わるまでしばらく時間がかかることがあります。開きますか？`)) {
    password.fill(0);
    return Promise.resolve(null);
  }
  const gen = keyGen;
  const key = bytesOf(BUF.KEY, wasm.webKeyCount());
  const doing = `キーを開いています（Argon2id、${wasm.webKeyMemoryKiB() / 1024} MiB）。数秒かかることがあります…`;
  const promise = inWorker([['webSetKey', key.length], ['webOpenKey', 1], ['webExportPool']],
    [[BUF.KEY, key], [BUF.KEY_PASSWORD, password]], [[BUF.POOL, POOL_SIZE]], doing).then((done) => {
    if (opening && opening.promise === promise) opening = null;
    const current = gen === keyGen;
    let result = done && current ? done.status : null;
    if (result === S.OK) result = usePool(done.outputs[0], password);
    if (done) for (const o of done.outputs) o.fill(0);
    password.fill(0);
    return result;
  });
  opening = { gen, password, promise };
  return promise;
}

// The sealed key in use taken as open: its pool and the key password that opened it.
function usePool(pool, password) {
  memory().set(pool, wasm.webBuffer(BUF.POOL));
  const typed = textOf(BUF.KEY_PASSWORD);
  put(BUF.KEY_PASSWORD, password);
  const status = wasm.webUsePool();
  put(BUF.KEY_PASSWORD, typed);
  typed.fill(0);
  return status;
}

// The key password as typed, against the key in use. A sealed key's answer
// comes later: it is shown unless something else was said meanwhile.
async function checkKeyPassword() {
  clearMessages();
  if (!putField(BUF.KEY_PASSWORD, 'key-password')) return;
  const sealed = wasm.webKeySealed();
  let status = wasm.webOpenKey(0);
  if (status === S.KEY_NOT_OPEN) {
    const said = saidCount;
    status = await ensureOpen();
    if (status === null || said !== saidCount) return;
  }
  if (report(status)) say(sealed ? 'キーパスワードでキーを開きました。' : 'キーパスワードはキーファイルと一致しています。');
}

// The pool sealed in the worker under the key password's bytes, with the
// parameters given (0: a new key's); the sealed key is then the key in use,
// open, under name. Its status, or null when the lock ended it; a failure is
// shown beside field.
async function seal(pool, password, passes, memoryKiB, derivation, name, doing, field = 'key-file') {
  // The module seals again with at most 256 MiB, whatever the key had.
  sealNote = '';
  if (memoryKiB > MAKE_MAX_KIB) {
    sealNote = `\nこのキーは開くのに ${memoryKiB / 1024} MiB を使っていたため、どのプログラムでも開ける 256 MiB で暗号化し直しました。`;
    memoryKiB = MAKE_MAX_KIB;
  }
  const mib = (memoryKiB || 65536) / 1024;
  const gen = keyGen;
  const done = await inWorker([['webSeal', passes, memoryKiB, derivation]],
    [[BUF.POOL, pool], [BUF.KEY_PASSWORD, password]], [[BUF.KEY, SEALED_SIZE]],
    `${doing}（Argon2id、${mib} MiB）。数秒かかることがあります…`);
  // Another key taken into use meanwhile, or the lock: this one is dropped.
  let status = done && gen === keyGen ? done.status : null;
  if (status === S.OK) {
    const remembered = $('remember').checked;
    memory().set(done.outputs[0], wasm.webBuffer(BUF.KEY));
    useKey(SEALED_SIZE, name);
    status = usePool(pool, password);
    if (remembered) rememberKey(true);
    showKey();
  }
  pool.fill(0);
  password.fill(0);
  if (status !== null && status !== S.OK) report(status, field, mib);
  return status;
}

const keyFileName = () => (/\.key$/i.test(keyName) ? keyName : (keyName || 'sorrel') + '.key');

function offerKey(name) {
  const key = bytesOf(BUF.KEY, wasm.webKeyCount());
  download(key, name);
  key.fill(0);
  $('key-file').value = '';
}

// An original key sealed under its key password, naming the derivation its
// settings use today: every password stays the same.
async function sealOriginal() {
  clearMessages();
  if (!putField(BUF.KEY_PASSWORD, 'key-password')) return;
  const status = wasm.webUnmaskPool();
  if (!report(status === S.KEY_PASSWORD_MISMATCH ? S.CHANGE_NOT_UNMASKED : status)) return;
  const derivation = wasm.webFlags() & DERIVATION_2 ? 2 : 1;
  const pool = bytesOf(BUF.POOL, POOL_SIZE);
  wasm.webWipe(BUF.POOL);
  const name = keyFileName();
  if (await seal(pool, textOf(BUF.KEY_PASSWORD), 0, 0, derivation, name, 'キーを暗号化しています') !== S.OK) return;
  offerKey(name);
  say(`キーファイルを暗号化しました。生成方式${derivation}をキーファイルに記録したので、生成されるパスワードはすべて変わりません。\n` +
    `新しいキーファイルを「${name}」として保存しました。元のキーファイルと置き換えてください。旧形式のキーファイルのコピーは、キーパスワードなしで読まれるおそれがあるため捨ててください。`);
}

// A sealed key's derivation changed: the key sealed anew, after a warning.
async function changeKeyDerivation() {
  const want = $('use-derivation-2').checked ? 2 : 1;
  const now = wasm.webKeyDerivation();
  clearMessages();
  const warning = `このキーの生成方式を${now}から${want}に変えます。このキーから作るパスワードはすべて変わり、登録済みのパスワードは生成方式${now}でしか作れなくなります。変えますか？`;
  // The key password first, which the key is sealed anew under, then the warning.
  if (!putField(BUF.KEY_PASSWORD, 'key-password')) return showSettings();
  let status = wasm.webOpenKey(0);
  if (status !== S.OK && status !== S.KEY_NOT_OPEN) {
    report(status);
    return showSettings();
  }
  if (!confirm(warning)) return showSettings();
  status = await ensureOpen();
  if (status === S.OK) status = wasm.webExportPool();
  if (status === null || !report(status)) return showSettings();
  const pool = bytesOf(BUF.POOL, POOL_SIZE);
  wasm.webWipe(BUF.POOL);
  const name = keyFileName();
  status = await seal(pool, textOf(BUF.KEY_PASSWORD), wasm.webKeyPasses(), wasm.webKeyMemoryKiB(), want, name,
    'キーを暗号化し直しています');
  showSettings();
  if (status !== S.OK) return;
  offerKey(name);
  say(`生成方式を${want}に変えたキーファイルを「${name}」として保存しました。元のキーファイルと置き換えてください。このキーから作るパスワードはすべて変わりました。` + takeSealNote());
}

// --- remembering a sealed key in this browser.

function storedKey() {
  try {
    const saved = JSON.parse(localStorage.getItem(STORE_KEY) || 'null');
    return saved && typeof saved.key === 'string' && typeof saved.name === 'string' ? saved : null;
  } catch (e) {
    return null;
  }
}

// Only a sealed key is ever stored: without its key password it gives nothing away.
function rememberKey(on) {
  try {
    if (on && wasm.webKeySealed()) {
      localStorage.setItem(STORE_KEY, JSON.stringify({ name: keyName, key: toBase64(bytesOf(BUF.KEY, SEALED_SIZE)) }));
    } else {
      localStorage.removeItem(STORE_KEY);
    }
  } catch (e) {
    say('このブラウザーではキーを記憶できません（保存が許可されていません）。', 'remember');
  }
  showKey();
}

// The remembered key as the key in use; false when there is none.
function useStoredKey() {
  const saved = storedKey();
  if (!saved) return false;
  const bytes = fromBase64(saved.key).subarray(0, KEY_INPUT_LIMIT);
  memory().set(bytes, wasm.webBuffer(BUF.KEY));
  if (useKey(bytes.length, saved.name) !== S.OK || !wasm.webKeySealed()) {
    useKey(0, '');
    return false;
  }
  $('remember').checked = true;
  return true;
}

// --- settings: the module's record; the page shows it, and names what
// differs from the defaults on the main screen.

function showSettings() {
  $('length').value = wasm.webLength();
  const flags = wasm.webFlags();
  for (const [id, bit] of CLASSES) $(id).checked = (flags & bit) !== 0;
  const fromKey = wasm.webKeyDerivation();
  $('use-derivation-2').checked = fromKey ? fromKey === 2 : (flags & DERIVATION_2) !== 0;
  $('derivation-note').textContent = fromKey
    ? `このキーファイルが生成方式${fromKey}を指定しています。切り替えるとキーファイルを暗号化し直し、このキーから作るパスワードはすべて変わります。`
    : '切り替えると別のパスワードになります。登録済みのパスワードは、それを作った方式で生成してください。';
  showInForce();
}

// The main screen's line: length, classes and derivation wherever they are
// not the defaults, and where they come from.
function showInForce() {
  const length = wasm.webLength();
  const flags = wasm.webFlags();
  const parts = [];
  if (length !== DEFAULT_LENGTH) parts.push(`${length}文字`);
  if ((flags & ALL_CLASSES) !== ALL_CLASSES) {
    const names = CLASSES.filter(([, bit]) => flags & bit).map(([, , name]) => name);
    parts.push(names.length ? names.join('・') + 'のみ' : '使用文字なし');
  }
  if (!wasm.webDefaultClassChars()) parts.push('setting.ini 独自の使用文字');
  const fromKey = wasm.webKeyDerivation();
  if (!fromKey && flags & DERIVATION_2) parts.push('生成方式2');
  const from = {
    ini: `「${settingsFrom.name}」から読み込んだ設定`,
    stored: '前回からこのブラウザーに残っている設定' + (settingsFrom.name ? `、元は「${settingsFrom.name}」` : ''),
    changed: '詳細設定で変更、このブラウザーに残ります',
  }[settingsFrom.how];
  const lines = [];
  if (parts.length) lines.push(`既定と違う設定: ${parts.join('、')}（${from || '既定'}）`);
  if (fromKey) lines.push(`生成方式${fromKey}（キーファイルの指定）`);
  $('in-force').hidden = !lines.length;
  $('in-force-text').textContent = lines.join('\n');
  $('reset-settings').hidden = !parts.length;
}

function storeSettings(name) {
  try {
    const record = bytesOf(BUF.SETTINGS, wasm.webWriteSettings());
    localStorage.setItem(STORE, JSON.stringify({ record: toBase64(record), from: name }));
  } catch (e) {
    // Storage may be off (private windows, file:// in some browsers): nothing is lost but the convenience.
  }
}

function restoreSettings() {
  wasm.webDefaultSettings();
  try {
    const saved = JSON.parse(localStorage.getItem(STORE) || 'null');
    if (saved && typeof saved.record === 'string') {
      const record = fromBase64(saved.record).subarray(0, SETTINGS_SIZE);
      memory().set(record, wasm.webBuffer(BUF.SETTINGS));
      if (wasm.webReadSettings(record.length) !== S.OK) wasm.webDefaultSettings();
    } else if (saved && Number.isInteger(saved.length) && Number.isInteger(saved.flags)) {
      // What earlier versions of the page kept: the length and the option bits.
      wasm.webSetLength(saved.length);
      wasm.webSetFlags(saved.flags);
    }
    if (saved) settingsFrom = { how: 'stored', name: typeof saved.from === 'string' ? saved.from : '' };
  } catch (e) {
    // A damaged entry: the defaults stand.
  }
  showSettings();
}

function settingsFromFields() {
  const n = Number.parseInt($('length').value, 10);
  wasm.webSetLength(Number.isFinite(n) ? Math.max(-0x80000000, Math.min(0x7fffffff, n)) : 0);
  let flags = wasm.webFlags() & ~ALL_CLASSES;
  for (const [id, bit] of CLASSES) if ($(id).checked) flags |= bit;
  // A sealed key's derivation is the key's: the box changes the settings' only without one.
  if (!wasm.webKeyDerivation()) flags = $('use-derivation-2').checked ? flags | DERIVATION_2 : flags & ~DERIVATION_2;
  wasm.webSetFlags(flags >>> 0);
  settingsFrom = { how: 'changed', name: '' };
  storeSettings('');
  showSettings();
}

function resetSettings() {
  wasm.webDefaultSettings();
  settingsFrom = { how: 'default', name: '' };
  try {
    localStorage.removeItem(STORE);
  } catch (e) {
    // Nothing stored.
  }
  showSettings();
  say('設定を既定（16文字、4種類の文字すべて）に戻しました。');
}

async function loadSettings(file) {
  clearMessages();
  const bytes = new Uint8Array(await file.slice(0, SETTINGS_SIZE).arrayBuffer());
  memory().set(bytes, wasm.webBuffer(BUF.SETTINGS));
  if (!report(wasm.webReadSettings(bytes.length))) return;
  settingsFrom = { how: 'ini', name: file.name };
  storeSettings(file.name);
  showSettings();
  say(`設定ファイル「${file.name}」を読み込みました。`);
}

// --- generating, showing and copying.

function forgetResult() {
  clearTimeout(resultTimer);
  $('result').value = '';
  $('result').type = 'password';
  $('show').setAttribute('aria-pressed', 'false');
  $('show').textContent = '表示';
}

async function generate() {
  clearMessages();
  forgetResult();
  const verify = $('derive-anyway').checked ? 0 : 1;
  let status = S.KEY_NOT_OPEN;
  // A sealed key not open yet with this key password is opened first, then asked again.
  for (let tries = 0; tries < 3 && status === S.KEY_NOT_OPEN; tries++) {
    if (!putField(BUF.KEY_PASSWORD, 'key-password') || !putField(BUF.PASS_PHRASE, 'pass-phrase')) return;
    // The pass phrase's site rule applies (sites.js); a refused sites.txt stops here.
    if (!sitesReadyFor()) return wasm.webWipe(BUF.PASS_PHRASE);
    status = wasm.webGenerate(verify);
    wasm.webWipe(BUF.PASS_PHRASE);
    if (status === S.KEY_NOT_OPEN) {
      status = await ensureOpen();
      if (status === null) return;
      if (status === S.OK) status = S.KEY_NOT_OPEN;
    }
  }
  if (!report(status)) return;
  const at = wasm.webBuffer(BUF.RESULT);
  const m = memory();
  $('result').value = sjis.decode(m.subarray(at, m.indexOf(0, at)));
  wasm.webWipe(BUF.RESULT);
  resultTimer = setTimeout(forgetResult, SHOW_SECONDS * 1000);
  say('パスワードを生成しました。');
}

function toggleShow() {
  const shown = $('result').type === 'password';
  $('result').type = shown ? 'text' : 'password';
  $('show').setAttribute('aria-pressed', String(shown));
  $('show').textContent = shown ? '隠す' : '表示';
}

async function clearClipboard() {
  clipTimer = 0;
  try {
    await navigator.clipboard.writeText('');
    clipPending = false;
    say('クリップボードを消去しました。');
  } catch (e) {
    // Browsers write the clipboard only for a focused page: try again when it is.
    clipPending = true;
    say('クリップボードを消去できませんでした。このページに戻ると消去します。手動で消去することもできます。', 'copy');
  }
}

async function copy() {
  clearMessages();
  const value = $('result').value;
  if (!value) return;
  clearTimeout(clipTimer);
  try {
    await navigator.clipboard.writeText(value);
  } catch (e) {
    say('このブラウザではコピーできません。「表示」を押して手で写してください。', 'copy');
    return;
  }
  clipTimer = setTimeout(clearClipboard, CLIP_SECONDS * 1000);
  say(`コピーしました。${CLIP_SECONDS}秒後にクリップボードから消去します。`);
}

// --- a new key: a pool from the browser's random source, sealed.

async function newKey() {
  clearMessages();
  if (!putField(BUF.KEY_PASSWORD, 'new-key-password', 'new-key') || !putField(BUF.CONFIRM, 'new-key-confirm', 'new-key')) {
    wasm.webWipe(BUF.CONFIRM);
    return;
  }
  if (!report(wasm.webNewKey())) return;
  if (!keepsKeyPassword(BUF.KEY_PASSWORD)) return wasm.webWipe(BUF.POOL);
  const pool = bytesOf(BUF.POOL, POOL_SIZE);
  wasm.webWipe(BUF.POOL);
  $('remember').checked = false;
  if (await seal(pool, textOf(BUF.KEY_PASSWORD), 0, 0, 0, 'sorrel.key', 'キーを暗号化しています', 'new-key') !== S.OK) return;
  offerKey('sorrel.key');
  $('key-password').value = $('new-key-password').value;
  $('new-key-password').value = $('new-key-confirm').value = '';
  lockedName = '';
  say(text(S.KEY_GENERATED) + '「sorrel.key」として保存しました。このキーを使用しています。');
}

// --- a new key password for the key in use: the same passwords, a new key file.

async function changeKeyPassword() {
  clearMessages();
  const ids = ['change-key-password-new', 'change-key-password-confirm'];
  const fill = () => putField(BUF.KEY_PASSWORD, 'key-password') &&
    putField(BUF.NEW_KEY_PASSWORD, ids[0], 'change-key-password') && putField(BUF.CONFIRM, ids[1], 'change-key-password');
  const wipe = () => {
    wasm.webWipe(BUF.NEW_KEY_PASSWORD);
    wasm.webWipe(BUF.CONFIRM);
  };
  if (!fill()) return wipe();
  if ($(ids[0]).value === $(ids[1]).value && !keepsKeyPassword(BUF.NEW_KEY_PASSWORD)) return wipe();
  const sealed = wasm.webKeySealed();
  if (sealed) {
    wipe();
    const opened = await ensureOpen();
    if (opened === null || !report(opened)) return;
    if (!fill()) return wipe();
  }
  const status = wasm.webChangeKeyPassword();
  // The new key password's own refusals are the key creation's statuses: shown here, not there.
  if (!report(status, FIELD_OF[status] === 'new-key' ? 'change-key-password' : FIELD_OF[status])) return;
  const name = keyFileName();
  if (sealed) {
    const pool = bytesOf(BUF.POOL, POOL_SIZE);
    wasm.webWipe(BUF.POOL);
    const reseal = seal(pool, textOf(BUF.KEY_PASSWORD), wasm.webKeyPasses(), wasm.webKeyMemoryKiB(),
      wasm.webKeyDerivation(), name, 'キーを新しいキーパスワードで暗号化しています', 'change-key-password');
    if (await reseal !== S.OK) return;
  }
  offerKey(name);
  keyName = name;
  $('key-password').value = $(ids[0]).value;
  for (const id of ids) $(id).value = '';
  say(text(S.KEY_PASSWORD_CHANGED) + `\n新しいキーファイルを「${name}」として保存しました。元のキーファイルと置き換えてください。このページは新しいキーとキーパスワードを使用しています。` + takeSealNote());
}

// --- forgetting: the lock button, and the page hidden for 5 minutes.

function lock() {
  if (job) job.resolve();
  setBusy('');
  wasm.webForget();
  keyGen++;
  opening = null;
  forgetResult();
  // A password still waiting on the clipboard goes now.
  if (clipTimer) {
    clearTimeout(clipTimer);
    clipTimer = 0;
    navigator.clipboard.writeText('').catch(() => (clipPending = true));
  }
  lockedName = keyName;
  keyName = '';
  const fields = ['key-file', 'key-password', 'pass-phrase', 'new-key-password', 'new-key-confirm',
    'change-key-password-new', 'change-key-password-confirm'];
  for (const id of fields) $(id).value = '';
  $('derive-anyway').checked = false;
  showSiteNote();
  clearMessages();
  // A remembered key stays: it is sealed, and opens only with its key password.
  if (useStoredKey()) {
    lockedName = '';
    say(`ロックしました。キーパスワードを入力し直してください（この端末に記憶したキー「${keyName}」を使います）。`);
  } else {
    useKey(0, '');
    say('ロックしました。キーファイルとキーパスワードを入力し直してください。');
  }
}

function onVisibility() {
  if (document.hidden) {
    forgetResult();
    hiddenSince = Date.now();
    lockTimer = setTimeout(lock, LOCK_AFTER_HIDDEN_MS);
    return;
  }
  clearTimeout(lockTimer);
  // Timers of hidden pages may run late: the time away decides.
  if (hiddenSince && Date.now() - hiddenSince >= LOCK_AFTER_HIDDEN_MS) lock();
  hiddenSince = 0;
  if (clipPending) clearClipboard();
}

function wire() {
  $('key-file').addEventListener('change', (e) => e.target.files[0] && loadKey(e.target.files[0]));
  $('settings-file').addEventListener('change', (e) => e.target.files[0] && loadSettings(e.target.files[0]));
  $('key-password').addEventListener('change', checkKeyPassword);
  // Enter after the key password goes on to the pass phrase (the move checks it).
  $('key-password').addEventListener('keydown', (e) => {
    if (e.key !== 'Enter') return;
    e.preventDefault();  // else the same Enter submits the pass phrase's form
    $('pass-phrase').focus();
  });
  $('generate-form').addEventListener('submit', (e) => {
    e.preventDefault();
    generate();
  });
  $('length').addEventListener('change', settingsFromFields);
  for (const [id] of CLASSES) $(id).addEventListener('change', settingsFromFields);
  $('use-derivation-2').addEventListener('change', () => (wasm.webKeyDerivation() ? changeKeyDerivation() : settingsFromFields()));
  $('reset-settings').addEventListener('click', resetSettings);
  $('save-settings').addEventListener('click', () => download(bytesOf(BUF.SETTINGS, wasm.webWriteSettings()), 'setting.ini'));
  $('show').addEventListener('click', toggleShow);
  $('copy').addEventListener('click', copy);
  $('new-key').addEventListener('click', newKey);
  $('change-key-password').addEventListener('click', changeKeyPassword);
  $('seal').addEventListener('click', sealOriginal);
  $('remember').addEventListener('change', (e) => rememberKey(e.target.checked));
  $('forget-key').addEventListener('click', () => {
    rememberKey(false);
    say('この端末に記憶したキーを消去しました。');
  });
  $('lock').addEventListener('click', lock);
  document.addEventListener('visibilitychange', onVisibility);
  window.addEventListener('focus', () => clipPending && clearClipboard());
  // A file dropped anywhere is the key file; one ending in .ini is the settings.
  document.addEventListener('dragover', (e) => {
    e.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    document.body.classList.remove('dragging');
    const file = e.dataTransfer.files[0];
    if (file) (/\.ini$/i.test(file.name) ? loadSettings : loadKey)(file);
  });
}

async function start() {
  // The module is inlined compressed (web/inline.py).
  const packed = new Blob([fromBase64($('module').textContent.trim())]);
  const bytes = await new Response(packed.stream().pipeThrough(new DecompressionStream('deflate'))).arrayBuffer();
  // One file, so the worker is made from this script's own functions.
  const worker = `'use strict';\n${moduleImports}\n(${workerMain})();\n`;
  await startModule(bytes, URL.createObjectURL(new Blob([worker], { type: 'text/javascript' })));
  $('use-derivation-2-label').textContent = text(S.LABEL_DERIVATION_2);
  $(location.protocol === 'file:' ? 'remember-web' : 'remember-file').hidden = true;
  restoreSettings();
  startSites();
  wire();
  if (useStoredKey()) {
    say(`この端末に記憶したキー「${keyName}」を使います。キーパスワードを入力してください。`);
  } else {
    showKey();
    say('キーファイルを選び、キーパスワードを入力してください。');
  }
  document.documentElement.dataset.ready = 'true';
  performance.mark('sorrel-ready');
}

start().catch((e) => say('このブラウザでは動作しません。新しいブラウザで開いてください: ' + e.message, 'key-file'));
