// The popup: names the page's site, opens the key once, and fills the site's
// password into the page the user asked for, never into a look-alike without
// a confirmation. Runs after core.js and store.js.
import { lookAlike, registrableSite, sitesForHost } from './domain.js';
import { fillPage } from './fill.js';

const LOCAL_HOSTS = ['localhost', '127.0.0.1', '[::1]'];
const RULE_CLASSES = [['rule-digits', 2], ['rule-lower', 4], ['rule-upper', 8], ['rule-symbols', 16]];
let saved = {};
let tab = null;
let page = null;  // { host, site, ascii, secure }
let kind = '';  // 'bound', 'phrase' (the site named as the domain) or 'new'
let bound = [];  // the sites bound to the page's domain
let picked = -1;  // an existing site picked for this domain, confirmed
let warning = { level: 'none' };
let armed = false;  // a warning's second click is due

function say(message, bad = false) {
  $('message').textContent = message;
  $('message').className = bad ? 'bad' : '';
}

const statusText = (status) => {
  const own = { [S.KEY_WRONG_PASSWORD]: 'keyPasswordWrong', [S.KEY_PASSWORD_TOO_SHORT]: 'keyPasswordShort', [S.UNMAPPABLE]: 'notCp932' }[status];
  return own ? t(own) : text(status).replace('%u', String(wasm.webKeyMemoryKiB() / 1024));
};

async function targetTab() {
  // The tests open the popup as a page naming the tab it acts on.
  const named = new URLSearchParams(location.search).get('tab');
  if (named) return chrome.tabs.get(Number(named));
  const [active] = await chrome.tabs.query({ active: true, currentWindow: true });
  return active;
}

function pageOf(url) {
  let u;
  try {
    u = new URL(url);
  } catch (e) {
    return null;
  }
  if (u.protocol !== 'https:' && u.protocol !== 'http:') return null;
  const named = registrableSite(u.hostname);
  if (!named) return null;
  return { host: u.hostname, ...named, secure: u.protocol === 'https:' || LOCAL_HOSTS.includes(u.hostname) };
}

// The pass phrase the fill uses now.
function passPhrase() {
  if (kind === 'bound') return siteName(bound[$('choose').selectedIndex] ?? bound[0]);
  if (kind === 'phrase') return siteName(findSite(page.site));
  return picked >= 0 ? siteName(picked) : $('phrase').value;
}

// Every bound domain and every pass phrase that is a domain name.
function knownDomains() {
  const known = new Set(boundDomains().flat());
  for (let i = 0; i < wasm.webSiteCount(); i++) {
    const name = siteName(i);
    if (/^[^\s.]+(\.[^\s.]+)+$/.test(name)) known.add(name.toLowerCase());
  }
  known.delete(page.site);
  known.delete(page.ascii);
  return [...known];
}

function chooseSite() {
  bound = sitesForHost(page.host, boundDomains());
  kind = bound.length ? 'bound' : findSite(page.site) >= 0 ? 'phrase' : 'new';
  $('choose-row').hidden = kind !== 'bound' || bound.length < 2;
  $('phrase-row').hidden = kind !== 'new';
  if (kind === 'bound') {
    const last = (saved.lastUsed || {})[page.site];
    $('choose').textContent = '';
    for (const i of bound) $('choose').append(new Option(siteName(i), siteName(i), false, siteName(i) === last));
  }
  if (kind === 'new') {
    $('phrase').value = page.site;
    // The whole host too: a known name may sit before another domain (example.com.evil.net).
    const known = knownDomains();
    warning = lookAlike(page.site, known);
    if (warning.level === 'none' && page.host !== page.ascii) warning = lookAlike(page.host, known);
    showPickList();
  }
  showWarning();
  showSiteNote();
}

function showSiteNote() {
  const name = passPhrase();
  $('bound').textContent = kind === 'new' && picked < 0 ? t('newSite', page.site) : t('usesSite', name);
  $('bound').hidden = !$('choose-row').hidden;
  showRule();
}

function showWarning() {
  const lines = [];
  $('warning').className = 'warning';
  if (kind === 'new' && warning.level !== 'none') {
    const which = warning.level === 'red' ? 'lookAlikeRed' : warning.known ? 'lookAlikeAmber' : 'lookAlikeMixed';
    lines.push(t(which, page.site, warning.known));
    $('warning').classList.add(warning.level);
  }
  if (!page.secure) lines.push(t('notHttps'));
  $('warning').textContent = lines.join('\n');
  $('warning').hidden = !lines.length;
  const red = kind === 'new' && warning.level === 'red';
  $('confirm-row').hidden = !red;
  $('confirm-label').textContent = t('typeDomain', page.site);
}

function showPickList() {
  const filter = $('pick-filter').value.trim().toLowerCase();
  $('pick-list').textContent = '';
  for (let i = 0; i < wasm.webSiteCount(); i++) {
    const name = siteName(i);
    if (filter && !name.toLowerCase().includes(filter)) continue;
    const item = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = name;
    button.dataset.index = i;
    item.append(button);
    $('pick-list').append(item);
  }
}

// The site's rule, or the settings' where it has none.
function ruleOf(i) {
  const flags = wasm.webFlags();
  const inherited = [wasm.webLength(), flags & ALL_CLASSES, wasm.webKeyDerivation() || (flags & DERIVATION_2 ? 2 : 1), 1];
  return { inherited, rule: [0, 1, 2, 3].map((f) => (i >= 0 ? wasm.webSiteField(i, f) : 0) || inherited[f]) };
}

function showRule() {
  const { rule } = ruleOf(findSite(passPhrase()));
  $('rule-length').value = rule[0];
  for (const [id, bit] of RULE_CLASSES) $(id).checked = (rule[1] & bit) !== 0;
  $('rule-derivation-2').checked = rule[2] === 2;
  $('rule-counter').value = rule[3];
}

// As the dialog program saves: a field the rule sets stays set; one it leaves
// out is set only when changed from the settings' value.
function saveRule() {
  const name = passPhrase();
  const i = findSite(name);
  const { inherited } = ruleOf(i);
  let classes = 0;
  for (const [id, bit] of RULE_CLASSES) if ($(id).checked) classes |= bit;
  const shown = [Number($('rule-length').value), classes, $('rule-derivation-2').checked ? 2 : 1, Number($('rule-counter').value)];
  const keep = (f) => ((i >= 0 && wasm.webSiteField(i, f)) || shown[f] !== inherited[f] ? shown[f] : 0);
  putSiteText(name);
  const status = wasm.webSetSite(keep(0), keep(1), keep(2), shown[3]);
  if (status !== 0) return say(moduleText(wasm.webSiteStatusText(status)), true), false;
  storeSites();
  say(t('ruleSaved', name));
  return true;
}

function nextPassword() {
  const counter = Number($('rule-counter').value) || 1;
  if (counter >= 9999) return;
  $('rule-counter').value = counter + 1;
  if (saveRule()) say(t('nextSaved', counter + 1, counter));
}

// --- the key: opened once, kept in session storage until the lock.

async function unlock() {
  const typed = $('key-password').value;
  if (!typed) return say(t('enterKeyPassword'), true), false;
  say(t('opening'));
  const started = performance.now();
  const opened = await openKey(typed);
  performance.measure('sorrel-unlock', { start: started });
  if (opened.status !== S.OK) return say(statusText(opened.status), true), false;
  const status = usePool(opened.pool);
  if (status === S.OK && idleMinutes(saved) > 0) {
    await session.set({ pool: toBase64(opened.pool) });
    await touch();
  }
  opened.pool.fill(0);
  $('key-password').value = '';
  $('password-row').hidden = true;
  return status === S.OK || (say(statusText(status), true), false);
}

// Every use pushes the lock back by the idle time.
async function touch() {
  const minutes = idleMinutes(saved);
  if (minutes <= 0) return;
  const until = Date.now() + minutes * 60000;
  await session.set({ until });
  await chrome.runtime.sendMessage({ until });
}

async function lockNow() {
  await session.clear();
  await chrome.runtime.sendMessage({ lock: true });
  memory().set(fromBase64(saved.key), wasm.webBuffer(BUF.KEY));
  wasm.webSetKey(SEALED_SIZE);
  $('password-row').hidden = false;
  $('shown').hidden = true;
  $('shown').value = '';
  say(t('locked'));
}

function isOpen() {
  put(BUF.KEY_PASSWORD, OPENED);
  return wasm.webOpenKey(0) === S.OK;
}

// The password of the site chosen; '' after saying why not.
async function password() {
  if (!isOpen() && !(await unlock())) return '';
  const made = generate(passPhrase());
  if (made.status !== S.OK) return say(statusText(made.status), true), '';
  return made.password;
}

// The first fill in a new or domain-named site binds the domain to it.
function bindThisDomain() {
  let i = kind === 'phrase' ? findSite(page.site) : picked;
  if (kind === 'new' && picked < 0) {
    const added = addSite($('phrase').value);
    if (added.index < 0) return say(added.problem, true), false;
    i = added.index;
  }
  const status = bindDomain(i, page.site);
  if (status !== 0) return say(moduleText(wasm.webSiteStatusText(status)), true), false;
  storeSites();
  return true;
}

// A red warning holds the password back until the page's domain is typed in full.
function heldBack() {
  if (kind !== 'new' || warning.level !== 'red' || $('confirm-domain').value.trim().toLowerCase() === page.site) return false;
  say(t('typeDomain', page.site), true);
  return true;
}

// An amber warning (or more, such as a plain http: page) takes a second click.
function firstClick(more) {
  if (armed || !(more || (kind === 'new' && warning.level === 'amber'))) return false;
  armed = true;
  say(t('clickAgain'), true);
  return true;
}

async function fill() {
  if (!page) return;
  const started = performance.now();
  const wasOpen = isOpen();
  if (heldBack()) return;
  // The key first: Enter after the key password opens it even where a warning waits.
  if (!wasOpen && !(await unlock())) return;
  if (firstClick(!page.secure)) return;
  const value = await password();
  if (!value) return;
  let results;
  try {
    results = await chrome.scripting.executeScript({
      target: { tabId: tab.id },
      func: fillPage,
      args: [value, new URL(tab.url).origin],
    });
  } catch (e) {
    return say(t('cannotReach', e.message), true);
  }
  const done = results[0] && results[0].result;
  if (wasOpen) performance.measure('sorrel-fill', { start: started });
  if (done && done.moved) return say(t('pageMoved'), true);
  if (!done || !done.filled) {
    return say(done && done.frames.length ? t('otherFrame', done.frames.join(', ')) : t('noField'), true);
  }
  if (kind !== 'bound' && !bindThisDomain()) return;
  await local.set({ lastUsed: { ...(saved.lastUsed || {}), [page.site]: passPhrase() } });
  await touch();
  say(t('filled', done.filled));
  if (kind !== 'bound') chooseSite();
  // A popup closes once it has done its work; a page naming its tab stays.
  if (!new URLSearchParams(location.search).has('tab')) setTimeout(() => window.close(), 600);
}

async function show() {
  if (heldBack() || firstClick(false)) return;
  const value = await password();
  if (!value) return;
  $('shown').value = value;
  $('shown').hidden = false;
  await touch();
}

async function copy() {
  if (heldBack() || firstClick(false)) return;
  const value = await password();
  if (!value) return;
  try {
    await navigator.clipboard.writeText(value);
  } catch (e) {
    return say(t('cannotCopy'), true);
  }
  const digest = toBase64(new Uint8Array(await crypto.subtle.digest('SHA-256', new TextEncoder().encode(value))));
  const answer = await chrome.runtime.sendMessage({ clip: digest }).catch(() => null);
  say(answer && answer.clears ? t('copied', 45) : t('copiedNotCleared'));
  await touch();
}

function wire() {
  $('form').addEventListener('submit', (e) => {
    e.preventDefault();
    fill();
  });
  $('lock').addEventListener('click', lockNow);
  $('show').addEventListener('click', show);
  $('copy').addEventListener('click', copy);
  $('choose').addEventListener('change', showSiteNote);
  $('phrase').addEventListener('input', showSiteNote);
  $('pick-filter').addEventListener('input', showPickList);
  $('pick-list').addEventListener('click', (e) => {
    if (e.target.tagName !== 'BUTTON') return;
    $('pick-confirm').hidden = false;
    $('pick-yes').dataset.index = e.target.dataset.index;
    $('pick-question').textContent = t('bindQuestion', page.site, e.target.textContent);
  });
  $('pick-yes').addEventListener('click', () => {
    picked = Number($('pick-yes').dataset.index);
    $('pick-confirm').hidden = true;
    $('pick').open = false;
    showWarning();
    showSiteNote();
  });
  $('rule-save').addEventListener('click', saveRule);
  $('rule-next').addEventListener('click', nextPassword);
}

async function start() {
  translate();
  const [tabFound, state] = await Promise.all([targetTab(), startStore()]);
  saved = state;
  tab = tabFound;
  wire();
  page = tab && pageOf(tab.url || '');
  if (!hasKey()) {
    $('form').hidden = true;
    $('site').textContent = page ? page.site : '';
    say(t('noKey'), true);
  } else if (!page) {
    $('form').hidden = true;
    say(t('notAPage'), true);
  } else {
    $('site').textContent = page.site;
    if (sitesProblem()) say(sitesProblem(), true);
    chooseSite();
    const kept = await session.get(null);
    if (kept.pool && kept.until > Date.now()) usePool(fromBase64(kept.pool));
    else await session.clear();
    $('password-row').hidden = isOpen();
    if (!isOpen()) startSpareWorker();
    (isOpen() ? $('fill') : $('key-password')).focus();
  }
  document.documentElement.dataset.ready = 'true';
  performance.mark('sorrel-ready');
}

start().catch((e) => say(t('failed', e.message), true));
