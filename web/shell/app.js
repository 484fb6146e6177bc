// The page around the core: it starts the WebAssembly module, plays its ticks on a timer, copies
// what changed of its picture into the canvas, and keeps the window's controls (HTML elements over
// the canvas), the laboratory's panel, the status line and the messages as the core's state
// describes them. The decisions that need no browser are TTLogic's (logic.js).
(function () {
  'use strict';
  const L = window.TTLogic;
  const W = 793, H = 553;
  const $ = (id) => document.getElementById(id);
  const canvas = $('picture');
  const context = canvas.getContext('2d');

  // Remembered between visits (a page opened from disk may have no storage: then nothing is).
  const store = {
    get(key) {
      try { return window.localStorage.getItem('table-tracante.' + key); } catch (e) { return null; }
    },
    set(key, value) {
      try { window.localStorage.setItem('table-tracante.' + key, String(value)); } catch (e) { /* none */ }
    },
  };

  function say(text) {
    const p = document.createElement('p');
    p.textContent = text;
    const close = document.createElement('button');
    close.type = 'button';
    close.textContent = 'Fermer';
    close.setAttribute('aria-label', 'Fermer le message');
    close.onclick = () => p.remove();
    p.appendChild(close);
    const box = $('messages');
    box.appendChild(p);
    while (box.children.length > 4) box.firstChild.remove();
  }

  // Every file the page hands to the user goes out here, as a download.
  function output(name, blob) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }

  let core = null, api = null, state = null, paused = false, timer = 0, zoom = 'fit';
  let dirty = 0;  // 4 ints in the module's memory
  const shown = new Map();  // control name -> [element, the JSON it was last drawn from]

  function bind(module) {
    const c = (name, ret, args) => module.cwrap(name, ret, args);
    return {
      init: c('tt_init', null, []), tick: c('tt_tick', null, []),
      select: c('tt_select', null, ['number']), comments: c('tt_comments', null, []),
      speed: c('tt_set_speed', null, ['number']), goto: c('tt_goto', null, ['number']),
      end: c('tt_end', null, []), back: c('tt_step_back', null, []),
      restart: c('tt_restart', null, []), set: c('tt_set', 'string', ['string']),
      state: c('tt_state_json', 'string', []), page: c('tt_page_html', 'string', ['string']),
      csv: c('tt_csv', 'string', []), results: c('tt_results_json', 'string', []),
    };
  }

  // The part of the picture that changed since the last copy.
  function paint() {
    core._tt_take_dirty(dirty);
    const [x, y, w, h] = core.HEAP32.subarray(dirty >> 2, (dirty >> 2) + 4);
    if (w <= 0 || h <= 0) return;
    const bytes = new Uint8ClampedArray(core.HEAPU8.buffer, core._tt_picture_rgba(), W * H * 4);
    context.putImageData(new ImageData(bytes, W, H), 0, 0, x, y, w, h);
  }

  function targetKind(el) {
    if (!el || el === document.body) return 'none';
    if (el.tagName === 'SELECT') return 'list';
    if (el.tagName === 'TEXTAREA') return 'text';
    if (el.tagName === 'INPUT') {
      if (el.type === 'range') return 'range';
      if (el.type === 'checkbox') return 'check';
      return 'text';
    }
    if (el.classList.contains('page')) return 'page';
    return el.tagName === 'BUTTON' ? 'button' : 'none';
  }

  // One of the window's controls, made the first time the state names it.
  function element(c) {
    let el;
    if (c.kind === 'list') {
      el = document.createElement('select');
      el.size = c.items.length;
      el.setAttribute('aria-labelledby', 'Label3 Label4');
      el.ondblclick = () => start();
    } else if (c.kind === 'button') {
      el = document.createElement('button');
      el.type = 'button';
      el.onclick = c.name === 'Button1' ? () => start() : () => act({ do: 'comments' });
    } else if (c.kind === 'scrollbar') {
      el = document.createElement('input');
      el.type = 'range';
      el.setAttribute('aria-label', 'Réglage vitesse : période de l\'animation en ms');
      el.oninput = () => setSpeed(Number(el.value));
    } else if (c.kind === 'page') {
      el = document.createElement('div');
      el.className = 'page';
      el.tabIndex = 0;
      el.setAttribute('role', 'region');
      el.setAttribute('aria-label', c.name === 'RichEdit1' ? 'Page de présentation' : 'Page de commentaire');
    } else {
      el = document.createElement('div');
      el.className = 'label';
    }
    el.id = c.name;
    el.classList.add('control');
    $('stage').appendChild(el);
    return el;
  }

  function place(c) {
    const json = JSON.stringify(c);
    const known = shown.get(c.name);
    if (known && known[1] === json) return;
    const el = known ? known[0] : element(c);
    const before = known ? JSON.parse(known[1]) : {};
    shown.set(c.name, [el, json]);
    Object.assign(el.style, { left: c.x + 'px', top: c.y + 'px' });
    if (c.w > 0) Object.assign(el.style, { width: c.w + 'px', height: c.h + 'px' });
    if (c.font) {
      el.style.fontSize = c.font.size + 'px';
      el.style.fontWeight = c.font.bold ? 'bold' : 'normal';
    }
    if (c.colour) el.style[c.kind === 'page' ? 'backgroundColor' : 'color'] = c.colour;
    el.hidden = !c.visible;
    el.disabled = c.enabled === false;
    if (c.kind === 'label' || c.kind === 'button') el.textContent = c.text;
    if (c.kind === 'list') {
      if (String(c.items) !== String(before.items)) {
        el.replaceChildren(...c.items.map((t) => new Option(t.trim())));
      }
      if (c.selected !== before.selected) el.selectedIndex = c.selected;
    }
    if (c.kind === 'scrollbar') {
      Object.assign(el, { min: c.min, max: c.max });
      el.value = c.value;
    }
    if (c.kind === 'page' && c.visible && (c.page !== before.page || !before.visible)) {
      el.innerHTML = api.page(c.name);
    }
  }

  function settingsPanel() {
    const lab = $('lab');
    const open = state.scene === 7;
    if (lab.hidden === open) {
      lab.hidden = !open;
      fit();
    }
    if (!open || !state.lab) return;
    const s = L.settingsByName(state.lab.settings || []);
    const put = (id, value) => {
      const el = $(id);
      if (value !== undefined && el !== document.activeElement) el.value = value;
    };
    put('gain', s.G);
    if (s.G !== undefined && $('gainSlider') !== document.activeElement) {
      $('gainSlider').value = L.stepOf(Number(s.G));
    }
    put('shape', s.forme);
    put('amplitude', s.amplitude);
    put('frequency', s.frequence);
    for (const [box, value, id] of [['saturation', s.Usat, 'usat'], ['deadZone', s.U0, 'u0']]) {
      if (value === undefined) continue;
      $(box).checked = value !== 'off';
      $(id).disabled = value === 'off';
      if (value !== 'off') put(id, value);
    }
    $('frequency').disabled = s.forme !== undefined && s.forme !== 'sinus';
  }

  function refresh() {
    paint();
    state = JSON.parse(api.state());
    for (const c of state.controls) place(c);
    for (const [name, [el]] of shown) {
      if (!state.controls.some((c) => c.name === name)) el.remove(), shown.delete(name);
    }
    for (const m of state.messages || []) say(m);
    settingsPanel();
    const status = L.statusText(state, paused);
    $('status').textContent = status;
    canvas.setAttribute('aria-label', 'Dessin de l\'animation : ' + status);
    $('pause').textContent = paused ? 'Reprendre' : 'Pause';
    $('csv').disabled = $('results').disabled = !(state.lab && state.lab.running);
  }

  function schedule() {
    clearTimeout(timer);
    if (!paused) timer = setTimeout(() => { api.tick(); refresh(); schedule(); }, state.interval);
  }

  function setPaused(p) {
    paused = p;
    refresh();
    schedule();
  }

  function setSpeed(position) {
    api.speed(position);
    store.set('speed', position);
    refresh();
    schedule();
  }

  function start() {
    const list = $('ListBox1');
    if (!list || list.selectedIndex < 0) {
      say('Choisissez d\'abord une scène dans le menu, puis « Démarrer l\'Animation ».');
      return;
    }
    act({ do: 'select', item: list.selectedIndex });
  }

  function act(a) {
    switch (a.do) {
      case 'pause': return setPaused(!paused);
      case 'forward': paused = true; api.tick(); return setPaused(true);
      case 'back': paused = true; api.back(); return setPaused(true);
      case 'start': api.goto(1); return refresh();
      case 'end': api.end(); return refresh();
      case 'restart': api.restart(); return setPaused(false);
      case 'select': api.select(a.item); return setPaused(false);
      case 'comments': api.comments(); return refresh();
      case 'faster': return setSpeed(L.nextSpeed(L.speedOf(state), true));
      case 'slower': return setSpeed(L.nextSpeed(L.speedOf(state), false));
      case 'fullscreen': return fullScreen();
    }
  }

  function fullScreen() {
    const request = document.fullscreenElement
      ? document.exitFullscreen()
      : $('app').requestFullscreen && $('app').requestFullscreen();
    Promise.resolve(request).catch(() => say('Le plein écran n\'est pas permis ici.'));
  }

  // The drawing at the zoom chosen, or as large as the room allows.
  function fit() {
    const room = $('room');
    const s = L.scaleFor(zoom, room.clientWidth, room.clientHeight);
    $('stage').style.transform = `scale(${s})`;
    Object.assign($('frame').style, { width: W * s + 'px', height: H * s + 'px' });
  }

  function setZoom(z, remember) {
    zoom = L.kZooms.includes(z) ? z : 'fit';
    $('zoom').value = zoom;
    if (remember) store.set('zoom', zoom);
    fit();
  }

  function pictureBlob() {
    return new Promise((resolve) => canvas.toBlob(resolve, 'image/png'));
  }

  function pictureName() {
    return 'table-tracante-' + (state.scene < 0 ? 'accueil' : 'scene' + state.scene) +
      (state.frames > 0 ? '-image' + state.frame : '') + '.png';
  }

  async function copyPicture() {
    try {
      if (!navigator.clipboard || !window.ClipboardItem) throw new Error('absent');
      await navigator.clipboard.write([new ClipboardItem({ 'image/png': pictureBlob() })]);
      say('Image copiée dans le presse-papiers.');
    } catch (e) {
      say('Ce navigateur ne permet pas de copier l\'image ici : utilisez « Enregistrer l\'image ».');
    }
  }

  function exportText(text, name, type) {
    if (!text) {
      say('Aucune expérience du laboratoire à exporter : lancez d\'abord le laboratoire (touche 7).');
      return;
    }
    output(name, new Blob([text], { type }));
  }

  function labSetting(name, value) {
    const error = api.set(`${name}=${value}`);
    if (error) say(error);
    refresh();
  }

  function wire() {
    const click = (id, f) => { $(id).onclick = f; };
    click('pause', () => act({ do: 'pause' }));
    click('back', () => act({ do: 'back' }));
    click('forward', () => act({ do: 'forward' }));
    click('start', () => act({ do: 'start' }));
    click('end', () => act({ do: 'end' }));
    click('restart', () => act({ do: 'restart' }));
    click('laboratory', () => act({ do: 'select', item: 7 }));
    click('launch', () => act({ do: 'select', item: 7 }));
    click('labPage', () => act({ do: 'comments' }));
    click('fullscreen', fullScreen);
    click('save', async () => output(pictureName(), await pictureBlob()));
    click('copy', copyPicture);
    click('csv', () => exportText(api.csv(), 'laboratoire.csv', 'text/csv'));
    click('results', () => exportText(api.results(), 'laboratoire-resultats.json', 'application/json'));
    $('zoom').onchange = () => setZoom($('zoom').value, true);
    $('gainSlider').oninput = () => {
      $('gain').value = L.gainAt(Number($('gainSlider').value)).toPrecision(3);
    };
    $('gainSlider').onchange = () => labSetting('G', $('gain').value);
    for (const id of ['gain', 'shape', 'amplitude', 'frequency', 'usat', 'u0']) {
      $(id).onchange = () => labSetting($(id).name, $(id).value);
    }
    $('saturation').onchange = () => labSetting('Usat', $('saturation').checked ? $('usat').value : 'off');
    $('deadZone').onchange = () => labSetting('U0', $('deadZone').checked ? $('u0').value : 'off');
    window.addEventListener('resize', fit);
    document.addEventListener('keydown', (e) => {
      const a = L.keyAction(e.key, { ctrl: e.ctrlKey, alt: e.altKey, meta: e.metaKey },
        targetKind(document.activeElement));
      if (!a) return;
      e.preventDefault();
      act(a);
    });
  }

  async function main() {
    const link = L.parseLink(window.location.search);
    wire();
    setZoom(link.zoom || store.get('zoom') || 'fit', false);
    if (typeof WebAssembly !== 'object') throw new Error('ce navigateur ne connaît pas WebAssembly');
    core = await window.createCore();
    api = bind(core);
    dirty = core._malloc(16);
    api.init();
    const speed = Number(store.get('speed'));
    if (speed >= L.kSpeed.min && speed <= L.kSpeed.max) api.speed(speed);
    for (const e of link.errors) say(e);
    const plan = L.startPlan(link);
    for (const [call, arg] of plan.calls) {
      const error = call === 'set' ? api.set(arg) : api[call](arg);
      if (call === 'set' && error) say('Lien : ' + error);
    }
    paused = plan.paused;
    if (!paused) api.tick();
    refresh();
    // The first picture is on the canvas: the tests read the time from the page's opening.
    document.body.dataset.firstPicture = performance.now().toFixed(1);
    schedule();
  }

  main().catch((e) => {
    $('status').textContent = 'Le programme n\'a pas pu démarrer : ' + (e && e.message ? e.message : e);
  });
})();
