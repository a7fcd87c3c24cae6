// Runs the web page's module under Node, without a browser: the whole demo
// with a fixed seed, once frame by frame as the page plays it and once with
// the demo's own loops (the renderer running only inside the client's
// waits). Prints one line per mode with the frame count, the command-stream
// digest, the displayed-frame digest and the renderer's error count.
//
// Usage: node node_run.js DIST_DIR SEED
'use strict';
const fs = require('fs');
const path = require('path');

const [dist, seedText] = process.argv.slice(2);
if (!dist || !seedText) {
  console.error('usage: node node_run.js DIST_DIR SEED');
  process.exit(2);
}
const seed = Number(seedText) >>> 0;
const createLumenfall = require(path.resolve(dist, 'lumenfall.js'));

function hex64(m, fn) {
  const hi = m[fn](1) >>> 0;
  const lo = m[fn](0) >>> 0;
  return hi.toString(16).padStart(8, '0') + lo.toString(16).padStart(8, '0');
}

function report(m, mode, seconds) {
  console.log(`${mode}: frames=${m._lf_frames_displayed()} commands=${hex64(m, '_lf_command_digest')}` +
              ` pictures=${hex64(m, '_lf_frame_digest')} errors=${m._lf_renderer_errors()}` +
              ` seconds=${seconds.toFixed(2)}`);
}

createLumenfall({wasmBinary: fs.readFileSync(path.resolve(dist, 'lumenfall.wasm'))}).then((m) => {
  let start = process.hrtime.bigint();
  m._lf_start(seed, 1);
  while (m._lf_play_frame()) {
    while (m._lf_queue_length() > 0) m._lf_queue_pop();
  }
  report(m, 'frames', Number(process.hrtime.bigint() - start) / 1e9);

  start = process.hrtime.bigint();
  m._lf_start(seed, 1);
  m._lf_play_to_end_in_waits();
  report(m, 'waits', Number(process.hrtime.bigint() - start) / 1e9);
}).catch((error) => {
  console.error('the module failed: ' + error);
  process.exit(1);
});
