// Renders the page's link-preview picture and its favicon with the page's
// own module under Node: one frame of a fixed run, played exactly as the
// page plays it, written as PNG. A preview then shows what a visitor will
// see, and changes whenever the demo's pictures do.
//
// Usage: node render_share_images.js DIST_DIR SEED PREVIEW_FRAME ICON_FRAME
//   writes DIST_DIR/share.png (PREVIEW_FRAME at twice its size, square
//   pixels kept) and DIST_DIR/favicon.png (32 x 32, averaged from the middle
//   of ICON_FRAME). Frames count from 1, as the page's counter does.
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const WIDTH = 320;
const HEIGHT = 240;
const PREVIEW_SCALE = 2;
const ICON_SIZE = 32;
// The favicon averages this square from the middle of the frame, where
// the demo keeps its cube.
const ICON_SOURCE = 160;

function fail(text) {
  console.error(`render_share_images: ${text}`);
  process.exit(1);
}

const CRC_TABLE = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

function crc32(bytes) {
  let c = 0xFFFFFFFF;
  for (const b of bytes) c = CRC_TABLE[(c ^ b) & 0xFF] ^ (c >>> 8);
  return (c ^ 0xFFFFFFFF) >>> 0;
}

function chunk(type, data) {
  const out = Buffer.alloc(12 + data.length);
  out.writeUInt32BE(data.length, 0);
  out.write(type, 4, 'ascii');
  data.copy(out, 8);
  out.writeUInt32BE(crc32(out.subarray(4, 8 + data.length)), 8 + data.length);
  return out;
}

// An 8-bit RGB PNG. Each row is filtered "up" (the difference to the row
// above), which turns a row repeated by scaling into zeros.
function encodePng(width, height, rgb) {
  const stride = width * 3;
  const filtered = Buffer.alloc((stride + 1) * height);
  for (let y = 0; y < height; y++) {
    const row = y * (stride + 1);
    filtered[row] = y === 0 ? 0 : 2;
    for (let x = 0; x < stride; x++) {
      const above = y === 0 ? 0 : rgb[(y - 1) * stride + x];
      filtered[row + 1 + x] = (rgb[y * stride + x] - above) & 0xFF;
    }
  }
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header[8] = 8; // bits per channel
  header[9] = 2; // RGB
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A]),
    chunk('IHDR', header),
    chunk('IDAT', zlib.deflateSync(filtered, { level: 9 })),
    chunk('IEND', Buffer.alloc(0)),
  ]);
}

function scaled(rgba, scale) {
  const width = WIDTH * scale;
  const rgb = Buffer.alloc(width * HEIGHT * scale * 3);
  for (let y = 0; y < HEIGHT * scale; y++) {
    for (let x = 0; x < width; x++) {
      const from = (Math.floor(y / scale) * WIDTH + Math.floor(x / scale)) * 4;
      rgb.set(rgba.subarray(from, from + 3), (y * width + x) * 3);
    }
  }
  return { width, height: HEIGHT * scale, rgb };
}

function icon(rgba) {
  const block = ICON_SOURCE / ICON_SIZE;
  const left = (WIDTH - ICON_SOURCE) / 2;
  const top = (HEIGHT - ICON_SOURCE) / 2;
  const rgb = Buffer.alloc(ICON_SIZE * ICON_SIZE * 3);
  for (let y = 0; y < ICON_SIZE; y++) {
    for (let x = 0; x < ICON_SIZE; x++) {
      for (let c = 0; c < 3; c++) {
        let sum = 0;
        for (let dy = 0; dy < block; dy++) {
          for (let dx = 0; dx < block; dx++) {
            sum += rgba[((top + y * block + dy) * WIDTH + left + x * block + dx) * 4 + c];
          }
        }
        rgb[(y * ICON_SIZE + x) * 3 + c] = Math.round(sum / (block * block));
      }
    }
  }
  return { width: ICON_SIZE, height: ICON_SIZE, rgb };
}

const [dist, seedText, ...frameTexts] = process.argv.slice(2);
if (!dist || !/^\d+$/.test(seedText || '') || frameTexts.length !== 2 ||
    !frameTexts.every((text) => /^\d+$/.test(text))) {
  fail('usage: node render_share_images.js DIST_DIR SEED PREVIEW_FRAME ICON_FRAME');
}
const createLumenfall = require(path.resolve(dist, 'lumenfall.js'));
createLumenfall({ wasmBinary: fs.readFileSync(path.resolve(dist, 'lumenfall.wasm')) }).then((m) => {
  const total = m._lf_total_frames();
  const wanted = frameTexts.map((text) => Number(text) - 1);
  for (const n of wanted) {
    if (n < 0 || n >= total) fail(`frame ${n + 1} is not one of the run's 1 to ${total}`);
  }
  // One run from the start, pictures converted only where they are kept.
  const pictures = new Map();
  m._lf_start(Number(seedText) >>> 0, 0);
  m._lf_picture_from(Math.min(...wanted));
  while (pictures.size < new Set(wanted).size) {
    while (m._lf_queue_length() === 0) {
      if (!m._lf_play_frame()) fail('the run ended before the frames asked for');
    }
    const n = m._lf_queue_front_number();
    if (wanted.includes(n)) {
      if (!m._lf_queue_front_has_picture()) fail(`frame ${n + 1} came without its picture`);
      const at = m._lf_queue_front_rgba();
      pictures.set(n, Buffer.from(m.HEAPU8.subarray(at, at + WIDTH * HEIGHT * 4)));
    }
    m._lf_queue_pop();
  }
  const images = [['share.png', scaled(pictures.get(wanted[0]), PREVIEW_SCALE)],
                  ['favicon.png', icon(pictures.get(wanted[1]))]];
  for (const [name, image] of images) {
    fs.writeFileSync(path.join(dist, name), encodePng(image.width, image.height, image.rgb));
  }
}).catch((error) => fail(`the module failed: ${error}`));
