// The core's tick as WebAssembly under Node, for the same rows as tick_bench: the idle screen,
// the presentation, each lesson and the laboratory at frames 5, 80 and 150 (the lesson brought to
// the frame before by tt_goto, then one tick timed), the mean tick of a whole lesson, and « Fin »
// from frame 80. Printed beside tick_bench's own figures when its CSV is given.
//   node bench/wasm_tick.js CORE.js [--native TICK_BENCH.csv] [--reps N]
// The browser's shell adds the copy of the changed rectangle into the canvas, not counted here;
// the native tick counts the window's repaint.
'use strict';
const fs = require('fs');
const path = require('path');

const scenes = [['idle', -1], ['presentation', 0], ['open_loop', 1], ['low_gain', 2],
  ['high_gain', 3], ['instability', 4], ['trapezoid', 5], ['non_linear', 6], ['laboratory', 7]];
const arg = (name, fallback) => {
  const i = process.argv.indexOf(name);
  return i > 0 ? process.argv[i + 1] : fallback;
};
const reps = Number(arg('--reps', 9));
const now = () => Number(process.hrtime.bigint()) / 1e6;
const median = (xs) => [...xs].sort((a, b) => a - b)[xs.length >> 1];

// tick_bench's CSV: median rows, the frame in the name (tick/low_gain/k:80), or whole lessons
// (tick/low_gain/all, per tick in wall_ms) and « Fin » (end/low_gain).
function nativeTimes(file) {
  const times = new Map();
  if (!file) return times;
  const lines = fs.readFileSync(file, 'utf8').split('\n').filter((l) => l.startsWith('"'));
  const head = fs.readFileSync(file, 'utf8').split('\n').find((l) => l.startsWith('name,')).split(',');
  for (const line of lines) {
    const cells = line.split(',');
    const name = cells[0].replace(/"/g, '');
    if (!name.endsWith('_median')) continue;
    const key = name.replace(/_median$/, '').replace(/\/(min_time:[0-9.]+|manual_time)/g, '').replace('k:', '');
    const column = /\/all$/.test(key) ? head.indexOf('wall_ms') : head.indexOf('real_time');
    const unit = { ns: 1e-6, us: 1e-3, ms: 1 }[cells[head.indexOf('time_unit')]] || 1;
    times.set(key, Number(cells[column]) * (/\/all$/.test(key) ? 1 : unit));
  }
  return times;
}

async function main() {
  const core = await require(path.resolve(process.argv[2]))();
  const fresh = (item) => {
    core._tt_init();
    for (let i = 0; i < 2; ++i) core._tt_tick();
    if (item >= 0) core._tt_select(item);
  };
  const rows = [];
  for (const [name, item] of scenes) {
    fresh(item);
    if (item <= 0) {
      const t = [];
      for (let i = 0; i < 50 * reps; ++i) {
        const t0 = now();
        core._tt_tick();
        t.push(now() - t0);
      }
      rows.push([`tick/${name}`, '-', median(t)]);
      continue;
    }
    for (const k of [5, 80, 150]) {
      const t = [];
      for (let i = 0; i < 5 * reps; ++i) {
        core._tt_goto(k - 1);
        const t0 = now();
        core._tt_tick();
        t.push(now() - t0);
      }
      rows.push([`tick/${name}/${k}`, k, median(t)]);
    }
    const lesson = [], end = [];
    for (let i = 0; i < reps; ++i) {
      core._tt_select(item);
      const t0 = now();
      for (let f = 1; f <= 159; ++f) core._tt_tick();
      lesson.push((now() - t0) / 159);
      core._tt_goto(80);
      const t1 = now();
      core._tt_end();
      end.push(now() - t1);
    }
    rows.push([`tick/${name}/all`, 'all', median(lesson)]);
    rows.push([`end/${name}`, 'Fin', median(end)]);
  }
  const native = nativeTimes(arg('--native'));
  console.log('| scene          | frame | native (ms) | WebAssembly (ms) | ratio |');
  console.log('|----------------|-------|-------------|------------------|-------|');
  for (const [key, frame, wasm] of rows) {
    const n = native.get(key);
    const scene = key.split('/')[1];
    console.log(`| ${scene.padEnd(14)} | ${String(frame).padStart(5)} | ${n === undefined ? '          -' : n.toFixed(3).padStart(11)} ` +
      `| ${wasm.toFixed(3).padStart(16)} | ${n === undefined ? '    -' : (wasm / n).toFixed(2).padStart(5)} |`);
  }
}

main().catch((e) => {
  console.error(`ÉCHEC : ${e.message}`);
  process.exit(1);
});
