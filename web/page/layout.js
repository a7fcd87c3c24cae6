// The player's size and arrangement: how large the canvas may be beside
// the rest of the page, and where the controls go in full screen. Knows the
// page's elements, nothing of the demo.
'use strict';
window.lumenfallLayout = (function () {
  const WIDTH = 320;
  const HEIGHT = 240;
  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');

  // The canvas grows by whole numbers of device pixels per screen pixel, as
  // large as the window (or the full screen) allows beside the controls.
  // Where not even two whole steps fit (a phone's narrow screen at one
  // device pixel per CSS pixel), it fills the room instead: uneven pixels
  // read better than a picture a third smaller than it could be.
  function scaleFor(full, side) {
    const ratio = window.devicePixelRatio || 1;
    // Everything else in the column, with the gaps between (6 px in the
    // player, 8 px around it) and the page's padding; beside the picture,
    // the controls' column and its gap.
    let other = $('timeline-box').offsetHeight + 6;
    if (!side) other += $('controls').offsetHeight + 6;
    if (!full) {
      for (const id of ['notice', 'keys']) {
        if (!$(id).hidden && $(id).offsetHeight > 0) other += $(id).offsetHeight + 8;
      }
      other += document.querySelector('header').offsetHeight + 8 + 16;
    }
    const beside = side ? $('controls').offsetWidth + 12 : 0;
    const width = (window.innerWidth - 16 - beside) * ratio;
    const room = window.innerHeight - other;
    const height = (full ? Math.max(HEIGHT / 2, room) : Math.max(HEIGHT, room)) * ratio;
    const exact = Math.min(width / WIDTH, height / HEIGHT);
    return (exact >= 2 ? Math.floor(exact) : exact) / ratio;
  }

  // A full screen wider than tall (a phone turned sideways) may give the
  // picture more room with the controls beside it than under it.
  function fit(full) {
    const player = $('player');
    player.classList.remove('beside');
    let scale = scaleFor(full, false);
    if (full && window.innerWidth > window.innerHeight) {
      player.classList.add('beside');
      const beside = scaleFor(true, true);
      if (beside > scale) scale = beside;
      else player.classList.remove('beside');
    }
    canvas.style.width = `${WIDTH * scale}px`;
    canvas.style.height = `${HEIGHT * scale}px`;
    $('timeline-box').style.width = canvas.style.width;
  }

  return { fit };
}());
