// The page around the WebAssembly module: loads it, shows its displayed
// frames on the canvas at 60 a second or as fast as the module goes, seeks,
// and wires the buttons, the timeline and the keys. The module plays the
// demo one frame at a time; every frame it displays waits in its queue
// until the page takes it.
'use strict';
(function () {
  const WIDTH = 320;
  const HEIGHT = 240;
  const FRAME_MS = 1000 / 60;
  // A tick a little early still shows its frame, so the jitter of the
  // display's callbacks does not drop a 60 Hz screen to 30 frames a second.
  const TICK_SLACK_MS = 2;
  // Fast mode and seeking run frames in slices of this length, then give
  // the browser its turn (input, painting) before the next slice.
  const SLICE_MS = 14;
  // A seek shorter than this shows no progress.
  const PROGRESS_AFTER_MS = 150;
  // The smallest module that uses a SIMD instruction: it validates only
  // where the module's vector code can run.
  const SIMD_PROBE = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1,
    0, 10, 10, 1, 8, 0, 65, 0, 253, 15, 253, 98, 11]);

  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');
  const context = canvas.getContext('2d');
  const picture = context.createImageData(WIDTH, HEIGHT);
  const timeline = $('timeline');
  const buttons = {
    play: $('play'), step: $('step'), restart: $('restart'), fast: $('fast'),
    full: $('full'), save: $('save'), copy: $('copy'),
  };

  let demo = null; // the module
  let total = 2665;
  let seed = 0;
  let paused = false;
  let fast = false;
  let finished = false;
  let shown = -1; // number of the frame last taken from the queue, from 0
  let drawn = -1; // number of the frame on the canvas
  let nextDue = 0;
  let notes = '';
  // The frame a seek is heading for, or null; the seek runs in slices.
  let seekTarget = null;
  let seekStarted = 0;
  let sliceQueued = false;
  let msPerFrame = 1; // fast mode's running estimate
  // Main-thread time spent per real-time frame, and the rate actually held.
  const stats = { workMs: [], tickTimes: [], fastFrames: 0, fastStart: 0, fastEnd: 0 };

  // A failure replaces the player: nothing below it could work.
  function showMessage(text) {
    const message = $('message');
    message.textContent = text;
    message.hidden = false;
    $('player').hidden = true;
    $('keys').hidden = true;
  }

  function parseParams() {
    const params = new URLSearchParams(window.location.search);
    const text = params.get('seed');
    // As on the handheld: the current time in seconds seeds the ink pattern.
    seed = Math.floor(Date.now() / 1000) >>> 0;
    if (text !== null) {
      if (/^\d{1,10}$/.test(text) && Number(text) <= 0xFFFFFFFF) seed = Number(text);
      else notes += ` (seed "${text}" is not a number from 0 to 4294967295: the clock chose it)`;
    }
    // ?frame= counts as the counter does, from 1.
    const frame = params.get('frame');
    if (frame === null) return null;
    if (/^\d{1,5}$/.test(frame) && Number(frame) >= 1 && Number(frame) <= total) {
      return Number(frame) - 1;
    }
    notes += ` (frame "${frame}" is not a number from 1 to ${total}: playing from the start)`;
    return null;
  }

  function linkToFrame() {
    const url = new URL(window.location.href);
    url.search = `?seed=${seed}&frame=${Math.max(0, shown) + 1}`;
    url.hash = '';
    return url.href;
  }

  function updateLabels() {
    const counter = $('counter');
    if (seekTarget !== null) {
      counter.textContent = `frame ${seekTarget + 1} / ${total}`;
    } else {
      counter.textContent = `frame ${shown + 1} / ${total}`;
      counter.href = linkToFrame();
      $('scene').textContent = `scene ${shown < demo._lf_scene1_frames() ? 1 : 2}`;
    }
    if (document.activeElement !== timeline || seekTarget === null) {
      timeline.value = String(seekTarget !== null ? seekTarget : Math.max(0, shown));
    }
    buttons.play.textContent = finished ? 'Ended' : paused ? 'Play' : 'Pause';
    buttons.play.disabled = finished;
    buttons.step.disabled = finished || !paused;
    buttons.fast.setAttribute('aria-pressed', String(fast));
    buttons.full.setAttribute('aria-pressed', String(document.fullscreenElement !== null));
  }

  // Takes the next displayed frame off the queue, playing demo frames until
  // one is displayed, and puts it on the canvas when the module converted
  // its picture. False once the run is over.
  function present() {
    while (demo._lf_queue_length() === 0) {
      if (!demo._lf_play_frame()) {
        finished = true;
        return false;
      }
    }
    if (demo._lf_queue_front_has_picture()) {
      const pixels = demo._lf_queue_front_rgba();
      // The module's memory may have grown since the last frame, so its
      // view is taken afresh each time.
      picture.data.set(demo.HEAPU8.subarray(pixels, pixels + WIDTH * HEIGHT * 4));
      context.putImageData(picture, 0, 0);
      drawn = demo._lf_queue_front_number();
    }
    shown = demo._lf_queue_front_number();
    demo._lf_queue_pop();
    return true;
  }

  function startRun() {
    demo._lf_start(seed, 0);
    shown = -1;
    drawn = -1;
    finished = false;
  }

  function restart() {
    seekTarget = null;
    $('busy').hidden = true;
    startRun();
    resetStats();
    nextDue = performance.now();
    present();
    updateLabels();
    schedule();
  }

  // Plays towards the seek target for at most `budget` ms (all the way with
  // Infinity). The frames on the way are displayed without their pictures.
  // True once the target is on the canvas.
  function seekSlice(budget) {
    // A target passed over without its picture (queued before the seek
    // asked for it) is replayed too.
    if (seekTarget < shown || (seekTarget === shown && drawn !== shown)) startRun();
    demo._lf_picture_from(seekTarget);
    const end = performance.now() + budget;
    while (shown < seekTarget && performance.now() < end && present()) { /* keep playing */ }
    if (shown < seekTarget && !finished) {
      const busy = $('busy');
      if (performance.now() - seekStarted > PROGRESS_AFTER_MS) {
        busy.textContent = `going to frame ${seekTarget + 1}… ${Math.floor((100 * (shown + 1)) / (seekTarget + 1))} %`;
        busy.hidden = false;
      }
      return false;
    }
    seekTarget = null;
    $('busy').hidden = true;
    demo._lf_picture_from(0);
    resetStats();
    nextDue = performance.now();
    return true;
  }

  // Asks for frame n (from 0); the seek replays from the start when n lies
  // behind, and leaves the demo paused there.
  function seekTo(n) {
    n = Math.max(0, Math.min(total - 1, Math.round(n)));
    if (seekTarget === null) seekStarted = performance.now();
    seekTarget = n;
    paused = true;
    finished = false;
    updateLabels();
    schedule();
  }

  // Fast mode: frames for one slice, only the last of them drawn, so that
  // the canvas always shows the frame the counter names. How many fit comes
  // from the time the last slices took per frame.
  function fastSlice() {
    const start = performance.now();
    const ahead = Math.max(1, Math.floor(SLICE_MS / msPerFrame));
    const drawAt = Math.min(shown + ahead, total - 1);
    demo._lf_picture_from(drawAt);
    const first = shown;
    while (shown < drawAt && present()) stats.fastFrames++;
    // After the last frame, the run's end is found by asking for one more.
    if (shown === total - 1) present();
    stats.fastEnd = finished ? performance.now() : 0;
    const played = shown - first;
    if (played > 0) msPerFrame = 0.7 * msPerFrame + 0.3 * ((performance.now() - start) / played);
    const seconds = (performance.now() - stats.fastStart) / 1000;
    if (seconds > 0.5) $('rate').textContent = `${Math.round(stats.fastFrames / seconds)} fps`;
  }

  // Seeking and fast mode run in slices, each a task of its own: a message
  // to ourselves comes back at once, where a timer would add its delay.
  const slices = new MessageChannel();
  slices.port1.onmessage = () => {
    sliceQueued = false;
    if (seekTarget !== null) {
      seekSlice(SLICE_MS);
    } else if (fast && !paused && !finished) {
      fastSlice();
    }
    updateLabels();
    schedule();
  };
  function schedule() {
    const busy = seekTarget !== null || (fast && !paused && !finished);
    if (busy && !sliceQueued) {
      sliceQueued = true;
      slices.port2.postMessage(0);
    }
  }

  function tick(now) {
    if (!paused && !finished && !fast && seekTarget === null && now >= nextDue - TICK_SLACK_MS) {
      const start = performance.now();
      present();
      stats.workMs.push(performance.now() - start);
      stats.tickTimes.push(now);
      if (stats.workMs.length > 600) { stats.workMs.shift(); stats.tickTimes.shift(); }
      nextDue += FRAME_MS;
      // After a stall (a hidden tab, a slow frame) the grid starts again
      // rather than catching up in a burst.
      if (now - nextDue > FRAME_MS) nextDue = now + FRAME_MS;
      updateLabels();
    }
    window.requestAnimationFrame(tick);
  }

  // The figures describe one uninterrupted stretch of playing.
  function resetStats() {
    stats.workMs = [];
    stats.tickTimes = [];
    stats.fastFrames = 0;
    stats.fastStart = performance.now();
    stats.fastEnd = 0;
  }

  function setPaused(value) {
    if (seekTarget !== null) return;
    paused = value;
    resetStats();
    nextDue = performance.now();
    updateLabels();
    schedule();
  }

  function setFast(value) {
    fast = value;
    resetStats();
    if (!fast) demo._lf_picture_from(0);
    nextDue = performance.now();
    $('rate').textContent = '';
    updateLabels();
    schedule();
  }

  function step(by) {
    if (!paused || seekTarget !== null) return;
    if (by < 0) seekTo(shown + by);
    else if (!finished) present();
    updateLabels();
  }

  function toggleFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if ($('player').requestFullscreen) $('player').requestFullscreen().catch(() => {});
  }

  function save() {
    canvas.toBlob((blob) => {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = `lumenfall-seed${seed}-frame${shown + 1}.png`;
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    }, 'image/png');
  }

  function copyLink() {
    const link = linkToFrame();
    const told = () => {
      buttons.copy.textContent = 'Copied';
      setTimeout(() => { buttons.copy.textContent = 'Copy link'; }, 1500);
    };
    if (navigator.clipboard && window.isSecureContext) {
      navigator.clipboard.writeText(link).then(told, () => window.prompt('Link to this frame:', link));
    } else {
      window.prompt('Link to this frame:', link);
    }
  }

  // The canvas grows by whole numbers of device pixels per screen pixel, as
  // large as the window (or the full screen) allows beside the controls.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const full = document.fullscreenElement !== null;
    // Everything else in the column, with the gaps between (6 px in the
    // player, 8 px around it) and the page's padding.
    let other = $('timeline-box').offsetHeight + $('controls').offsetHeight + 12;
    if (!full) {
      other += document.querySelector('header').offsetHeight + $('keys').offsetHeight + 16 + 16;
    }
    const width = (window.innerWidth - 16) * ratio;
    const height = Math.max(HEIGHT, window.innerHeight - other) * ratio;
    const scale = Math.max(1, Math.floor(Math.min(width / WIDTH, height / HEIGHT)));
    canvas.style.width = `${(WIDTH * scale) / ratio}px`;
    canvas.style.height = `${(HEIGHT * scale) / ratio}px`;
    $('timeline-box').style.width = canvas.style.width;
  }

  function wire() {
    buttons.play.addEventListener('click', () => setPaused(!paused));
    buttons.step.addEventListener('click', () => step(1));
    buttons.restart.addEventListener('click', restart);
    buttons.fast.addEventListener('click', () => setFast(!fast));
    buttons.full.addEventListener('click', toggleFullScreen);
    buttons.save.addEventListener('click', save);
    buttons.copy.addEventListener('click', copyLink);
    // Dragging seeks as it goes; each new position replaces the last.
    timeline.addEventListener('input', () => seekTo(Number(timeline.value)));
    document.addEventListener('keydown', (event) => {
      if (event.ctrlKey || event.metaKey || event.altKey) return;
      if (event.target === timeline && event.key.startsWith('Arrow')) return;
      if (event.key === ' ') setPaused(!paused);
      else if (event.key === 'ArrowRight') step(1);
      else if (event.key === 'ArrowLeft') step(-1);
      else if (event.key === 'r' || event.key === 'R') restart();
      else if (event.key === 'f' || event.key === 'F') setFast(!fast);
      else if (event.key === 'z' || event.key === 'Z') toggleFullScreen();
      else return;
      event.preventDefault();
    });
    window.addEventListener('resize', fit);
    document.addEventListener('fullscreenchange', () => { fit(); updateLabels(); });
    for (const button of Object.values(buttons)) button.disabled = false;
    timeline.disabled = false;
  }

  // For automated tests: frame numbers count from 0, as the simulator's.
  window.lumenfall = {
    ready: false,
    error: null,
    state: () => ({ shown, paused, fast, finished, seed, seeking: seekTarget !== null,
                    fullScreen: document.fullscreenElement !== null }),
    pause: () => setPaused(true),
    // Plays (paused) until frame n is on the canvas, at once.
    seek: (n) => {
      seekTo(n);
      seekSlice(Infinity);
      updateLabels();
      return shown;
    },
    canvasBase64: () => {
      const data = context.getImageData(0, 0, WIDTH, HEIGHT).data;
      let text = '';
      for (let i = 0; i < data.length; i += 0x8000) {
        text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
      }
      return btoa(text);
    },
    // Real-time figures over the last frames: main-thread milliseconds per
    // frame (mean and worst) and the frame rate held.
    realTimeStats: () => {
      const work = stats.workMs;
      const times = stats.tickTimes;
      const mean = work.reduce((a, b) => a + b, 0) / Math.max(1, work.length);
      const span = times.length > 1 ? (times[times.length - 1] - times[0]) / 1000 : 0;
      return { frames: work.length, meanMs: mean, maxMs: Math.max(0, ...work),
               fps: span > 0 ? (times.length - 1) / span : 0 };
    },
    // Fast mode's frames a second, up to the run's end if it came.
    fastRate: () => stats.fastFrames /
      (((stats.fastEnd || performance.now()) - stats.fastStart) / 1000),
    // The module's own speed: the whole run in one go, no picture converted
    // or drawn; leaves the page at frame 0, paused.
    moduleRate: () => {
      startRun();
      demo._lf_picture_from(total);
      const start = performance.now();
      while (present()) { /* the whole run */ }
      const seconds = (performance.now() - start) / 1000;
      window.lumenfall.seek(0);
      return total / seconds;
    },
    setFast,
  };

  // The first failure is the one worth reading; what follows from it is
  // left to the console.
  function fail(text, detail) {
    if (detail) console.error(detail);
    if (window.lumenfall.error) return;
    window.lumenfall.error = text;
    showMessage(text);
  }

  function start() {
    const frame = parseParams();
    $('seed').textContent = `Seed ${seed}${notes}.`;
    fit();
    if (window.location.protocol === 'file:') {
      fail('This page was opened from a file, and browsers load WebAssembly only from a web ' +
           'server. Serve its folder, for example with "python3 -m http.server 8000" run in it, ' +
           'and open http://127.0.0.1:8000/ instead.');
      return;
    }
    if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
      fail('This browser cannot run WebAssembly, which the demo needs. ' +
           'Try a current version of any major browser.');
      return;
    }
    if (!WebAssembly.validate(SIMD_PROBE)) {
      fail('This browser runs WebAssembly without its SIMD instructions, which the demo ' +
           'needs (Chrome or Edge 91, Firefox 89, Safari 16.4 or later have them).');
      return;
    }
    const script = document.createElement('script');
    script.src = 'lumenfall.js';
    script.onerror = () => fail('The demo could not be loaded: lumenfall.js is missing ' +
                                'from the folder this page is served from.');
    script.onload = () => {
      const cannotStart = 'The demo could not be loaded: its WebAssembly module ' +
                          '(lumenfall.wasm) could not be fetched or started. Check that it sits ' +
                          'beside this page on the server, then reload.';
      window.createLumenfall({
        onAbort: (what) => fail(cannotStart, what),
      }).then((module) => {
        demo = module;
        total = demo._lf_total_frames();
        wire();
        restart();
        if (frame !== null) seekTo(frame);
        window.lumenfall.ready = true;
        window.requestAnimationFrame(tick);
      }, (error) => fail(cannotStart, error));
    };
    document.body.appendChild(script);
  }

  start();
}());
