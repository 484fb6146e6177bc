// The page's own decisions, under Node: links, the start they make, keys, status, speed, zoom
// and the gain slider's scale.   node --test web/tests/
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const L = require('../shell/logic.js');

test('links: what they ask for, and a French message for each bad parameter', () => {
  const none = { scene: null, frame: null, set: [], comments: false, zoom: null };
  const cases = [
    ['', {}, 0],
    ['?scene=3&frame=159&set=G:16.34,amplitude:0.5,Usat:off&comments&zoom=1',
      { scene: 3, frame: 159, set: ['G=16.34', 'amplitude=0.5', 'Usat=off'], comments: true, zoom: '1' }, 0],
    ['?scene=7&set=G=2,%20forme%3Arampe&zoom=2&comments=0', { scene: 7, set: ['G=2', 'forme=rampe'], zoom: '2' }, 0],
    ['?scene=9&frame=x&zoom=3&couleur=1', {}, 4],
    ['?scene=3&frame=160', { scene: 3 }, 1],
    ['?frame=12', {}, 1],
    ['?scene=0&frame=5', { scene: 0 }, 1],
    ['?scene=-1&scene=2', { scene: 2 }, 1],
    ['?set=G16,U0:1&comments=peut-être', { set: ['U0=1'] }, 2],
  ];
  for (const [query, fields, errors] of cases) {
    const link = L.parseLink(query);
    assert.deepStrictEqual({ ...link, errors: undefined }, { ...none, ...fields, errors: undefined }, query);
    assert.strictEqual(link.errors.length, errors, `${query}: ${link.errors}`);
    for (const e of link.errors) assert.match(e, /^Lien : .*(invalide|inconnu|demande)/);
  }
});

test('a link starts with the settings, then the scene, the frame (paused) and the page', () => {
  assert.deepStrictEqual(L.startPlan(L.parseLink('?comments&frame=80&set=G:4&scene=7')), {
    calls: [['set', 'G=4'], ['select', 7], ['goto', 80], ['comments']], paused: true,
  });
  assert.deepStrictEqual(L.startPlan(L.parseLink('?scene=2')), { calls: [['select', 2]], paused: false });
});

test('keys: the desktop\'s, except those the focused element needs', () => {
  const none = {}, ctrl = { ctrl: true };
  const cases = [
    [' ', 'none', 'pause'], [' ', 'button', 'pause'], [' ', 'check', null], [' ', 'list', null],
    ['ArrowRight', 'none', 'forward'], ['ArrowLeft', 'button', 'back'], ['ArrowLeft', 'range', null],
    ['ArrowLeft', 'text', null], ['Home', 'none', 'start'], ['End', 'page', null], ['End', 'none', 'end'],
    ['F5', 'text', 'restart'], ['F11', 'list', 'fullscreen'], ['+', 'none', 'faster'],
    ['-', 'range', 'slower'], ['-', 'text', null], ['7', 'list', 'select'], ['8', 'none', null],
    ['a', 'none', null], ['Enter', 'button', null],
  ];
  for (const [key, target, action] of cases) {
    const a = L.keyAction(key, none, target);
    assert.strictEqual(a && a.do, action, `${key} on ${target}`);
  }
  assert.deepStrictEqual(L.keyAction('0', none, 'none'), { do: 'select', item: 0 });
  assert.strictEqual(L.keyAction('F5', ctrl, 'none'), null);
  assert.strictEqual(L.keyAction('3', { alt: true }, 'none'), null);
});

test('status line, speed steps, zoom and the gain slider', () => {
  const lesson = { sceneName: 'Rép. Ind. en Boucle Fermée (G:grand)', frame: 73, frames: 159, interval: 60 };
  assert.strictEqual(L.statusText(lesson, true), 'Rép. Ind. en Boucle Fermée (G:grand) · image 73 / 159 · 60 ms · en pause');
  assert.strictEqual(L.statusText({ sceneName: 'Accueil', frames: 0, interval: 200 }, false), 'Accueil · 200 ms');
  const bar = { name: 'ScrollBar1', value: 80 };  // the speed bar, whatever the timer's period
  assert.strictEqual(L.statusText({ sceneName: 'Accueil', frames: 0, interval: 20, controls: [bar] }, false), 'Accueil · 80 ms');
  assert.deepStrictEqual([[60, true], [25, true], [20, true], [195, false], [200, false]]
    .map(([p, f]) => L.nextSpeed(p, f)), [50, 20, 20, 200, 200]);
  assert.deepStrictEqual([['1', 0, 0], ['2', 100, 100], ['fit', 1586, 553], ['fit', 793, 1106], ['fit', 0, 0]]
    .map(([z, w, h]) => L.scaleFor(z, w, h)), [1, 2, 1, 1, 1]);
  for (const [step, gain] of [[0, 0.1], [100, 1], [221, 16.218], [400, 1000]]) {
    assert.ok(Math.abs(L.gainAt(step) - gain) < 1e-3 * gain, `step ${step}`);
    assert.strictEqual(L.stepOf(L.gainAt(step)), step);
  }
  assert.deepStrictEqual([16.34, 16.5].map(L.stepOf), [221, 222]);
  assert.strictEqual(L.stepOf(1e6), 400);
  assert.deepStrictEqual(L.settingsByName(['G=16.34', 'Usat=off', 'bad']), { G: '16.34', Usat: 'off' });
});
