'use strict';
// Sorrel's web page. Everything that decides a password happens in the engine's
// WebAssembly module; this script reads files, encodes what is typed as code
// page 932 (as sorrel-cli does, through iconv) and shows what comes back.
// Nothing is sent anywhere; only the length, the option bits and (if the user
// lets it) sites.txt are stored.

// The module's buffers and statuses (web/sorrel_web.cpp).
const BUF = { KEY: 0, KEY_PASSWORD: 1, PASS_PHRASE: 2, CONFIRM: 3, RESULT: 4, SETTINGS: 5, NEW_KEY_PASSWORD: 6 };
const S = {
  OK: 0, KEY_FILE_NOT_READ: 1, PASS_PHRASE_TOO_SHORT: 2, LENGTH_TOO_SMALL: 3, LENGTH_TOO_LARGE: 4,
  NO_CLASS: 5, DERIVE_FAILED: 6, KEY_PASSWORD_TOO_SHORT: 7, KEY_PASSWORD_MISMATCH: 8, KEY_WRONG_SHAPE: 9,
  NEW_KEY_PASSWORDS_DIFFER: 10, NEW_KEY_PASSWORD_TOO_SHORT: 11, NEW_KEY_PASSWORD_TOO_LONG: 12,
  KEY_CREATE_FAILED: 13, KEY_GENERATED: 14, SETTINGS_NOT_READ: 15, UNMAPPABLE: 16, TEXT_TOO_LONG: 17,
  LABEL_DERIVATION_2: 18, CHANGE_NOT_UNMASKED: 19, NEW_KEY_PASSWORD_SAME: 20, KEY_PASSWORD_CHANGED: 21,
};
// Where each status is shown, besides #message.
const FIELD_OF = {
  [S.KEY_FILE_NOT_READ]: 'key-file', [S.KEY_WRONG_SHAPE]: 'key-file',
  [S.PASS_PHRASE_TOO_SHORT]: 'pass-phrase', [S.LENGTH_TOO_SMALL]: 'length', [S.LENGTH_TOO_LARGE]: 'length',
  [S.NO_CLASS]: 'classes', [S.DERIVE_FAILED]: 'key-password', [S.KEY_PASSWORD_TOO_SHORT]: 'key-password',
  [S.KEY_PASSWORD_MISMATCH]: 'key-password', [S.NEW_KEY_PASSWORDS_DIFFER]: 'new-key',
  [S.NEW_KEY_PASSWORD_TOO_SHORT]: 'new-key', [S.NEW_KEY_PASSWORD_TOO_LONG]: 'new-key',
  [S.KEY_CREATE_FAILED]: 'new-key', [S.SETTINGS_NOT_READ]: 'settings-file',
  [S.CHANGE_NOT_UNMASKED]: 'key-password', [S.NEW_KEY_PASSWORD_SAME]: 'change-key-password',
};
// The option bits the page shows: the four classes and derivation 2.
const OPTIONS = [['use-digits', 2], ['use-lower', 4], ['use-upper', 8], ['use-symbols', 16], ['use-derivation-2', 32]];
const SHOWN_BITS = 2 | 4 | 8 | 16 | 32;
const KEY_READ_LIMIT = 105;
const SETTINGS_SIZE = 524;
const CLIP_SECONDS = 45;
const SHOW_SECONDS = 60;
const LOCK_AFTER_HIDDEN_MS = 5 * 60 * 1000;
const STORE = 'sorrel.settings';

// What iconv's CP932 gives beyond reversing the browser's Shift_JIS decoder:
// its many-to-one mappings and its choice among duplicate codes.
const CP932_EXTRA = [
  [0x00a2, 0x8191], [0x00a3, 0x8192], [0x00a5, 0x5c], [0x00ac, 0x81ca], [0x2014, 0x815c],
  [0x2016, 0x8161], [0x203e, 0x7e], [0x2212, 0x817c], [0x301c, 0x8160],
];

const $ = (id) => document.getElementById(id);
let wasm = null;
let cp932 = null;
const utf8 = new TextDecoder('utf-8');
const sjis = new TextDecoder('shift_jis');
let resultTimer = 0;
let clipTimer = 0;
let clipPending = false;
let hiddenSince = 0;
let lockTimer = 0;
let keyName = '';  // the key file in use, for the name of a re-masked copy

// Code point -> code page 932 code (one byte, or two as lead << 8 | trail).
function buildCp932() {
  const map = new Map();
  for (let b = 0; b < 0x80; b++) map.set(b, b);
  for (let b = 0xa1; b <= 0xdf; b++) map.set(0xff61 + b - 0xa1, b);
  const row = new Uint8Array(2 * 188);
  for (let lead = 0x81; lead <= 0xfc; lead++) {
    if (lead === 0xa0) lead = 0xe0;
    // NEC's selection of IBM's extensions: iconv encodes them as IBM's own (0xFA-0xFC).
    if (lead === 0xed || lead === 0xee) continue;
    let n = 0;
    for (let t = 0x40; t <= 0xfc; t++) if (t !== 0x7f) { row[n++] = lead; row[n++] = t; }
    const decoded = sjis.decode(row);
    // An unmapped pair gives U+FFFD, and a trail byte below 0x80 then comes out on its own.
    for (let t = 0x40, i = 0; t <= 0xfc; t++) {
      if (t === 0x7f) continue;
      const c = decoded.charCodeAt(i++);
      if (c === 0xfffd) {
        if (t < 0x80) i++;
      } else if (!map.has(c)) {
        map.set(c, (lead << 8) | t);
      }
    }
  }
  for (const [c, code] of CP932_EXTRA) map.set(c, code);
  return map;
}

// { bytes } or { bad: the first character code page 932 lacks }.
function encodeCp932(text) {
  const out = [];
  for (const ch of text) {
    const code = cp932.get(ch.codePointAt(0));
    if (code === undefined) return { bad: ch };
    if (code > 0xff) out.push(code >> 8);
    out.push(code & 0xff);
  }
  return { bytes: Uint8Array.from(out) };
}

const memory = () => new Uint8Array(wasm.memory.buffer);
const text = (status) => {
  const m = memory();
  const at = wasm.webText(status);
  return utf8.decode(m.subarray(at, m.indexOf(0, at)));
};

// --- messages: #message, and the same text beside the field it concerns.

function clearMessages() {
  for (const e of document.querySelectorAll('.error')) e.textContent = '';
  for (const e of document.querySelectorAll('[aria-invalid]')) e.removeAttribute('aria-invalid');
  $('message').className = '';
}

function say(message, field) {
  $('message').textContent = message;
  $('message').className = field ? 'bad' : '';
  if (!field) return;
  $(field + '-error').textContent = message;
  const input = $(field);
  input.setAttribute('aria-invalid', 'true');
  const details = input.closest('details');
  if (details) details.open = true;
}

// Shows a status beside its field; true when it is S.OK.
function report(status, field = FIELD_OF[status]) {
  if (status === S.OK) return true;
  say(text(status), field);
  return false;
}

// --- what is typed, into a module buffer as code page 932.

function put(which, bytes) {
  wasm.webWipe(which);
  if (bytes.length > wasm.webCapacity(which) - 1) return false;
  memory().set(bytes, wasm.webBuffer(which));
  return true;
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

function bytesOf(which, count) {
  const at = wasm.webBuffer(which);
  return memory().slice(at, at + count);
}

function download(bytes, name) {
  const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}

// --- the key and the key password.

async function loadKey(file) {
  clearMessages();
  const bytes = new Uint8Array(await file.slice(0, KEY_READ_LIMIT).arrayBuffer());
  memory().set(bytes, wasm.webBuffer(BUF.KEY));
  const status = wasm.webSetKey(bytes.length);
  bytes.fill(0);
  if (!report(status)) return;
  keyName = file.name;
  say(`キーファイル「${file.name}」を読み込みました。`);
  if ($('key-password').value) checkKeyPassword();
}

function checkKeyPassword() {
  clearMessages();
  if (!putField(BUF.KEY_PASSWORD, 'key-password')) return;
  if (report(wasm.webCheckKeyPassword())) say('キーパスワードはキーファイルと一致しています。');
}

// --- settings: the module's record; the page shows its length and classes.

function showSettings() {
  $('length').value = wasm.webLength();
  const flags = wasm.webFlags();
  for (const [id, bit] of OPTIONS) $(id).checked = (flags & bit) !== 0;
}

function storeSettings() {
  try {
    localStorage.setItem(STORE, JSON.stringify({ length: wasm.webLength(), flags: wasm.webFlags() }));
  } catch (e) {
    // Storage may be off (private windows, file:// in some browsers): nothing is lost but the convenience.
  }
}

function restoreSettings() {
  wasm.webDefaultSettings();
  try {
    const saved = JSON.parse(localStorage.getItem(STORE) || 'null');
    if (saved && Number.isInteger(saved.length) && Number.isInteger(saved.flags)) {
      wasm.webSetLength(saved.length);
      wasm.webSetFlags(saved.flags);
    }
  } catch (e) {
    // A damaged entry: the defaults stand.
  }
  showSettings();
}

function settingsFromFields() {
  const n = Number.parseInt($('length').value, 10);
  wasm.webSetLength(Number.isFinite(n) ? Math.max(-0x80000000, Math.min(0x7fffffff, n)) : 0);
  let flags = wasm.webFlags() & ~SHOWN_BITS;
  for (const [id, bit] of OPTIONS) if ($(id).checked) flags |= bit;
  wasm.webSetFlags(flags >>> 0);
  storeSettings();
}

async function loadSettings(file) {
  clearMessages();
  const bytes = new Uint8Array(await file.slice(0, SETTINGS_SIZE).arrayBuffer());
  memory().set(bytes, wasm.webBuffer(BUF.SETTINGS));
  if (!report(wasm.webReadSettings(bytes.length))) return;
  showSettings();
  storeSettings();
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

function generate() {
  clearMessages();
  forgetResult();
  if (!putField(BUF.KEY_PASSWORD, 'key-password') || !putField(BUF.PASS_PHRASE, 'pass-phrase')) return;
  // The pass phrase's site rule applies (sites.js); a refused sites.txt stops here.
  const ready = sitesReadyFor();
  const status = ready ? wasm.webGenerate($('derive-anyway').checked ? 0 : 1) : S.OK;
  wasm.webWipe(BUF.PASS_PHRASE);
  if (!ready || !report(status)) return;
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

// --- a new key, made by the engine from the browser's random source.

// BUF.KEY_PASSWORD is filled from the key password field before each use, so a
// refused new key leaves the key password in force as it was.
function newKey() {
  clearMessages();
  if (!putField(BUF.KEY_PASSWORD, 'new-key-password', 'new-key') || !putField(BUF.CONFIRM, 'new-key-confirm', 'new-key')) {
    wasm.webWipe(BUF.CONFIRM);
    return;
  }
  if (!report(wasm.webNewKey())) return;
  const key = bytesOf(BUF.KEY, wasm.webKeyCount());
  download(key, 'sorrel.key');
  key.fill(0);
  keyName = 'sorrel.key';
  $('key-password').value = $('new-key-password').value;
  $('new-key-password').value = $('new-key-confirm').value = '';
  $('key-file').value = '';
  // A new key has no passwords registered yet: it starts with derivation 2.
  $('use-derivation-2').checked = true;
  settingsFromFields();
  say(text(S.KEY_GENERATED) + '「sorrel.key」として保存しました。このキーを使用しています。');
}

// --- a new key password for the key in use: the same passwords, a new key file.

function changeKeyPassword() {
  clearMessages();
  const ids = ['change-key-password-new', 'change-key-password-confirm'];
  const filled = putField(BUF.KEY_PASSWORD, 'key-password') &&
    putField(BUF.NEW_KEY_PASSWORD, ids[0], 'change-key-password') && putField(BUF.CONFIRM, ids[1], 'change-key-password');
  if (!filled) {
    wasm.webWipe(BUF.NEW_KEY_PASSWORD);
    wasm.webWipe(BUF.CONFIRM);
    return;
  }
  const status = wasm.webChangeKeyPassword();
  // The new key password's own refusals are the key creation's statuses: shown here, not there.
  if (!report(status, FIELD_OF[status] === 'new-key' ? 'change-key-password' : FIELD_OF[status])) return;
  const name = /\.key$/i.test(keyName) ? keyName : (keyName || 'sorrel') + '.key';
  const key = bytesOf(BUF.KEY, wasm.webKeyCount());
  download(key, name);
  key.fill(0);
  keyName = name;
  $('key-password').value = $(ids[0]).value;
  for (const id of ids) $(id).value = '';
  $('key-file').value = '';
  say(text(S.KEY_PASSWORD_CHANGED) + `\n新しいキーファイルを「${name}」として保存しました。元のキーファイルと置き換えてください。このページは新しいキーとキーパスワードを使用しています。`);
}

// --- forgetting: the lock button, and the page hidden for 5 minutes.

function lock() {
  wasm.webForget();
  forgetResult();
  // A password still waiting on the clipboard goes now.
  if (clipTimer) {
    clearTimeout(clipTimer);
    clipTimer = 0;
    navigator.clipboard.writeText('').catch(() => (clipPending = true));
  }
  keyName = '';
  const fields = ['key-file', 'key-password', 'pass-phrase', 'new-key-password', 'new-key-confirm',
    'change-key-password-new', 'change-key-password-confirm'];
  for (const id of fields) $(id).value = '';
  showSiteNote();
  clearMessages();
  say('ロックしました。キーファイルとキーパスワードを入力し直してください。');
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
  for (const [id] of OPTIONS) $(id).addEventListener('change', settingsFromFields);
  $('save-settings').addEventListener('click', () => download(bytesOf(BUF.SETTINGS, wasm.webWriteSettings()), 'setting.ini'));
  $('show').addEventListener('click', toggleShow);
  $('copy').addEventListener('click', copy);
  $('new-key').addEventListener('click', newKey);
  $('change-key-password').addEventListener('click', changeKeyPassword);
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
  const bytes = Uint8Array.from(atob($('module').textContent.trim()), (c) => c.charCodeAt(0));
  const env = {
    getentropy: (at, size) => {
      crypto.getRandomValues(new Uint8Array(wasm.memory.buffer, at, size));
      return 0;
    },
  };
  const { instance } = await WebAssembly.instantiate(bytes, { env });
  wasm = instance.exports;
  if (wasm._initialize) wasm._initialize();
  cp932 = buildCp932();
  $('use-derivation-2-label').textContent = text(S.LABEL_DERIVATION_2);
  restoreSettings();
  startSites();
  wire();
  say('キーファイルを選び、キーパスワードを入力してください。');
  document.documentElement.dataset.ready = 'true';
  performance.mark('sorrel-ready');
}

start().catch((e) => say('このブラウザでは動作しません（WebAssembly を使えません）: ' + e.message, 'key-file'));
