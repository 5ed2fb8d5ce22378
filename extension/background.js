// The extension's background: locks the opened key (storage.session) when the
// idle time passes or the screen locks, and clears a copied password from the
// clipboard after 45 s if it still holds it. It never opens a key itself.
const api = globalThis.browser || chrome;
const CLIP_SECONDS = 45;

async function lock() {
  await api.storage.session.clear();
  await api.alarms.clear('lock');
}

api.idle.onStateChanged.addListener((state) => {
  if (state === 'locked') lock();
});

api.alarms.onAlarm.addListener(async (alarm) => {
  if (alarm.name === 'lock') {
    const { until } = await api.storage.session.get('until');
    if (!until || until <= Date.now() + 1000) await lock();
    else api.alarms.create('lock', { when: until });
  } else if (alarm.name === 'clip') {
    const { clip } = await api.storage.session.get('clip');
    await api.storage.session.remove('clip');
    if (clip) await clearClipboard(clip);
  }
});

// Chromium reaches the clipboard from an offscreen document; Firefox's
// background page has a document of its own.
async function clearClipboard(digest) {
  if (!api.offscreen) {
    const box = document.body.appendChild(document.createElement('textarea'));
    await clearIfHolds(digest, box);
    box.remove();
    return;
  }
  const url = api.runtime.getURL('offscreen.html');
  const open = await api.runtime.getContexts({ contextTypes: ['OFFSCREEN_DOCUMENT'], documentUrls: [url] });
  if (!open.length) {
    await api.offscreen.createDocument({ url, reasons: ['CLIPBOARD'], justification: 'Clears a copied password from the clipboard.' });
  }
  await api.runtime.sendMessage({ clearClip: digest }).catch(() => {});
  await api.offscreen.closeDocument().catch(() => {});
}

const canClear = () => !!api.offscreen || typeof document !== 'undefined';

api.runtime.onMessage.addListener((message, sender, reply) => {
  if (sender.id !== api.runtime.id || message.clearClip) return false;
  if (message.until) api.alarms.create('lock', { when: message.until });
  if (message.lock) lock();
  if (message.clip) {
    api.storage.session.set({ clip: message.clip });
    api.alarms.create('clip', { when: Date.now() + CLIP_SECONDS * 1000 });
  }
  reply({ clears: canClear() });
  return false;
});
