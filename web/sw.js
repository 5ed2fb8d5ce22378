'use strict';
// The installed web app's service worker. Its bytes are the same in every
// version, so the browser never finds a new one to install by itself: the
// version first installed keeps running until the user asks the page to update.
// It answers every request from that version's cache and makes no request of
// its own, but for the page's check and update.
//
// Caches: 'sorrel-app-' + the SHA-256 of a version's index.html holds that
// version's files; 'sorrel-installed' holds one entry, the name of the cache
// that runs. An update fills a cache of its own and switches that entry only
// once every file has arrived.

const PREFIX = 'sorrel-app-';
const INSTALLED = 'sorrel-installed';
const INDEX = 'index.html';
const MANIFEST = 'manifest.webmanifest';
const TYPES = { html: 'text/html; charset=utf-8', webmanifest: 'application/manifest+json', png: 'image/png' };
const scope = self.registration.scope;
const url = (name) => new URL(name, scope).href;

async function sha256(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('');
}

// The version number in a page's title, "Sorrel 1.2.3".
function versionOf(bytes) {
  const head = new TextDecoder().decode(bytes.slice(0, 4096));
  const found = /<title>Sorrel ([0-9A-Za-z.+-]{1,32})<\/title>/.exec(head);
  return found ? found[1] : '';
}

// Straight from the host, past the browser's cache and asking every cache on
// the way to ask the host again. Some hosts redirect index.html to the
// folder's own address: a redirect is followed within the folder only.
async function fetchFile(name) {
  const response = await fetch(url(name), { cache: 'no-store', credentials: 'same-origin' });
  if (!response.ok) throw new Error(`${name}: HTTP ${response.status}`);
  if (!response.url.startsWith(scope)) throw new Error(`${name}: redirected out of the app's folder`);
  return { name, bytes: await response.arrayBuffer() };
}

// The icons a manifest names; plain file names only, so that nothing outside
// the app's folder is ever fetched.
function iconsOf(bytes) {
  const icons = JSON.parse(new TextDecoder().decode(bytes)).icons;
  const names = (Array.isArray(icons) ? icons : []).map((icon) => icon && icon.src);
  return [...new Set(names.filter((name) => typeof name === 'string' && /^[\w-][\w.-]*\.png$/.test(name)))];
}

async function installedCache() {
  const entry = await (await caches.open(INSTALLED)).match(url(INSTALLED));
  const name = entry ? await entry.text() : '';
  return name && (await caches.has(name)) ? caches.open(name) : null;
}

async function describe(bytes) {
  return { version: versionOf(bytes), hash: await sha256(bytes) };
}

async function running() {
  const cache = await installedCache();
  const index = cache && (await cache.match(url(INDEX)));
  if (!index) throw new Error('nothing installed');
  return describe(await index.arrayBuffer());
}

// Takes the host's files as the version that runs; expected, when given, is
// the index.html hash the user was shown, and nothing changes unless it is
// what arrived.
async function install(expected) {
  const index = await fetchFile(INDEX);
  const hash = await sha256(index.bytes);
  if (expected && hash !== expected) throw new Error('the host changed index.html again');
  const manifest = await fetchFile(MANIFEST);
  const files = [index, manifest];
  for (const name of iconsOf(manifest.bytes)) files.push(await fetchFile(name));
  const name = PREFIX + hash;
  await caches.delete(name);
  const cache = await caches.open(name);
  for (const file of files) {
    const type = TYPES[file.name.slice(file.name.lastIndexOf('.') + 1)];
    await cache.put(url(file.name), new Response(file.bytes, { headers: { 'Content-Type': type } }));
  }
  await (await caches.open(INSTALLED)).put(url(INSTALLED), new Response(name));
  for (const other of await caches.keys()) if (other.startsWith(PREFIX) && other !== name) await caches.delete(other);
  return { hash };
}

// A worker installed again over an installed version (its registration was
// removed, say) keeps that version.
self.addEventListener('install', (event) => {
  event.waitUntil(installedCache().then((cache) => cache || install()).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => event.waitUntil(self.clients.claim()));

async function answer(request) {
  const cache = await installedCache();
  // Nothing installed (the browser cleared the storage): the page's own request, as without a worker.
  if (!cache) return fetch(request);
  const at = new URL(request.url);
  if (request.method === 'GET' && at.href.startsWith(scope)) {
    const name = at.pathname.slice(new URL(scope).pathname.length) || INDEX;
    const hit = await cache.match(url(name));
    if (hit) return hit;
  }
  return new Response('', { status: 404, statusText: 'Not Found' });
}

self.addEventListener('fetch', (event) => event.respondWith(answer(event.request)));

// The page's questions, each answered on the port it sends.
const questions = {
  about: running,
  check: async () => ({ running: await running(), host: await describe((await fetchFile(INDEX)).bytes) }),
  update: (data) => install(typeof data.hash === 'string' ? data.hash : '-'),
};

self.addEventListener('message', (event) => {
  const port = event.ports[0];
  const question = event.data && questions[event.data.type];
  if (!port || !question) return;
  event.waitUntil(question(event.data).then((reply) => port.postMessage(reply),
    (e) => port.postMessage({ error: String((e && e.message) || e) })));
});
