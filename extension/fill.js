// Runs in the page's top frame, on the user's fill only (scripting.executeScript
// serialises it: nothing from outside this function). Fills the focused
// password field, else the first visible one, in this frame, its frames of the
// same origin and open shadow roots; on a sign-up or change-password form the
// new password's fields. Never a hidden field, never a submit. Returns how
// many fields it filled and, when none, the hosts of frames it could not reach.
// origin is the page's the password was made for: a tab that has moved on
// since the popup named its site gets nothing.
export function fillPage(password, origin) {
  if (location.origin !== origin) return { filled: 0, frames: [], moved: true };
  const fields = [];
  const frames = [];
  const shown = (el) => {
    const view = el.ownerDocument.defaultView;
    for (let e = el; e; e = e.parentElement || (e.getRootNode() && e.getRootNode().host)) {
      const style = view.getComputedStyle(e);
      if (style.visibility === 'hidden' || style.display === 'none' || Number(style.opacity) === 0) return false;
    }
    const box = el.getBoundingClientRect();
    return box.width > 1 && box.height > 1;
  };
  const walk = (root) => {
    for (const el of root.querySelectorAll('*')) {
      if (el.shadowRoot) walk(el.shadowRoot);
      if (el.localName === 'input' && el.type === 'password' && !el.disabled && !el.readOnly && shown(el)) fields.push(el);
      if (el.localName === 'iframe' || el.localName === 'frame') {
        let doc = null;
        try {
          doc = el.contentDocument;
        } catch (e) {
          doc = null;
        }
        // Another origin: not this page's to fill.
        if (doc && doc.location.origin === location.origin) {
          if (shown(el)) walk(doc);
        } else if (el.src) {
          try {
            frames.push(new URL(el.src, location.href).hostname);
          } catch (e) {
            // No host to name.
          }
        }
      }
    }
  };
  walk(document);
  let focused = document.activeElement;
  for (;;) {
    if (focused && focused.shadowRoot && focused.shadowRoot.activeElement) focused = focused.shadowRoot.activeElement;
    else if (focused && /^i?frame$/.test(focused.localName) && focused.contentDocument) focused = focused.contentDocument.activeElement;
    else break;
  }
  const target = fields.includes(focused) ? focused : fields[0];
  if (!target) return { filled: 0, frames: [...new Set(frames)] };
  const group = fields.filter((f) => (target.form ? f.form === target.form : !f.form && f.getRootNode() === target.getRootNode()));
  const isNew = (f) => /\bnew-password\b/.test(f.getAttribute('autocomplete') || '');
  const isCurrent = (f) => /\bcurrent-password\b/.test(f.getAttribute('autocomplete') || '');
  let chosen = [target];
  if (isNew(target) && group.filter(isNew).length >= 2) chosen = group.filter(isNew);
  else if (group.length === 2 && !group.some(isCurrent)) chosen = group;
  for (const f of chosen) {
    const view = f.ownerDocument.defaultView;
    // The prototype's setter, past any the page's framework put on the field.
    Object.getOwnPropertyDescriptor(view.HTMLInputElement.prototype, 'value').set.call(f, password);
    f.dispatchEvent(new view.Event('input', { bubbles: true, composed: true }));
    f.dispatchEvent(new view.Event('change', { bubbles: true }));
  }
  return { filled: chosen.length, frames: [] };
}
