// The extension's domain code (extension/domain.js) with the data it ships,
// from the folder scripts/build-domain-data.sh made: SORREL_DOMAIN_DIR.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

const dir = process.env.SORREL_DOMAIN_DIR;
assert.ok(dir, 'SORREL_DOMAIN_DIR names the folder scripts/build-domain-data.sh wrote');
const { registrableSite, sitesForHost, lookAlike } = await import(pathToFileURL(`${dir}/domain.js`).href);

test('the site of a host', () => {
  const table = [
    ['example.com', 'example.com', 'example.com'],
    ['https://Login.Example.COM:8443/path', 'example.com', 'example.com'],
    ['shop.example.co.jp', 'example.co.jp', 'example.co.jp'],
    ['alice.github.io', 'alice.github.io', 'alice.github.io'],  // the list's private section
    ['www.日本語.jp', '日本語.jp', 'xn--wgv71a119e.jp'],
    ['xn--wgv71a119e.jp.', '日本語.jp', 'xn--wgv71a119e.jp'],
    ['한국어.kr', 'xn--3e0bk47br7k.kr', 'xn--3e0bk47br7k.kr'],  // Hangul: not in code page 932
    ['192.168.0.1', '192.168.0.1', '192.168.0.1'],
    ['[::1]:8080', '[::1]', '[::1]'],
    ['localhost', 'localhost', 'localhost'],
    ['github.io', 'github.io', 'github.io'],
  ];
  for (const [host, site, ascii] of table) assert.deepEqual(registrableSite(host), { site, ascii }, host);
  assert.equal(registrableSite('not a host'), null);
});

test('the sites bound to a host: whole labels, the longest match', () => {
  const bound = [['example.com'], 'login.example.com,example.net', [], 'example.com', ['com'], ['日本語.jp'], ['0.0.1']];
  const table = [
    ['login.example.com', [1]],
    ['a.login.example.com', [1]],
    ['www.example.com', [0, 3]],
    ['badexample.com', []],
    ['other.com', []],  // a bare public suffix binds nothing below it
    ['xn--wgv71a119e.jp', [5]],
    ['127.0.0.1', []],  // an address matches only itself
  ];
  for (const [host, sites] of table) assert.deepEqual(sitesForHost(host, bound), sites, host);
});

test('look-alike domains', () => {
  const known = ['example.com', 'example.com 仕事用', 'bank.example.co.jp', 'mybank.jp', 'mail.jp'];
  const table = [
    ['examp1e.com', 'red', 'example.com', 'skeleton'],
    ['www.exаmple.com', 'red', 'example.com', 'skeleton'],  // Cyrillic а
    ['xn--exmple-4nf.com', 'red', 'example.com', 'skeleton'],  // the same, as the address bar has it
    ['exampel.com', 'amber', 'example.com', 'edit-distance'],
    ['myb4nk.jp', 'amber', 'mybank.jp', 'edit-distance'],
    ['maik.jp', 'none', null, ''],  // a label under 5 characters
    ['example-com.login.net', 'amber', 'example.com', 'contains-label'],
    ['example.com.evil.net', 'amber', 'example.com', 'contains-label'],
    ['example.org', 'amber', 'example.com', 'other-suffix'],
    ['mуbank.com', 'amber', 'mybank.jp', 'other-suffix'],  // Cyrillic у, another suffix
    ['pаypal.com', 'amber', null, 'mixed-script'],
    ['東京タワーtokyo.jp', 'none', null, ''],  // Latin with Japanese is allowed
    ['login.example.com', 'none', null, ''],
    ['example.co.jp', 'none', null, ''],  // a known site's own domain
    ['wikipedia.org', 'none', null, ''],
  ];
  for (const [domain, level, known_, reason] of table) {
    assert.deepEqual(lookAlike(domain, known), { level, known: known_, reason }, domain);
  }
});
