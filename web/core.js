'use strict';
// The engine in the browser, for the page and the extension alike, touching no
// page element: the module (web/sorrel_web.cpp) and its buffers, code page 932
// as iconv has it, and a worker of its own for each Argon2id run (worker.js, or
// the page's blob: of moduleImports and workerMain), whose results the first
// instance takes over.

// The module's buffers and statuses (web/sorrel_web.cpp).
const BUF = { KEY: 0, KEY_PASSWORD: 1, PASS_PHRASE: 2, CONFIRM: 3, RESULT: 4, SETTINGS: 5, NEW_KEY_PASSWORD: 6, POOL: 7 };
const S = {
  OK: 0, KEY_FILE_NOT_READ: 1, PASS_PHRASE_TOO_SHORT: 2, LENGTH_TOO_SMALL: 3, LENGTH_TOO_LARGE: 4,
  NO_CLASS: 5, DERIVE_FAILED: 6, KEY_PASSWORD_TOO_SHORT: 7, KEY_PASSWORD_MISMATCH: 8, KEY_WRONG_SHAPE: 9,
  NEW_KEY_PASSWORDS_DIFFER: 10, NEW_KEY_PASSWORD_TOO_SHORT: 11, NEW_KEY_PASSWORD_TOO_LONG: 12,
  KEY_CREATE_FAILED: 13, KEY_GENERATED: 14, SETTINGS_NOT_READ: 15, UNMAPPABLE: 16, TEXT_TOO_LONG: 17,
  LABEL_DERIVATION_2: 18, CHANGE_NOT_UNMASKED: 19, NEW_KEY_PASSWORD_SAME: 20, KEY_PASSWORD_CHANGED: 21,
  KEY_FILE_EMPTY: 22, KEY_UNSUPPORTED: 23, KEY_WRONG_PASSWORD: 24, KEY_NO_MEMORY: 25, SEAL_FAILED: 26,
  KEY_NOT_OPEN: 27, KEY_DAMAGED: 30, KEY_NOT_A_KEY: 31, WORKER_FAILED: 32,
};
const ALL_CLASSES = 2 | 4 | 8 | 16;
const DERIVATION_2 = 32;
const KEY_INPUT_LIMIT = 179;  // one byte more than a sealed key, as ReadKeyFile reads
const SEALED_SIZE = 178;
const POOL_SIZE = 103;
const SETTINGS_SIZE = 524;
// The most memory a key is made or sealed again with (KiB); a larger one is opened only when the user says yes.
const MAKE_MAX_KIB = 262144;

// What iconv's CP932 gives beyond reversing the browser's Shift_JIS decoder:
// its many-to-one mappings and its choice among duplicate codes.
const CP932_EXTRA = [
  [0x00a2, 0x8191], [0x00a3, 0x8192], [0x00a5, 0x5c], [0x00ac, 0x81ca], [0x2014, 0x815c],
  [0x2016, 0x8161], [0x203e, 0x7e], [0x2212, 0x817c], [0x301c, 0x8160],
];

let wasm = null;
let wasmModule = null;
let workerUrl = '';  // the worker's script: a file of its own, or the page's blob: of this file's functions
let cp932 = null;
const utf8 = new TextDecoder('utf-8');
const sjis = new TextDecoder('shift_jis');
let job = null;  // the worker running Argon2id: { worker, resolve }
let spare = null;  // a worker started ahead of its job (startSpareWorker)

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
// The module's zero-ended UTF-8 text at at.
function moduleText(at) {
  const m = memory();
  return utf8.decode(m.subarray(at, m.indexOf(0, at)));
}
const text = (status) => moduleText(wasm.webText(status));
// In pieces: a whole sites.txt is more arguments than a call may take.
function toBase64(bytes) {
  let binary = '';
  for (let i = 0; i < bytes.length; i += 4096) binary += String.fromCharCode(...bytes.subarray(i, i + 4096));
  return btoa(binary);
}
const fromBase64 = (b64) => Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));

// --- the module: its imports, here and in the worker (which gets this
// function's source too).

function moduleImports(exports) {
  return {
    env: {
      getentropy: (at, size) => {
        crypto.getRandomValues(new Uint8Array(exports().memory.buffer, at, size));
        return 0;
      },
      // Every view is made afresh from memory.buffer: nothing to renew.
      emscripten_notify_memory_growth: () => {},
    },
    wasi_snapshot_preview1: { proc_exit: (code) => { throw new Error('exit ' + code); } },
  };
}

// The worker: one job, then it is ended, and its memory (up to what Argon2id
// asked for) with it. inputs are [buffer, bytes], calls [name, ...arguments]
// made in order up to the first that fails, outputs [buffer, count] read then.
function workerMain() {
  onmessage = ({ data }) => {
    let w = null;
    w = new WebAssembly.Instance(data.module, moduleImports(() => w)).exports;
    if (w._initialize) w._initialize();
    const m = () => new Uint8Array(w.memory.buffer);
    for (const [which, bytes] of data.inputs) {
      m().set(bytes, w.webBuffer(which));
      bytes.fill(0);
    }
    let status = 0;
    for (const [name, ...args] of data.calls) if ((status = w[name](...args)) !== 0) break;
    const outputs = status ? [] : data.outputs.map(([which, n]) => m().slice(w.webBuffer(which), w.webBuffer(which) + n));
    w.webForget();
    postMessage({ status, outputs }, outputs.map((o) => o.buffer));
  };
}

// wanted() says whether a failure is still worth saying (else: null).
function workerJob(calls, inputs, outputs, wanted) {
  return new Promise((resolve) => {
    let worker;
    // Argon2id runs in the worker only: this page's own memory would keep
    // its block for good. A worker that cannot run is said so.
    const failed = () => resolve(wanted() ? { status: S.WORKER_FAILED, outputs: [] } : null);
    try {
      worker = spare || new Worker(workerUrl);
      spare = null;
    } catch (e) {
      return failed();
    }
    const end = (result) => {
      worker.terminate();
      job = null;
      resolve(result);
    };
    job = { worker, resolve: () => end(null) };
    worker.onmessage = (e) => end(e.data);
    worker.onerror = (e) => {
      e.preventDefault();
      worker.terminate();
      job = null;
      failed();
    };
    worker.postMessage({ module: wasmModule, calls, inputs, outputs });
  });
}


// --- what is typed, into a module buffer as code page 932.

function put(which, bytes) {
  wasm.webWipe(which);
  if (bytes.length > wasm.webCapacity(which) - 1) return false;
  memory().set(bytes, wasm.webBuffer(which));
  return true;
}


function bytesOf(which, count) {
  const at = wasm.webBuffer(which);
  return memory().slice(at, at + count);
}

// A text buffer's bytes up to its zero.
function textOf(which) {
  const at = wasm.webBuffer(which);
  return bytesOf(which, memory().indexOf(0, at) - at);
}

// A worker started now, for the next job to save its start-up.
function startSpareWorker() {
  try {
    spare = spare || new Worker(workerUrl);
  } catch (e) {
    spare = null;
  }
}

// The module compiled from its bytes and started here; url is the worker's script.
async function startModule(bytes, url) {
  wasmModule = await WebAssembly.compile(bytes);
  wasm = (await WebAssembly.instantiate(wasmModule, moduleImports(() => wasm))).exports;
  if (wasm._initialize) wasm._initialize();
  workerUrl = url;
  cp932 = buildCp932();
}

// Offers bytes as a file to save, through a link of its own for the moment
// of the click (never called in a worker).
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

// The bytes as the module's sites.txt; the first pass phrase without a code
// page 932 form refuses it at its line, as the desktop's reading does. Its
// status.
const SITE_FILE_CAPACITY = 65536;
function readSites(bytes) {
  if (bytes.length <= SITE_FILE_CAPACITY) memory().set(bytes, wasm.webSiteBytes());
  if (wasm.webReadSites(bytes.length) !== 0) return wasm.webSiteStatus();
  for (let i = 0; i < wasm.webSiteCount(); i++) {
    wasm.webSiteName(i, 0);
    if (encodeCp932(moduleText(wasm.webSiteText())).bad) {
      wasm.webRefuseSite(i);
      break;
    }
  }
  return wasm.webSiteStatus();
}
