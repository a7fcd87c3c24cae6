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
  // The smallest module that uses a SIMD instruction: it validates only
  // where the module's vector code can run.
  const SIMD_PROBE = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1,
    0, 10, 10, 1, 8, 0, 65, 0, 253, 15, 253, 98, 11]);

  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');
  const context = canvas.getContext('2d');
  const picture = context.createImageData(WIDTH, HEIGHT);
  const timeline = $('timeline');
  const stage = $('stage');
  const buttons = {
    play: $('play'), back: $('back'), step: $('step'), restart: $('restart'), fast: $('fast'),
    full: $('full'), save: $('save'), copy: $('copy'),
  };

  let demo = null; // the module
  let total = 2665;
  let seed = 0;
  let paused = false;
  let fast = false;
  let finished = false;
  let shown = -1; // number of the frame last taken from the queue, from 0
  let drawn = -1; // number of the frame of this run drawn last
  // Number of the frame the canvas shows, which a replay from the start
  // leaves in place until it draws another; the labels describe it.
  let onCanvas = -1;
  let nextDue = 0;
  const notes = [];
  // The frame a seek is heading for, or null; the seek runs in slices.
  let seekTarget = null;
  let seekFrom = -1; // the frame it set out from, for its progress
  // Whether the demo plays on once the seek is over: a seek started while
  // playing keeps playing, as a video player's does.
  let resumeAfterSeek = false;
  // A timeline held under the pointer is still being dragged; playing goes
  // on only once it is let go.
  let timelineHeld = false;
  let filled = false; // the player covers the window in place of full screen
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
      else {
        notes.push(`The link's seed "${text}" is not a number from 0 to 4294967295, so this ` +
                   `run uses seed ${seed}, taken from the clock.`);
      }
    }
    // ?frame= counts as the counter does, from 1.
    const frame = params.get('frame');
    if (frame === null) return null;
    if (/^\d{1,5}$/.test(frame) && Number(frame) >= 1 && Number(frame) <= total) {
      return Number(frame) - 1;
    }
    notes.push(`The link's frame "${frame}" is not a frame from 1 to ${total}, so the run ` +
               'plays from the start.');
    return null;
  }

  // The address of this run, and of frame n (from 0) when given.
  function address(n) {
    const url = new URL(window.location.href);
    url.search = n === undefined ? `?seed=${seed}` : `?seed=${seed}&frame=${n + 1}`;
    url.hash = '';
    return url.href;
  }

  function linkToFrame() {
    return address(Math.max(0, onCanvas));
  }

  // The address bar follows the run, so that copying it shares what is on
  // the screen: the seed always, the frame while paused. It changes only
  // when its text does (browsers limit how often it may), and not while a
  // seek is on its way.
  function followInAddressBar() {
    if (seekTarget !== null) return;
    const wanted = paused || finished ? linkToFrame() : address();
    if (wanted !== window.location.href) window.history.replaceState(null, '', wanted);
  }

  function setLabel(button, index) {
    [...button.children].forEach((label, i) => label.classList.toggle('current', i === index));
  }

  function fullScreen() {
    return document.fullscreenElement !== null || filled;
  }

  // Whether the demo plays, or will play once the seek on its way is over.
  function playing() {
    return seekTarget !== null ? resumeAfterSeek : !paused && !finished;
  }

  function updateLabels() {
    const counter = $('counter');
    const visible = Math.max(0, onCanvas);
    counter.textContent = `frame ${visible + 1} / ${total}`;
    counter.href = linkToFrame();
    $('scene').textContent = `scene ${visible < demo._lf_scene1_frames() ? 1 : 2}`;
    // The slider under the pointer stays where it is held.
    if (!timelineHeld) timeline.value = String(visible);
    setLabel(buttons.play, finished && seekTarget === null ? 2 : playing() ? 0 : 1);
    const still = paused && seekTarget === null;
    buttons.back.disabled = !still || visible === 0;
    buttons.step.disabled = !still || finished;
    buttons.fast.setAttribute('aria-pressed', String(fast));
    setLabel(buttons.full, fullScreen() ? 1 : 0);
    buttons.full.setAttribute('aria-pressed', String(fullScreen()));
    followInAddressBar();
  }

  // Takes the next displayed frame off the queue, playing demo frames until
  // one is displayed, and puts it on the canvas when the module converted
  // its picture. False once the run is over.
  function present() {
    while (demo._lf_queue_length() === 0) {
      if (!demo._lf_play_frame()) {
        // The end holds still on the last frame, as a pause does.
        finished = true;
        paused = true;
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
      onCanvas = drawn;
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

  function endSeekDisplay() {
    $('busy').hidden = true;
    stage.classList.remove('seeking');
  }

  // Begins the run again at frame 0; a run that had ended plays again.
  function restart() {
    if (finished) paused = false;
    seekTarget = null;
    resumeAfterSeek = false;
    endSeekDisplay();
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
    if (shown < 0) seekFrom = -1;
    while (shown < seekTarget && performance.now() < end && present()) { /* keep playing */ }
    if (shown < seekTarget && !finished) {
      // Still on its way: the old picture dimmed, and how far it got.
      const share = Math.floor((100 * (shown - seekFrom)) / (seekTarget - seekFrom));
      $('busy-text').textContent = `going to frame ${seekTarget + 1} (scene ` +
        `${seekTarget < demo._lf_scene1_frames() ? 1 : 2})… ${share} %`;
      $('busy-progress').value = share;
      $('busy').hidden = false;
      stage.classList.add('seeking');
      return false;
    }
    seekTarget = null;
    endSeekDisplay();
    demo._lf_picture_from(0);
    finished = false;
    paused = true;
    if (resumeAfterSeek && !timelineHeld) {
      paused = false;
      resumeAfterSeek = false;
    }
    resetStats();
    nextDue = performance.now();
    return true;
  }

  // Asks for frame n (from 0); the seek replays from the start when n lies
  // behind. It ends paused there, or playing on when it began while the
  // demo played. Its first slice runs at once: a short seek is over before
  // the browser paints again, a long one shows its progress in that paint.
  function seekTo(n) {
    n = Math.max(0, Math.min(total - 1, Math.round(n)));
    if (seekTarget === null) {
      resumeAfterSeek = !paused && !finished;
      seekFrom = shown;
    }
    seekTarget = n;
    paused = true;
    finished = false;
    seekSlice(SLICE_MS);
    updateLabels();
    schedule();
  }

  // The timeline let go: a seek that began while playing plays on.
  function releaseTimeline() {
    timelineHeld = false;
    if (seekTarget === null && resumeAfterSeek) {
      resumeAfterSeek = false;
      setPaused(false);
    }
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
    if (seekTarget !== null) {
      resumeAfterSeek = !value;
      updateLabels();
      return;
    }
    // Playing after the end plays the run again.
    if (finished && !value) {
      restart();
      return;
    }

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

  // One frame on (the next one played) or back (a replay to the one
  // before); holding the key back keeps moving the seek's target.
  function step(by) {
    if (seekTarget !== null) {
      if (by < 0 && !resumeAfterSeek) seekTo(seekTarget + by);
      return;
    }
    if (!paused) return;
    if (by < 0) {
      if (onCanvas > 0) seekTo(onCanvas + by);
    } else if (!finished) {
      present();
    }
    updateLabels();
  }

  function setFilled(value) {
    filled = value;
    $('player').classList.toggle('filled', filled);
    fit();
    updateLabels();
  }

  function toggleFullScreen() {
    const player = $('player');
    if (document.fullscreenElement) document.exitFullscreen();
    else if (filled) setFilled(false);
    else if (player.requestFullscreen) player.requestFullscreen().catch(() => setFilled(true));
    else setFilled(true);
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
      setLabel(buttons.copy, 1);
      setTimeout(() => setLabel(buttons.copy, 0), 1500);
    };
    if (navigator.clipboard && window.isSecureContext) {
      navigator.clipboard.writeText(link).then(told, () => window.prompt('Link to this frame:', link));
    } else {
      window.prompt('Link to this frame:', link);
    }
  }

  // The layout is a script of its own (layout.js); without it the canvas
  // keeps its own 320 x 240.
  function fit() {
    if (window.lumenfallLayout) window.lumenfallLayout.fit(fullScreen());
  }

  function wire() {
    buttons.play.addEventListener('click', () => setPaused(playing()));
    buttons.back.addEventListener('click', () => step(-1));
    buttons.step.addEventListener('click', () => step(1));
    buttons.restart.addEventListener('click', restart);
    buttons.fast.addEventListener('click', () => setFast(!fast));
    buttons.full.addEventListener('click', toggleFullScreen);
    buttons.save.addEventListener('click', save);
    buttons.copy.addEventListener('click', copyLink);
    // Dragging seeks as it goes; each new position replaces the last.
    timeline.addEventListener('input', () => seekTo(Number(timeline.value)));
    // The pointer may be let go outside the timeline, so the window hears it.
    timeline.addEventListener('pointerdown', () => { timelineHeld = true; });
    for (const name of ['pointerup', 'pointercancel']) {
      window.addEventListener(name, () => { if (timelineHeld) releaseTimeline(); });
    }
    timeline.addEventListener('change', releaseTimeline);
    document.addEventListener('keydown', (event) => {
      if (event.ctrlKey || event.metaKey || event.altKey) return;
      if (event.target === timeline && event.key.startsWith('Arrow')) return;
      if (event.key === 'Escape' && filled) setFilled(false);
      else if (event.key === ' ') setPaused(playing());
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
    state: () => ({ shown, onCanvas, paused, fast, finished, seed, seeking: seekTarget !== null,
                    fullScreen: fullScreen() }),
    pause: () => setPaused(true),
    // Plays (paused) until frame n is on the canvas, at once.
    seek: (n) => {
      paused = true;
      resumeAfterSeek = false;
      seekTo(n);
      // The first slice may have got there already.
      if (seekTarget !== null) seekSlice(Infinity);
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
    $('seed').textContent = `Seed ${seed}`;
    if (notes.length > 0) {
      $('notice-text').textContent = notes.join(' ');
      $('notice').hidden = false;
    }
    $('notice-close').addEventListener('click', () => { $('notice').hidden = true; fit(); });
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
        // A link to a frame opens paused on it.
        if (frame !== null) {
          paused = true;
          seekTo(frame);
        }
        window.lumenfall.ready = true;
        window.requestAnimationFrame(tick);
      }, (error) => fail(cannotStart, error));
    };
    document.body.appendChild(script);
  }

  start();
}());
