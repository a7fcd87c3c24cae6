// The page around the WebAssembly module: loads it, shows its displayed
// frames on the canvas at 60 a second (or as fast as it can), and wires the
// buttons and keys. The module plays the demo one frame at a time; every
// frame it displays waits in its queue until the page takes it.
'use strict';
(function () {
  const WIDTH = 320;
  const HEIGHT = 240;
  const FRAME_MS = 1000 / 60;
  // A tick a little early still shows its frame, so the jitter of the
  // display's callbacks does not drop a 60 Hz screen to 30 frames a second.
  const TICK_SLACK_MS = 2;
  // Fast mode plays frames for this long per display callback.
  const FAST_BUDGET_MS = 12;
  // The smallest module that uses a SIMD instruction: it validates only
  // where the module's vector code can run.
  const SIMD_PROBE = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1,
    0, 10, 10, 1, 8, 0, 65, 0, 253, 15, 253, 98, 11]);

  const canvas = document.getElementById('screen');
  const context = canvas.getContext('2d');
  const picture = context.createImageData(WIDTH, HEIGHT);
  const buttons = {
    play: document.getElementById('play'),
    step: document.getElementById('step'),
    restart: document.getElementById('restart'),
    fast: document.getElementById('fast'),
    save: document.getElementById('save'),
  };

  let demo = null; // the module
  let seed = 0;
  let paused = false;
  let fast = false;
  let finished = false;
  let shown = -1; // number of the frame on the canvas, from 0
  let nextDue = 0;
  let seedWarning = '';
  // Main-thread time spent per real-time frame, and the rate actually held.
  const stats = { workMs: [], tickTimes: [], fastFrames: 0, fastStart: 0 };

  function showMessage(text) {
    const message = document.getElementById('message');
    message.textContent = text;
    message.hidden = false;
    document.getElementById('counter').textContent = '';
  }

  function parseSeed() {
    const text = new URLSearchParams(window.location.search).get('seed');
    if (text !== null) {
      if (/^\d{1,10}$/.test(text) && Number(text) <= 0xFFFFFFFF) return Number(text);
      seedWarning = `(seed "${text}" is not a number from 0 to 4294967295: the clock chose it) `;
    }
    // As on the handheld: the current time in seconds seeds the ink pattern.
    return Math.floor(Date.now() / 1000) >>> 0;
  }

  function showNote(text) {
    document.getElementById('seed').textContent = text;
  }

  function updateLabels() {
    const total = demo._lf_total_frames();
    const position = shown + 1;
    document.getElementById('counter').textContent = `frame ${position} / ${total}`;
    document.getElementById('scene').textContent =
      shown < 0 ? '' : `scene ${shown < demo._lf_scene1_frames() ? 1 : 2}`;
    buttons.play.textContent = finished ? 'Ended' : paused ? 'Play' : 'Pause';
    buttons.play.disabled = finished;
    buttons.step.disabled = finished || !paused;
    buttons.fast.setAttribute('aria-pressed', String(fast));
  }

  // Puts the next displayed frame on the canvas, playing demo frames until
  // one is displayed. False once the run is over. Fast mode skips drawing
  // the frames that the next one replaces before the screen refreshes.
  function present(draw = true) {
    while (demo._lf_queue_length() === 0) {
      if (!demo._lf_play_frame()) {
        finished = true;
        updateLabels();
        return false;
      }
    }
    if (draw) {
      const pixels = demo._lf_queue_front_rgba();
      // The module's memory may have grown since the last frame, so its
      // view is taken afresh each time.
      picture.data.set(demo.HEAPU8.subarray(pixels, pixels + WIDTH * HEIGHT * 4));
      context.putImageData(picture, 0, 0);
    }
    shown = demo._lf_queue_front_number();
    demo._lf_queue_pop();
    return true;
  }

  function restart() {
    demo._lf_start(seed, 0);
    shown = -1;
    finished = false;
    resetStats();
    nextDue = performance.now();
    present();
    updateLabels();
  }

  function tick(now) {
    if (!paused && !finished) {
      if (fast) {
        // Only the callback's last frame is drawn: the one whose successor
        // would no longer fit in the budget, or the run's last frame.
        const end = performance.now() + FAST_BUDGET_MS;
        const total = demo._lf_total_frames();
        let cost = 0;
        for (;;) {
          const start = performance.now();
          const last = start + 2 * cost >= end || shown + 2 >= total;
          if (!present(last)) break;
          stats.fastFrames++;
          cost = performance.now() - start;
          if (last) break;
        }
        const seconds = (now - stats.fastStart) / 1000;
        if (seconds > 0.5) {
          document.getElementById('rate').textContent =
            `${Math.round(stats.fastFrames / seconds)} fps`;
        }
      } else if (now >= nextDue - TICK_SLACK_MS) {
        const start = performance.now();
        present();
        stats.workMs.push(performance.now() - start);
        stats.tickTimes.push(now);
        if (stats.workMs.length > 600) { stats.workMs.shift(); stats.tickTimes.shift(); }
        nextDue += FRAME_MS;
        // After a stall (a hidden tab, a slow frame) the grid starts again
        // rather than catching up in a burst.
        if (now - nextDue > FRAME_MS) nextDue = now + FRAME_MS;
      }
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
  }

  function setPaused(value) {
    paused = value;
    resetStats();
    nextDue = performance.now();
    updateLabels();
  }

  function setFast(value) {
    fast = value;
    resetStats();
    nextDue = performance.now();
    document.getElementById('rate').textContent = '';
    updateLabels();
  }

  function step() {
    if (paused && !finished) {
      present();
      updateLabels();
    }
  }

  function save() {
    canvas.toBlob((blob) => {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = `lumenfall-seed${seed}-frame${shown}.png`;
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    }, 'image/png');
  }

  // The canvas grows by whole numbers of device pixels per screen pixel, as
  // large as the window allows beside the controls.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const controls = document.getElementById('controls').offsetHeight +
                     document.getElementById('keys').offsetHeight + 40;
    const width = (window.innerWidth - 16) * ratio;
    const height = Math.max(HEIGHT, window.innerHeight - controls) * ratio;
    const scale = Math.max(1, Math.floor(Math.min(width / WIDTH, height / HEIGHT)));
    canvas.style.width = `${(WIDTH * scale) / ratio}px`;
    canvas.style.height = `${(HEIGHT * scale) / ratio}px`;
  }

  function wire() {
    buttons.play.addEventListener('click', () => setPaused(!paused));
    buttons.step.addEventListener('click', step);
    buttons.restart.addEventListener('click', restart);
    buttons.fast.addEventListener('click', () => setFast(!fast));
    buttons.save.addEventListener('click', save);
    document.addEventListener('keydown', (event) => {
      if (event.ctrlKey || event.metaKey || event.altKey) return;
      if (event.key === ' ') setPaused(!paused);
      else if (event.key === 'ArrowRight') step();
      else if (event.key === 'r' || event.key === 'R') restart();
      else if (event.key === 'f' || event.key === 'F') setFast(!fast);
      else return;
      event.preventDefault();
    });
    window.addEventListener('resize', fit);
    for (const button of Object.values(buttons)) button.disabled = false;
  }

  // For automated tests: frame numbers count from 0, as the simulator's.
  window.lumenfall = {
    ready: false,
    error: null,
    state: () => ({ shown, paused, fast, finished, seed }),
    pause: () => setPaused(true),
    // Plays (paused) until frame n is on the canvas.
    seek: (n) => {
      setPaused(true);
      if (n < shown) restart();
      while (shown < n && present()) { /* keep playing */ }
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
    fastRate: () => stats.fastFrames / ((performance.now() - stats.fastStart) / 1000),
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
    fit();
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
    seed = parseSeed();
    const script = document.createElement('script');
    script.src = 'lumenfall.js';
    script.onerror = () => fail('The demo could not be loaded: lumenfall.js is missing.');
    script.onload = () => {
      const cannotStart = 'The demo could not be loaded: its WebAssembly module ' +
                          '(lumenfall.wasm) could not be fetched or started. Reload to try again.';
      window.createLumenfall({
        onAbort: (what) => fail(cannotStart, what),
      }).then((module) => {
        demo = module;
        showNote(`seed ${seed} ${seedWarning}(add ?seed=N to the address to replay a run)`);
        wire();
        restart();
        window.lumenfall.ready = true;
        window.requestAnimationFrame(tick);
      }, (error) => fail(cannotStart, error));
    };
    document.body.appendChild(script);
  }

  start();
}());
