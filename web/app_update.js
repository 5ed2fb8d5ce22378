// The installed web app (index.html in the app's folder, served over HTTPS or
// from localhost): its service worker (sw.js) keeps the installed version and
// runs it, and changes it only when the user says so here. A page opened from
// a file has no worker and none of this.

const APP = 'serviceWorker' in navigator && isSecureContext && /^https?:$/.test(location.protocol);

// One question to the worker, its answer ({ error } when it failed).
async function askWorker(question) {
  const registration = await navigator.serviceWorker.ready;
  return new Promise((resolve) => {
    const channel = new MessageChannel();
    channel.port1.onmessage = (e) => resolve(e.data || { error: 'no answer' });
    registration.active.postMessage(question, [channel.port2]);
  });
}

function offerUpdate(host) {
  $('update-version').textContent = host.version || '（不明）';
  $('update-folder').textContent = host.version || 'VERSION';
  $('update-hash').textContent = host.hash;
  $('update-error').textContent = '';
  $('update').hidden = false;
  $('update-now').onclick = async () => {
    $('update-now').disabled = true;
    $('update-now').textContent = '読み込んでいます…';
    $('update-error').textContent = '';
    const done = await askWorker({ type: 'update', hash: host.hash });
    if (!done.error) return location.reload();
    $('update-now').disabled = false;
    $('update-now').textContent = '今すぐ更新';
    $('update-error').textContent = `更新できませんでした。使用中の版のままです（${done.error}）。`;
  };
  $('update-keep').onclick = () => ($('update').hidden = true);
}

async function startApp() {
  if (!APP) return;
  $('about-file').hidden = true;
  $('about-app').hidden = false;
  try {
    // Never through the HTTP cache: a worker of other bytes than these is news at once.
    await navigator.serviceWorker.register('sw.js', { updateViaCache: 'none' });
  } catch (e) {
    return;  // it runs as a page, as from a file
  }
  const about = await askWorker({ type: 'about' });
  if (about.error) return;
  $('about-sha').textContent = about.hash;
  $('about-hash').hidden = false;
  if (!navigator.onLine) return;
  const check = await askWorker({ type: 'check' });
  // Offline or the host unreachable: the installed version, silently.
  if (!check.error && check.host.hash !== check.running.hash) offerUpdate(check.host);
}

startApp();
