// Stands in for domain.js (the Public Suffix List and the confusables table)
// with the same three functions, on a few suffixes and look-alike letters.
const MULTI = ['co.jp', 'ne.jp', 'or.jp', 'ac.jp', 'co.uk', 'github.io', 'login.net'];
const SKELETON = { 0: 'o', 1: 'l', i: 'l', 'а': 'a', 'е': 'e', 'о': 'o', 'р': 'p', 'с': 'c', 'х': 'x' };

const ipOrSingle = (host) => !host.includes('.') || /^[0-9.]+$/.test(host) || host.includes(':');

// RFC 3492's decoder, for the display form.
function punyDecode(label) {
  const out = [];
  const at = label.lastIndexOf('-');
  for (const c of label.slice(0, Math.max(at, 0))) out.push(c.codePointAt(0));
  let [n, i, bias] = [128, 0, 72];
  for (let p = at + 1; p < label.length;) {
    const old = i;
    for (let w = 1, k = 36; ; k += 36) {
      const c = label.charCodeAt(p++);
      const digit = c - 48 < 10 ? c - 22 : c - 97;
      i += digit * w;
      const t = k <= bias ? 1 : k >= bias + 26 ? 26 : k - bias;
      if (digit < t) break;
      w *= 36 - t;
    }
    let delta = old === 0 ? Math.floor((i - old) / 700) : (i - old) >> 1;
    delta += Math.floor(delta / (out.length + 1));
    let k = 0;
    for (; delta > 455; k += 36) delta = Math.floor(delta / 35);
    bias = Math.floor(k + (36 * delta) / (delta + 38));
    n += Math.floor(i / (out.length + 1));
    i %= out.length + 1;
    out.splice(i++, 0, n);
  }
  return String.fromCodePoint(...out);
}

export function registrableSite(host) {
  host = host.toLowerCase().replace(/\.$/, '');
  if (ipOrSingle(host)) return { site: host, ascii: host };
  const labels = new URL('http://' + host).hostname.split('.');
  const keep = MULTI.includes(labels.slice(-2).join('.')) ? 3 : 2;
  const ascii = labels.slice(-keep).join('.');
  const site = ascii.split('.').map((l) => (l.startsWith('xn--') ? punyDecode(l.slice(4)) : l)).join('.');
  return { site, ascii };
}

export function sitesForHost(host, boundDomainsBySite) {
  const ascii = ipOrSingle(host) ? host : new URL('http://' + host).hostname;
  let best = 0;
  let found = [];
  boundDomainsBySite.forEach((domains, i) => {
    for (const d of domains) {
      const a = ipOrSingle(d) ? d : new URL('http://' + d).hostname;
      if (ascii !== a && !ascii.endsWith('.' + a)) continue;
      if (a.length > best) [best, found] = [a.length, []];
      if (a.length === best && !found.includes(i)) found.push(i);
    }
  });
  return found;
}

const label = (d) => d.split('.')[0];
const skeleton = (s) => [...s].map((c) => SKELETON[c] || c).join('');

function distance(a, b) {
  const row = Array.from({ length: b.length + 1 }, (_, i) => i);
  for (let i = 1; i <= a.length; i++) {
    let prev = row[0];
    row[0] = i;
    for (let j = 1; j <= b.length; j++) {
      const keep = row[j];
      row[j] = Math.min(row[j] + 1, row[j - 1] + 1, prev + (a[i - 1] === b[j - 1] ? 0 : 1));
      prev = keep;
    }
  }
  return row[b.length];
}

export function lookAlike(domain, knownDomains) {
  for (const known of knownDomains) {
    if (known === domain) continue;
    if (skeleton(known) === skeleton(domain)) return { level: 'red', known, reason: 'skeleton' };
  }
  for (const known of knownDomains) {
    if (known === domain || !known.includes('.')) continue;
    const [a, b] = [label(domain), label(known)];
    if (b.length >= 5 && distance(a, b) === 1) return { level: 'amber', known, reason: 'edit' };
    if (domain.includes(b) && domain.replace(/[-.]/g, '').includes(known.replace(/[-.]/g, ''))) {
      return { level: 'amber', known, reason: 'inside' };
    }
    if (a === b) return { level: 'amber', known, reason: 'suffix' };
  }
  return { level: 'none', known: '', reason: '' };
}
