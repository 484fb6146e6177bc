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
const now = () => Number(process.hrtime.bigint()) / 1e6;  // ms, wall clock
const cpu = () => { const u = process.cpuUsage(); return (u.user + u.system) / 1e3; };  // ms
const median = (xs) => [...xs].sort((a, b) => a - b)[xs.length >> 1];

// tick_bench's CSV: the median rows, wall and processor time of one tick in ms; the frame in the
// name (tick/low_gain/k:80), a whole lesson (tick/low_gain/all: per tick in wall_ms and cpu_ms)
// or « Fin » (end/low_gain); the core's alone: core/low_gain/k:80, core/low_gain/all and
// core/low_gain/end.
function nativeTimes(file) {
  const times = new Map();
  if (!file) return times;
  const lines = fs.readFileSync(file, 'utf8').split('\n');
  const head = lines.find((l) => l.startsWith('name,')).replace(/"/g, '').split(',');
  for (const line of lines.filter((l) => l.startsWith('"'))) {
    const cells = line.split(',');
    const name = cells[0].replace(/"/g, '');
    if (!name.endsWith('_median')) continue;
    const key = name.replace(/_median$/, '').replace(/\/(min_time:[0-9.]+|manual_time)/g, '').replace('k:', '');
    const unit = { ns: 1e-6, us: 1e-3, ms: 1, s: 1e3 }[cells[head.indexOf('time_unit')]];
    const column = (c) => Number(cells[head.indexOf(c)]);
    times.set(key, /\/all$/.test(key) ? [column('wall_ms'), column('cpu_ms')]
      : [column('real_time') * unit, column('cpu_time') * unit]);
  }
  return times;
}

// The median wall and processor times of `f` over n runs, each prepared by `before` untimed.
function measure(n, f, before = () => {}, per = 1) {
  const wall = [], work = [];
  for (let i = 0; i < n; ++i) {
    before();
    const c = cpu(), w = now();
    f();
    wall.push((now() - w) / per);
    work.push((cpu() - c) / per);
  }
  return [median(wall), median(work)];
}

async function main() {
  const core = await require(path.resolve(process.argv[2]))();
  const fresh = (item) => {
    core._tt_init();
    for (let i = 0; i < 2; ++i) core._tt_tick();
    if (item >= 0) core._tt_select(item);
  };
  // The engine compiles WebAssembly twice: quickly first, then optimised once a function runs
  // often. Every scene is played once before anything is timed, as a page does in its first
  // seconds, so that the optimised code is what is measured.
  for (const [, item] of scenes) {
    fresh(item);
    for (let f = 0; f < 170; ++f) core._tt_tick();
    if (item >= 1) core._tt_end();
  }
  const rows = [], tick = () => core._tt_tick();
  for (const [name, item] of scenes) {
    fresh(item);
    if (item <= 0) {
      rows.push([`tick/${name}`, '-', measure(50 * reps, tick)]);
      continue;
    }
    for (const k of [5, 80, 150]) {
      rows.push([`tick/${name}/${k}`, k, measure(5 * reps, tick, () => core._tt_goto(k - 1))]);
    }
    const lesson = () => { for (let f = 1; f <= 159; ++f) core._tt_tick(); };
    rows.push([`tick/${name}/all`, 'all', measure(reps, lesson, () => core._tt_select(item), 159)]);
    rows.push([`end/${name}`, 'Fin', measure(reps, () => core._tt_end(), () => core._tt_goto(80))]);
  }
  const native = nativeTimes(arg('--native'));
  const ms = (x) => (x === undefined ? '-' : x.toFixed(3)).padStart(7);
  // The WebAssembly tick is the core's alone: it is compared with the native core's tick (the
  // same work); the desktop's tick, which also repaints the window, is shown beside them.
  console.log('Median times in ms, wall clock / processor; the ratio of the core\'s processor times.');
  console.log('| scene          | frame | desktop wall / CPU | native core wall / CPU | WebAssembly wall / CPU | ratio |');
  console.log('|----------------|-------|--------------------|------------------------|------------------------|-------|');
  for (const [key, frame, [wall, work]] of rows) {
    const [dWall, dWork] = native.get(key) || [];
    const coreKey = key.replace(/^tick\//, 'core/').replace(/^end\/(.*)$/, 'core/$1/end');
    const [nWall, nWork] = native.get(coreKey) || [];
    const ratio = nWork ? (work / nWork).toFixed(2) : '-';
    console.log(`| ${key.split('/')[1].padEnd(14)} | ${String(frame).padStart(5)} | ${ms(dWall)} / ${ms(dWork)}  ` +
      `| ${ms(nWall)} / ${ms(nWork)}      | ${ms(wall)} / ${ms(work)}      | ${ratio.padStart(5)} |`);
  }
}

main().catch((e) => {
  console.error(`ÉCHEC : ${e.message}`);
  process.exit(1);
});
