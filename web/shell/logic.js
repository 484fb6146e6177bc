// What the page decides without a browser: the link's parameters and what they start, the keys,
// the status line, the speed steps and the gain slider's scale. Loaded as a plain script in the
// page (window.TTLogic) and with require() by the tests under Node.
(function (root) {
  'use strict';

  const kFrames = 159;
  const kSpeed = { min: 20, max: 200, step: 10 };
  const kZooms = ['fit', '1', '2'];

  function quote(s) {
    return '« ' + s + ' »';
  }

  // The link's query (`?scene=3&frame=159&set=G:16.34,Usat:off&comments&zoom=1`). A bad
  // parameter is left out with a French message; the others still apply.
  function parseLink(search) {
    const link = { scene: null, frame: null, set: [], comments: false, zoom: null, errors: [] };
    const params = new URLSearchParams(search);
    const bad = (what, value, expected) =>
      link.errors.push(`Lien : ${what} invalide, ${quote(value)} (attendu : ${expected}).`);
    for (const [name, value] of params) {
      if (name === 'scene') {
        if (/^[0-7]$/.test(value)) link.scene = Number(value);
        else bad('scène', value, 'un nombre de 0 à 7');
      } else if (name === 'frame') {
        const n = /^\d{1,4}$/.test(value) ? Number(value) : 0;
        if (n >= 1 && n <= kFrames) link.frame = n;
        else bad('image', value, `un nombre de 1 à ${kFrames}`);
      } else if (name === 'set') {
        for (const item of value.split(',')) {
          const m = /^\s*([A-Za-z0-9]+)\s*[:=]\s*(\S+)\s*$/.exec(item);
          if (m) link.set.push(`${m[1]}=${m[2]}`);
          else bad('réglage', item, 'NOM:VALEUR, par exemple G:16.34');
        }
      } else if (name === 'comments') {
        if (['', '1', 'oui'].includes(value)) link.comments = true;
        else if (value !== '0' && value !== 'non') bad('comments', value, 'rien, 1 ou 0');
      } else if (name === 'zoom') {
        if (value === '1' || value === '2') link.zoom = value;
        else bad('zoom', value, '1 ou 2');
      } else {
        link.errors.push(
          `Lien : paramètre inconnu ${quote(name)} (attendus : scene, frame, set, comments, zoom).`);
      }
    }
    if (link.frame !== null && !(link.scene >= 1)) {
      link.errors.push('Lien : « frame » demande une leçon ou le laboratoire (scene=1 à 7).');
      link.frame = null;
    }
    return link;
  }

  // What the program does at start for a link: the core's calls in order, and whether it starts
  // paused (a frame asked for is shown still).
  function startPlan(link) {
    const calls = link.set.map((s) => ['set', s]);
    if (link.scene !== null) calls.push(['select', link.scene]);
    if (link.frame !== null) calls.push(['goto', link.frame]);
    if (link.comments) calls.push(['comments']);
    return { calls, paused: link.frame !== null };
  }

  // The desktop's keys. `target` is the kind of element that has the focus: 'text' (a value
  // box), 'list', 'range' (the speed bar, the gain slider), 'check', 'page' (a scrolled page),
  // 'button' or 'none'. The keys such an element needs for itself stay its own. Returns the
  // action ({do: NAME, item: N}) or null.
  const kOwnKeys = {
    text: /^(.|Arrow.*|Home|End|Backspace|Delete)$/,
    list: /^( |Arrow.*|Home|End|PageUp|PageDown)$/,
    range: /^(Arrow.*|Home|End|PageUp|PageDown)$/,
    page: /^(Arrow.*|Home|End|PageUp|PageDown)$/,
    check: /^ $/,
  };
  const kKeys = {
    ' ': 'pause', ArrowRight: 'forward', ArrowLeft: 'back', Home: 'start', End: 'end',
    F5: 'restart', '+': 'faster', '-': 'slower', F11: 'fullscreen',
  };
  function keyAction(key, mods, target) {
    if (mods.ctrl || mods.alt || mods.meta) return null;
    const own = kOwnKeys[target];
    if (own && own.test(key)) return null;
    if (/^[0-7]$/.test(key)) return { do: 'select', item: Number(key) };
    return kKeys[key] ? { do: kKeys[key] } : null;
  }

  // The speed bar's position (the period of a lesson's frames, ms); the timer's own period
  // (state.interval) may differ from it, on the idle screen.
  function speedOf(state) {
    const bar = (state.controls || []).find((c) => c.name === 'ScrollBar1');
    return bar ? bar.value : state.interval;
  }

  // « scene · image 73 / 159 · 60 ms · en pause », as the desktop's status bar.
  function statusText(state, paused) {
    const parts = [state.sceneName];
    if (state.frames > 0) parts.push(`image ${state.frame} / ${state.frames}`);
    parts.push(`${speedOf(state)} ms`);
    if (paused) parts.push('en pause');
    return parts.join(' · ');
  }

  // The speed bar's position after « + » (faster: a shorter period) or « − ».
  function nextSpeed(position, faster) {
    const next = position + (faster ? -kSpeed.step : kSpeed.step);
    return Math.min(kSpeed.max, Math.max(kSpeed.min, next));
  }

  // The gain slider: 0 to 400 steps over four decades, from 0.1 to 1000, as on the desktop.
  function gainAt(step) {
    return Math.pow(10, -1 + step / 100);
  }
  function stepOf(gain) {
    return Math.min(400, Math.max(0, Math.round(100 * (Math.log10(gain) + 1))));
  }

  // The laboratory's settings as the core lists them ("G=16.34", "Usat=off"...), by name.
  function settingsByName(list) {
    const out = {};
    for (const s of list) {
      const eq = s.indexOf('=');
      if (eq > 0) out[s.slice(0, eq)] = s.slice(eq + 1);
    }
    return out;
  }

  // The largest scale at which the drawing fits the room (its actual size if the room is
  // unknown), or the zoom asked for.
  function scaleFor(zoom, width, height) {
    if (zoom === '1' || zoom === '2') return Number(zoom);
    if (!(width > 0 && height > 0)) return 1;
    return Math.max(0.25, Math.min(width / 793, height / 553));
  }

  const api = {
    parseLink, startPlan, keyAction, speedOf, statusText, nextSpeed, gainAt, stepOf, settingsByName,
    scaleFor, kFrames, kSpeed, kZooms,
  };
  if (typeof module === 'object' && module.exports) module.exports = api;
  else root.TTLogic = api;
})(this);
