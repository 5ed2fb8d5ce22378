// A remembered key lives in the browser's storage, which the browser may clear
// (Safari does after seven days without a visit, in the browser rather than
// from the home screen). The page asks to keep it, and says so when refused.

async function keepStorage(ask) {
  let kept = false;
  try {
    kept = (await navigator.storage.persisted()) || (ask && (await navigator.storage.persist()));
  } catch (e) {
    // No storage manager (older browsers, some file:// pages): nothing promised.
  }
  $('remember-kept').hidden = kept || !storedKey();
}

// After the page's own handlers have stored or removed the key.
$('remember').addEventListener('change', (e) => setTimeout(keepStorage, 0, e.target.checked));
$('forget-key').addEventListener('click', () => setTimeout(keepStorage, 0, false));
// Asked again at each start: a browser may grant it later (Chrome, once the app is installed).
keepStorage(storedKey() !== null);
