// The core's WebAssembly under Node, taken through the tour of tests/frames_test.cpp (the idle
// screen, the presentation, every frame of each lesson, going back, the comment pages, a lesson
// restarted, the laboratory's runs), each picture's checksum compared with the desktop's own list,
// tests/data/frames.txt. "=" before a name: the same picture as that name in the list. Each
// picture must also be what a page that copies only the rectangles tt_take_dirty names shows.
//   node frames.js CORE.js FRAMES.txt [--dry]
// --dry reports how many frames match the list without failing on them (while the core is a
// stand-in).
'use strict';
const path = require('path');
const fs = require('fs');

const W = 793, H = 553;

// 64-bit FNV-1a over the pixels' 0x00RRGGBB, seeded with the size, as the desktop's Checksum();
// in two 32-bit halves, the low one multiplied in 16-bit pieces (the prime is 2^40 + 0x1b3).
function checksum(rgba, width, height) {
  const words = new Uint32Array(rgba.buffer, rgba.byteOffset, width * height);
  let hi = 0xcbf29ce4 ^ width, lo = 0x84222325 ^ height;
  for (let i = 0; i < words.length; ++i) {
    const v = words[i];  // A B G R, little-endian
    lo ^= ((v & 0xff) << 16) | (v & 0xff00) | ((v >>> 16) & 0xff);
    const t = (lo & 0xffff) * 0x1b3, u = (lo >>> 16) * 0x1b3 + (t >>> 16);
    hi = (Math.imul(hi, 0x1b3) + (u >>> 16) + (lo << 8)) | 0;
    lo = (u << 16) | (t & 0xffff);
  }
  const hex = (x) => (x >>> 0).toString(16).padStart(8, '0');
  return hex(hi) + hex(lo);
}

// The same, written plainly with 64-bit integers: the fast one must agree with it.
function plainChecksum(rgba, width, height) {
  const mask = (1n << 64n) - 1n;
  let h = 0xcbf29ce484222325n ^ (BigInt(width) << 32n) ^ BigInt(height);
  for (let i = 0; i < width * height * 4; i += 4) {
    h = ((h ^ BigInt((rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2])) * 0x100000001b3n) & mask;
  }
  return h.toString(16).padStart(16, '0');
}

// The list: a label, then its checksum (the first one, if a line has more).
function readList(file) {
  const list = new Map();
  for (const line of fs.readFileSync(file, 'utf8').split('\n')) {
    const [label, sum] = line.trim().split(/\s+/);
    if (label && sum) list.set(label, sum);
  }
  return list;
}

const refused = [];  // settings the core did not take

async function fresh(createCore) {
  const m = await createCore();
  m._tt_init();
  const set = m.cwrap('tt_set', 'string', ['string']), rect = m._malloc(16);
  return {
    tick: (n = 1) => { for (let i = 0; i < n; ++i) m._tt_tick(); },
    select: m._tt_select, comments: m._tt_comments, goto: m._tt_goto, end: m._tt_end,
    back: m._tt_step_back,
    set: (s) => { const e = set(s); if (e) refused.push(`${s} (${e})`); },
    picture: () => new Uint8Array(m.HEAPU8.buffer, m._tt_picture_rgba(), W * H * 4),
    shown: new Uint8Array(W * H * 4),  // the picture as the page has it
    // Copies into `shown` what changed since the last call, as the page does.
    update() {
      m._tt_take_dirty(rect);
      const [x, y, w, h] = m.HEAP32.subarray(rect >> 2, (rect >> 2) + 4);
      const picture = this.picture();
      for (let row = y; row < y + h; ++row) {
        this.shown.set(picture.subarray((row * W + x) * 4, (row * W + x + w) * 4), (row * W + x) * 4);
      }
    },
  };
}

const label = (scene, k) => `${scene}/${String(k).padStart(3, '0')}`;

function jumps(c, scene, frame) {
  for (const k of [1, 2, 73, 130, 131, 158]) c.goto(k), frame(label('=' + scene, k));
  c.end();
  frame(label('=' + scene, 159));
  c.back();
  frame(label('=' + scene, 158));
  c.end();
}

function tour(c, frame) {
  frame('design');
  for (let k = 1; k <= 2; ++k) c.tick(), frame(label('idle', k));
  c.select(0);
  frame('0/start');
  for (let k = 1; k <= 2; ++k) c.tick(), frame(label('0', k));
  for (let item = 1; item <= 6; ++item) {
    c.select(item);
    frame(`${item}/start`);
    for (let k = 1; k <= 159; ++k) c.tick(), frame(label(item, k));
    c.tick(2);
    frame(`${item}/after`);
    jumps(c, item, frame);
    if (item >= 3) c.comments(), frame(`${item}/comments`);
  }
  c.select(5);
  for (let k = 1; k <= 159; ++k) c.tick(), frame(label('5again', k));
  jumps(c, '5again', frame);
  c.select(2);
  c.tick(70);
  c.select(2);
  for (let k = 1; k <= 5; ++k) c.tick(), frame(label('2restart', k));
  c.select(0);
  c.tick();
  frame('0/after-lessons');
}

function laboratory(c, frame) {
  const run = (scene, settings, all) => {
    settings.forEach(c.set);
    c.select(7);
    for (let k = 1; k <= 159; ++k) {
      if (k === 80 && scene === 'step') c.set('G=40');
      c.tick();
      if (all || k === 1 || k === 80 || k === 159) frame(label('lab-' + scene, k));
    }
  };
  run('step', ['G=16.34', 'amplitude=0.5', 'Usat=off'], true);
  jumps(c, 'lab-step', frame);
  run('again', ['G=2'], true);
  run('cycle', ['G=321', 'amplitude=2', 'Usat=12'], true);
  run('deadzone', ['G=4', 'U0=1'], false);
  run('ramp', ['forme=rampe', 'U0=off', 'G=16.34'], false);
  run('sine', ['forme=sinus', 'frequence=20'], false);
  run('trapezoid', ['forme=trapeze', 'Usat=off'], false);
}

async function main() {
  const [coreFile, listFile] = process.argv.slice(2);
  const dry = process.argv.includes('--dry');
  const sample = Uint8Array.from({ length: 37 * 23 * 4 }, (_, i) => (i * 2654435761) >>> 13);
  if (checksum(sample, 37, 23) !== plainChecksum(sample, 37, 23)) {
    throw new Error('la somme de contrôle rapide ne donne pas celle des 64 bits');
  }
  const list = readList(listFile);
  const createCore = require(path.resolve(coreFile));
  const started = Date.now();
  const seen = new Set(), differ = [], stale = [];
  let c, compared = 0;
  const frame = (name) => {
    ++compared;
    const same = name.startsWith('=');
    const entry = same ? name.slice(1) : name;
    if (!same) seen.add(entry);
    if (list.get(entry) !== checksum(c.picture(), W, H)) differ.push(name);
    c.update();
    if (Buffer.compare(c.shown, c.picture()) !== 0) stale.push(name);
  };
  c = await fresh(createCore);
  tour(c, frame);
  c = await fresh(createCore);  // the laboratory from start-up, in a window of its own
  c.tick(2);
  laboratory(c, frame);
  const missing = [...list.keys()].filter((l) => !seen.has(l));
  console.log(`${compared} images comparées à ${list.size} sommes de la liste : ${differ.length} ` +
    `différente(s) ou absente(s) de la liste, ${missing.length} de la liste jamais montrée(s), ` +
    `${refused.length} réglage(s) refusé(s) (${((Date.now() - started) / 1000).toFixed(1)} s)`);
  if (differ.length) console.log(`  les premières : ${differ.slice(0, 12).join(' ')}`);
  if (stale.length) {
    console.log(`ÉCHEC : ${stale.length} image(s) mal recopiée(s) par les rectangles de tt_take_dirty, ` +
      `la première ${stale[0]}`);
    process.exitCode = 1;
  }
  if (refused.length) console.log(`  réglages refusés : ${[...new Set(refused)].slice(0, 4).join(' ; ')}`);
  if (dry) return console.log('(à blanc : les différences avec la liste ne font pas échouer)');
  if (differ.length || missing.length || refused.length) process.exit(1);
}

main().catch((e) => {
  console.error(`ÉCHEC : ${e.message}`);
  process.exit(1);
});
