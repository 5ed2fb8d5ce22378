// On a phone the keyboard takes the lower half of the screen: the field being
// typed into is brought back into view when it would fall behind it.

function keepFieldInView() {
  const field = document.activeElement;
  if (!field || !field.matches('input, textarea') || !window.visualViewport) return;
  const box = field.getBoundingClientRect();
  if (box.top < 0 || box.bottom > visualViewport.height) field.scrollIntoView({ block: 'center' });
}

if (window.visualViewport) visualViewport.addEventListener('resize', keepFieldInView);
document.addEventListener('focusin', () => setTimeout(keepFieldInView, 300));
