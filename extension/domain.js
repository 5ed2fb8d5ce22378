// Domains: which site a page is, which sites are bound to it, and whether it
// looks like a domain the user already has. Pure functions without the DOM,
// for the extension's pages and its service worker alike. tldts.js,
// punycode.js and confusables.js are put beside this file at build time
// (scripts/build-domain-data.sh).
import { parse } from './tldts.js';
import { toUnicode } from './punycode.js';
import { CONFUSABLES, CONFUSABLE_SEPARATOR, SCRIPTS } from './confusables.js';

const PSL = { allowPrivateDomains: true };

// The host of a host name, URL or host:port, in its ASCII form as the
// browser's address bar has it (lower case, IDNA-mapped, no trailing dot);
// '' for what is no host.
function asciiHost(input) {
  const text = String(input ?? '').trim();
  if (!text) return '';
  try {
    const url = new URL(text.includes('://') ? text : `http://${text}`);
    if (url.protocol !== 'http:' && url.protocol !== 'https:') return '';
    return url.hostname.replace(/\.$/, '');
  } catch {
    return '';
  }
}

function isIp(host) {
  return host.startsWith('[') || parse(host, PSL).isIp === true;
}

function unicodeHost(ascii) {
  if (!ascii.includes('xn--')) return ascii;
  try {
    return toUnicode(ascii);
  } catch {
    return ascii;  // a label that is not valid Punycode stays as it is
  }
}

// --- code page 932: what the dialog program can take as typed.
let cp932 = null;

function cp932Set() {
  const set = new Set();
  for (let b = 0; b < 0x80; b++) set.add(b);
  for (let c = 0xff61; c <= 0xff9f; c++) set.add(c);
  const sjis = new TextDecoder('shift_jis');
  // Each pair then a newline, so that an unmapped pair cannot shift the rest.
  const row = new Uint8Array(3 * 188);
  for (let lead = 0x81; lead <= 0xfc; lead++) {
    if (lead === 0xa0) lead = 0xe0;
    let n = 0;
    for (let t = 0x40; t <= 0xfc; t++) if (t !== 0x7f) { row[n++] = lead; row[n++] = t; row[n++] = 0x0a; }
    for (const ch of sjis.decode(row).split('\n')) {
      const c = ch.codePointAt(0);
      if (ch.length === 1 && c !== 0xfffd) set.add(c);
    }
  }
  // What iconv's CP932 takes beyond reversing the browser's decoder.
  for (const c of [0xa2, 0xa3, 0xa5, 0xac, 0x2014, 0x2016, 0x203e, 0x2212, 0x301c]) set.add(c);
  return set;
}

// Whether code page 932 holds every character of text.
export function holdsCp932(text) {
  cp932 ??= cp932Set();
  for (const ch of text) if (!cp932.has(ch.codePointAt(0))) return false;
  return true;
}

// A host as the user would type it: Unicode when code page 932 holds all of
// it, else its xn-- form.
function shownHost(ascii) {
  const unicode = unicodeHost(ascii);
  return unicode !== ascii && holdsCp932(unicode) ? unicode : ascii;
}

// The site of a page's host: its registrable domain by the Public Suffix List
// with its private section (alice.github.io and bob.github.io are two sites).
// An IP address, localhost, a single-label host or a bare public suffix is
// its own site. { site: as shown and kept in sites.txt, ascii: its xn-- form },
// or null for what is no host.
export function registrableSite(host) {
  const ascii = asciiHost(host);
  if (!ascii) return null;
  if (isIp(ascii)) return { site: ascii, ascii };
  const domain = parse(ascii, PSL).domain || ascii;
  return { site: shownHost(domain), ascii: domain };
}

// A bound domain, for matching: its ASCII form, and whether hosts below it
// match too (not for an IP address, a single label or a bare public suffix,
// which would take in every site under it).
const boundCache = new Map();
function boundDomain(text) {
  let bound = boundCache.get(text);
  if (!bound) {
    const ascii = asciiHost(text);
    const info = ascii ? parse(ascii, PSL) : null;
    bound = { ascii, below: Boolean(info && !info.isIp && !ascii.startsWith('[') && info.domain) };
    if (boundCache.size > 10000) boundCache.clear();
    boundCache.set(text, bound);
  }
  return bound;
}

const listOf = (domains) => (Array.isArray(domains) ? domains : String(domains ?? '').split(','));

// The indexes of the sites bound to a host: boundDomainsBySite[i] is site i's
// domains (an array, or the comma list of its domains= field). A bound domain
// matches the host itself and every host below it by whole labels
// (login.example.com matches example.com); only the longest match counts.
export function sitesForHost(host, boundDomainsBySite) {
  const ascii = asciiHost(host);
  let best = 0;
  let found = [];
  if (!ascii) return found;
  (boundDomainsBySite ?? []).forEach((domains, index) => {
    for (const text of listOf(domains)) {
      const bound = boundDomain(text.trim());
      if (!bound.ascii || !(ascii === bound.ascii || (bound.below && ascii.endsWith(`.${bound.ascii}`)))) continue;
      const labels = bound.ascii.split('.').length;
      if (labels > best) {
        best = labels;
        found = [];
      }
      if (labels === best && !found.includes(index)) found.push(index);
    }
  });
  return found;
}

// --- look-alikes.
let skeletons = null;

// The confusable skeleton, letter case folded: two domains with the same one
// look the same.
function skeleton(text) {
  if (!skeletons) {
    skeletons = new Map();
    for (const entry of CONFUSABLES.split(CONFUSABLE_SEPARATOR)) {
      const key = String.fromCodePoint(entry.codePointAt(0));
      skeletons.set(key, entry.slice(key.length));
    }
  }
  let out = '';
  for (const ch of text.normalize('NFD')) out += skeletons.get(ch) ?? ch;
  return out.normalize('NFD');
}

let scriptTests = null;
const scriptCache = new Map();

// The scripts a character is written in (its Script_Extensions); null for
// one used with any script (digits, '-', combining marks).
function scriptsOf(ch) {
  if (scriptCache.has(ch)) return scriptCache.get(ch);
  let scripts = null;
  if (!/[\p{scx=Zyyy}\p{scx=Zinh}]/u.test(ch)) {
    // A script this browser does not know is left out: its letters then mix.
    scriptTests ??= SCRIPTS.split(' ').flatMap((name) => {
      try {
        return [[name, new RegExp(`\\p{scx=${name}}`, 'u')]];
      } catch {
        return [];
      }
    });
    scripts = scriptTests.filter(([, test]) => test.test(ch)).map(([name]) => name);
  }
  scriptCache.set(ch, scripts);
  return scripts;
}

// The mixes of scripts a highly restrictive label may have besides one script.
const SCRIPT_MIXES = [['Latn', 'Hani', 'Hira', 'Kana'], ['Latn', 'Hani', 'Bopo'], ['Latn', 'Hani', 'Hang']];

function mixesScripts(label) {
  if (!/[^\0-\x7f]/.test(label)) return false;  // ASCII letters are all Latin
  const sets = [...label].map(scriptsOf).filter(Boolean);
  if (sets.length === 0 || sets[0].some((s) => sets.every((set) => set.includes(s)))) return false;
  return !SCRIPT_MIXES.some((mix) => sets.every((set) => set.some((s) => mix.includes(s))));
}

// Whether a becomes b by one insertion, deletion, change or swap of two
// neighbours (arrays of characters).
function oneEditApart(a, b) {
  if (Math.abs(a.length - b.length) > 1) return false;
  let i = 0;
  while (i < a.length && i < b.length && a[i] === b[i]) i++;
  if (i === a.length && i === b.length) return false;
  const same = (x, y) => x.length === y.length && x.every((c, k) => c === y[k]);
  if (a.length !== b.length) {
    return a.length < b.length ? same(a.slice(i), b.slice(i + 1)) : same(a.slice(i + 1), b.slice(i));
  }
  if (same(a.slice(i + 1), b.slice(i + 1))) return true;
  return a[i] === b[i + 1] && a[i + 1] === b[i] && same(a.slice(i + 2), b.slice(i + 2));
}

// A domain taken apart for comparing: the host (Unicode), its registrable
// domain, the label before the public suffix and the suffix.
function describe(text) {
  const ascii = asciiHost(text);
  if (!ascii || isIp(ascii)) return null;
  const info = parse(ascii, PSL);
  if (!info.domain) return null;
  const host = unicodeHost(ascii);
  const suffix = unicodeHost(info.publicSuffix);
  const label = unicodeHost(info.domainWithoutSuffix);
  const before = host.slice(0, host.length - suffix.length - 1);
  return {
    host,
    site: info.domain,
    label,
    suffix,
    skeleton: skeleton(unicodeHost(info.domain)),
    labelSkeleton: skeleton(label),
    words: before.split(/[.\-_]/).filter(Boolean).map(skeleton),
  };
}

const NONE = Object.freeze({ level: 'none', known: null, reason: '' });

// Whether a page's domain looks like one of the user's: knownDomains are the
// bound domains and the pass phrases (those that are no domain name are
// passed over). { level, known: the known domain as given, reason }:
//   red 'skeleton': the two look the same (examp1e.com, an IDN homograph);
//   amber 'edit-distance': the label before the public suffix one edit from
//     a known one of 5 characters or more;
//   amber 'contains-label': a known label inside a longer domain
//     (example-com.login.net, example.com.evil.net);
//   amber 'other-suffix': a known label under another suffix (example.org);
//   amber 'mixed-script': a label mixing scripts beyond the highly
//     restrictive profile (known is null);
//   none otherwise, and for a domain of a known site itself.
export function lookAlike(domain, knownDomains) {
  const page = describe(domain);
  if (!page) return NONE;
  const known = [];
  for (const text of knownDomains ?? []) {
    const k = describe(text);
    if (k && k.site === page.site) return NONE;
    if (k) known.push([String(text), k]);
  }
  for (const [text, k] of known) {
    if (k.skeleton === page.skeleton) return { level: 'red', known: text, reason: 'skeleton' };
  }
  for (const [text, k] of known) {
    const label = [...k.label];
    if (k.labelSkeleton === page.labelSkeleton) return { level: 'amber', known: text, reason: 'other-suffix' };
    if (label.length >= 5 && (oneEditApart([...page.label], label) ||
                              oneEditApart([...page.labelSkeleton], [...k.labelSkeleton]))) {
      return { level: 'amber', known: text, reason: 'edit-distance' };
    }
    if (label.length >= 3 && page.words.includes(k.labelSkeleton)) {
      return { level: 'amber', known: text, reason: 'contains-label' };
    }
  }
  if (page.host.split('.').some(mixesScripts)) return { level: 'amber', known: null, reason: 'mixed-script' };
  return NONE;
}
