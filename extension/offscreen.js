// Chromium's way to the clipboard for the background (clip_clear.js).
chrome.runtime.onMessage.addListener((message, sender, reply) => {
  if (!message.clearClip) return false;
  clearIfHolds(message.clearClip, document.getElementById('box')).finally(() => reply({ done: true }));
  return true;
});
