// Site rules: the page's sites.txt, the desktop's file. The module keeps its
// bytes (web/sorrel_web.cpp) and reads, edits and describes it; this part
// imports, exports and stores those bytes whole, and shows what the module
// says. Definitions only: page.js calls startSites, and its generate calls
// sitesReadyFor.

S.SITES_REFUSED = 28;
S.SITE_TOO_LONG = 29;
FIELD_OF[S.SITES_REFUSED] = 'sites-file';
FIELD_OF[S.SITE_TOO_LONG] = 'pass-phrase';
// webSiteWords
const SITE_WORDS = {
  SAVED: 0, NEW: 1, COUNTER_HINT: 2, NEXT_HINT: 3, COUNTER_INVALID: 4, REFUSED: 5, DELETE: 6, MEND: 7,
  FROM_SITE: 8, FROM_KEY: 9, FROM_SETTINGS: 10,
};
const SITE_CLASSES = [['site-digits', 2], ['site-lower', 4], ['site-upper', 8], ['site-symbols', 16]];
const SITE_NOT_CP932 = 8;  // SiteStatus
const SITES_STORE = 'sorrel.sites';
const SITES_KEEP = 'sorrel.sites.keep';
// The page's own texts for site rules.
const SITE_SAYS = {
  enter: 'パスフレーズを入力すると、そのサイトの設定を編集できます。',
  site: 'サイト：',
  none: 'まだありません。',
  count: (n) => `登録済みのサイト（${n}）`,
  domains: (list) => `ドメイン：${list}`,
  read: (name, n) => `「${name}」を読み込みました（${n}サイト）。このページのサイト別設定はこのファイルの内容になりました。`,
  unchanged: 'このページのサイト別設定は前のままです。',
  saved: 'サイト別設定を保存しました。',
  removed: 'サイト別設定を削除しました。',
  clear: 'このページのサイト別設定をすべて削除しますか？\n必要なら先に「sites.txt として保存」で書き出してください。',
  cleared: 'このページのサイト別設定をすべて削除しました。',
  empty: 'サイト別設定はありません。',
  kept: 'サイト別設定をこのブラウザに保存しました。',
  notKept: 'サイト別設定をこのブラウザに保存しません。保存してあった分は消しました。',
};
const utf8Encoder = new TextEncoder();
let siteIndex = -1;  // the typed pass phrase's site, or -1

const siteWords = (which) => moduleText(wasm.webSiteWords(which));
const siteStatusText = (status) => moduleText(wasm.webSiteStatusText(status));
const siteText = () => moduleText(wasm.webSiteText());

// The typed pass phrase into the module's site text as the desktop looks it
// up: its code page 932 bytes decoded again, as UTF-8 (so ¥, typed, is the
// desktop's \). False, with nothing written, when it has no such form.
function putSiteTyped() {
  const at = wasm.webSiteText();
  memory()[at] = 0;
  const encoded = encodeCp932($('pass-phrase').value);
  if (encoded.bad) return false;
  const bytes = utf8Encoder.encode(sjis.decode(encoded.bytes));
  encoded.bytes.fill(0);
  const fits = bytes.length < wasm.webSiteTextCapacity();
  if (fits) {
    memory().set(bytes, at);
    memory()[at + bytes.length] = 0;
  }
  bytes.fill(0);
  return fits;
}

// The file's bytes into the module; a pass phrase that has no code page 932
// form refuses the file at its line, as the desktop refuses it.

// Why the file is refused, naming it (sites.txt unless name is given), or ''.
function sitesProblem(name) {
  if (wasm.webSiteStatus() === 0) return '';
  if (name) putSiteText(name);
  wasm.webSitesProblem(name ? 1 : 0);
  return siteText();
}

// Text into the module's site text, cut to fit.
function putSiteText(value) {
  const bytes = utf8Encoder.encode(value).subarray(0, 255);
  const at = wasm.webSiteText();
  memory().set(bytes, at);
  memory()[at + bytes.length] = 0;
}

function storeSites() {
  try {
    const size = wasm.webSiteSize();
    if (!$('sites-keep').checked || size === 0) {
      localStorage.removeItem(SITES_STORE);
      return;
    }
    localStorage.setItem(SITES_STORE, toBase64(memory().subarray(wasm.webSiteBytes(), wasm.webSiteBytes() + size)));
  } catch (e) {
    // Storage may be off: the rules last as long as the page.
  }
}

function restoreSites() {
  try {
    $('sites-keep').checked = localStorage.getItem(SITES_KEEP) !== 'no';
    const stored = localStorage.getItem(SITES_STORE);
    if (stored) readSites(fromBase64(stored));
  } catch (e) {
    // A damaged entry reads as no file.
    wasm.webClearSites();
  }
}

// The note under the pass phrase, and the section's form for the typed pass phrase.
function showSiteNote() {
  putSiteTyped();  // nothing written is no site, and the note still names a refused file
  siteIndex = wasm.webSiteNote();
  const note = siteText();
  $('site-note').textContent = note;
  $('site-note').className = note && siteIndex < 0 ? 'note like' : 'note';
  showSiteForm(note);
}

// What a rule leaves out takes: the settings, after a sealed key's own derivation.
function inheritedRule() {
  const flags = wasm.webFlags();
  return [wasm.webLength(), flags & 30, wasm.webKeyDerivation() || (flags & 32 ? 2 : 1), 1];
}

function showSiteForm(note) {
  const typed = $('pass-phrase').value;
  const refused = sitesProblem();
  const encoded = encodeCp932(typed);
  const usable = !refused && !encoded.bad && encoded.bytes.length >= 4;
  $('site-rule').disabled = !usable;
  $('site-rule-error').textContent = '';
  if (!usable) {
    $('site-state').textContent = refused || SITE_SAYS.enter;
    return;
  }
  const state = siteIndex >= 0 ? siteWords(SITE_WORDS.SAVED) : note || siteWords(SITE_WORDS.NEW);
  const inherited = inheritedRule();
  const own = [0, 1, 2, 3].map((f) => (siteIndex >= 0 ? wasm.webSiteField(siteIndex, f) : 0));
  const rule = own.map((v, f) => v || inherited[f]);
  // The derivation in force, and where it comes from.
  const from = own[2] ? SITE_WORDS.FROM_SITE : wasm.webKeyDerivation() ? SITE_WORDS.FROM_KEY : SITE_WORDS.FROM_SETTINGS;
  $('site-state').textContent = SITE_SAYS.site + typed + '\n' + state + '\n' + siteWords(from);
  $('site-length').value = rule[0];
  for (const [id, bit] of SITE_CLASSES) $(id).checked = (rule[1] & bit) !== 0;
  $('site-derivation-2').checked = rule[2] === 2;
  $('site-counter').value = rule[3];
  $('site-counter-hint').textContent = siteWords(SITE_WORDS.COUNTER_HINT);
  $('site-delete').disabled = siteIndex < 0;
}

function showSites() {
  const list = $('site-list');
  list.textContent = '';
  const count = wasm.webSiteCount();
  $('site-list-heading').textContent = SITE_SAYS.count(count);
  for (let i = 0; i < count; i++) {
    const item = document.createElement('li');
    const name = document.createElement('button');
    name.type = 'button';
    wasm.webSiteName(i, 0);
    name.textContent = siteText();
    const rule = document.createElement('span');
    rule.className = 'rule';
    wasm.webSiteName(i, 1);
    rule.textContent = siteText();
    item.append(name, rule);
    // The domains the browser extension fills this site's password on; edited there.
    if (wasm.webSiteDomains(i) > 0) {
      const domains = document.createElement('span');
      domains.className = 'rule';
      domains.textContent = SITE_SAYS.domains(siteText().split(',').join('、'));
      item.append(domains);
    }
    list.append(item);
  }
  if (!count) list.textContent = SITE_SAYS.none;
  showSiteNote();
}

function siteNumber(id) {
  const n = Number.parseInt($(id).value, 10);
  return Number.isFinite(n) ? n : 0;
}

function nextSitePassword() {
  const counter = siteNumber('site-counter');
  if (counter < 1 || counter >= 9999) {
    say(siteWords(SITE_WORDS.COUNTER_INVALID), 'site-rule');
    return;
  }
  $('site-counter').value = counter + 1;
  $('site-counter-hint').textContent = siteWords(SITE_WORDS.NEXT_HINT).replace('%ld', counter + 1).replace('%ld', counter);
}

// As the dialog program saves: a field the rule sets stays set; one it
// leaves out is set only when changed from the settings' value.
function saveSite() {
  clearMessages();
  const length = siteNumber('site-length');
  let classes = 0;
  for (const [id, bit] of SITE_CLASSES) if ($(id).checked) classes |= bit;
  const derivation = $('site-derivation-2').checked ? 2 : 1;
  const counter = siteNumber('site-counter');
  if (length < 1) return report(S.LENGTH_TOO_SMALL, 'site-rule');
  if (length > 1023) return report(S.LENGTH_TOO_LARGE, 'site-rule');
  if (!classes) return report(S.NO_CLASS, 'site-rule');
  if (counter < 1 || counter > 9999) return say(siteWords(SITE_WORDS.COUNTER_INVALID), 'site-rule');
  const inherited = inheritedRule();
  const keep = (f, shown) => ((siteIndex >= 0 && wasm.webSiteField(siteIndex, f)) || shown !== inherited[f] ? shown : 0);
  const status = putSiteTyped() ? wasm.webSetSite(keep(0, length), keep(1, classes), keep(2, derivation), counter) : SITE_NOT_CP932;
  if (status !== 0) return say(siteWords(SITE_WORDS.REFUSED) + siteStatusText(status), 'site-rule');
  storeSites();
  showSites();
  say(SITE_SAYS.saved);
}

function removeSite() {
  clearMessages();
  if (siteIndex < 0) return;
  wasm.webSiteName(siteIndex, 0);
  if (!confirm(siteWords(SITE_WORDS.DELETE).replace('%s', siteText()))) return;
  wasm.webRemoveSite(siteIndex);
  storeSites();
  showSites();
  say(SITE_SAYS.removed);
}

// A refused file changes nothing: the rules read before stay, in the page
// and in the browser's storage.
async function importSites(file) {
  clearMessages();
  const kept = bytesOfSites(wasm.webSiteSize());
  readSites(new Uint8Array(await file.slice(0, SITE_FILE_CAPACITY + 1).arrayBuffer()));
  const problem = sitesProblem(file.name);
  if (problem) {
    readSites(kept);
    showSites();
    return say(problem + '\n' + SITE_SAYS.unchanged, 'sites-file');
  }
  storeSites();
  showSites();
  const typos = wasm.webSiteTypos() ? '\n' + siteText() : '';
  say(SITE_SAYS.read(file.name, wasm.webSiteCount()) + typos);
}

function exportSites() {
  clearMessages();
  const size = wasm.webSiteSize();
  if (!size) return say(SITE_SAYS.empty);
  download(bytesOfSites(size), 'sites.txt');
}

const bytesOfSites = (size) => memory().slice(wasm.webSiteBytes(), wasm.webSiteBytes() + size);

function clearSites() {
  if (!confirm(SITE_SAYS.clear)) return;
  clearMessages();
  wasm.webClearSites();
  storeSites();
  showSites();
  say(SITE_SAYS.cleared);
}

function keepSites() {
  const keep = $('sites-keep').checked;
  try {
    if (keep) localStorage.removeItem(SITES_KEEP);
    else localStorage.setItem(SITES_KEEP, 'no');
  } catch (e) {
    // Storage off: nothing is kept either way.
  }
  storeSites();
  say(keep ? SITE_SAYS.kept : SITE_SAYS.notKept);
}

// Before generating: a refused file stops it (a rule left out would give a
// wrong password); else the typed pass phrase goes to the module for its rule.
function sitesReadyFor() {
  const problem = sitesProblem();
  if (problem) {
    say(problem + '\n' + siteWords(SITE_WORDS.MEND), 'sites-file');
    return false;
  }
  putSiteTyped();
  return true;
}

function startSites() {
  $('site-derivation-2-label').textContent = text(S.LABEL_DERIVATION_2);
  restoreSites();
  $('pass-phrase').addEventListener('input', showSiteNote);
  // The settings are what a new site's form shows and a rule leaves out.
  $('settings').addEventListener('change', () => showSiteForm($('site-note').textContent));
  $('sites-file').addEventListener('change', (e) => e.target.files[0] && importSites(e.target.files[0]));
  $('sites-export').addEventListener('click', exportSites);
  $('sites-clear').addEventListener('click', clearSites);
  $('sites-keep').addEventListener('change', keepSites);
  $('site-next').addEventListener('click', nextSitePassword);
  $('site-save').addEventListener('click', saveSite);
  $('site-delete').addEventListener('click', removeSite);
  $('site-list').addEventListener('click', (e) => {
    if (e.target.tagName !== 'BUTTON') return;
    $('pass-phrase').value = e.target.textContent;
    showSiteNote();
    $('pass-phrase').focus();
  });
  showSites();
}
