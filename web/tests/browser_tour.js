// The page in a real browser: headless Chromium driven through its DevTools protocol on a pipe
// (--remote-debugging-pipe: JSON messages ended by NUL, ours on fd 3, its own on fd 4), with the
// network off. It opens the file from disk, times the first picture, plays a lesson with the mouse
// and the keys, opens a comment page, changes a setting of the laboratory, follows links with good
// and bad parameters, and compares the canvas with a PNG: the desktop's --snapshot of the same
// frame when TT_DESKTOP names the desktop program, else the page's own PNG export.
//   node browser_tour.js FILE.html [--dry] [--screenshot OUT.png]
// --dry reports the pixels that differ from the desktop's instead of failing on them.
'use strict';
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const file = path.resolve(process.argv[2] || 'build-web/table-tracante.html');
const dry = process.argv.includes('--dry');
const shotAt = process.argv.indexOf('--screenshot');
const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'ÉCHEC'} ${what}`);
  if (!ok) failures.push(what);
}

// Chromium and one page of it, as a DevTools client.
function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tt-chromium-'));
  const child = spawn(process.env.TT_CHROMIUM || 'chromium', [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--remote-debugging-pipe', '--window-size=1280,800', `--user-data-dir=${profile}`, 'about:blank',
  ], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
  let log = '';
  child.stderr.on('data', (d) => { log = (log + d).slice(-4000); });
  const pending = new Map(), listeners = [];
  let next = 0, buffer = '', session;
  child.stdio[4].on('data', (chunk) => {
    const parts = (buffer + chunk).split('\0');
    buffer = parts.pop();
    for (const text of parts) {
      const m = JSON.parse(text);
      if (m.id !== undefined && pending.has(m.id)) {
        const [resolve, reject] = pending.get(m.id);
        pending.delete(m.id);
        if (m.error) reject(new Error(`${m.error.message} ${m.error.data || ''}`));
        else resolve(m.result);
      } else if (m.method) {
        for (const f of listeners) f(m);
      }
    }
  });
  const exited = new Promise((resolve) => child.on('exit', resolve));
  const send = (method, params = {}, toPage = true) => new Promise((resolve, reject) => {
    const id = ++next;
    pending.set(id, [resolve, reject]);
    const m = { id, method, params };
    if (toPage) m.sessionId = session;
    child.stdio[3].write(JSON.stringify(m) + '\0');
  });
  const browser = {
    send, on: (f) => listeners.push(f),
    async attach() {
      const { targetInfos } = await send('Target.getTargets', {}, false);
      const target = targetInfos.find((t) => t.type === 'page');
      ({ sessionId: session } = await send('Target.attachToTarget',
        { targetId: target.targetId, flatten: true }, false));
    },
    async evaluate(expression) {
      const r = await send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
      if (r.exceptionDetails) throw new Error(`${expression}: ${r.exceptionDetails.text}`);
      return r.result.value;
    },
    async until(expression, what, ms = 5000) {
      const end = Date.now() + ms;
      for (;;) {
        const v = await browser.evaluate(expression).catch(() => null);  // a page still loading
        if (v) return v;
        if (Date.now() > end) throw new Error(`délai dépassé : ${what}`);
        await new Promise((r) => setTimeout(r, 15));
      }
    },
    async close() {
      send('Browser.close', {}, false).catch(() => {});
      const timeout = setTimeout(() => child.kill('SIGKILL'), 5000);
      await exited;
      clearTimeout(timeout);
      fs.rmSync(profile, { recursive: true, force: true });
    },
    log: () => log,
  };
  return browser;
}

// A PNG's pixels as RGBA (8-bit grey, RGB, palette or RGBA, not interlaced).
function decodePng(bytes) {
  let at = 8, width, height, depth, type, palette, idat = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at), kind = bytes.toString('latin1', at + 4, at + 8);
    const data = bytes.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') [width, height, depth, type] = [data.readUInt32BE(0), data.readUInt32BE(4), data[8], data[9]];
    if (kind === 'PLTE') palette = data;
    if (kind === 'IDAT') idat.push(data);
    at += 12 + length;
  }
  const channels = { 0: 1, 2: 3, 3: 1, 6: 4 }[type];
  if (depth !== 8 || !channels) throw new Error(`PNG non pris en charge (type ${type}, ${depth} bits)`);
  const raw = zlib.inflateSync(Buffer.concat(idat)), stride = width * channels;
  const rows = Buffer.alloc(stride * height), out = Buffer.alloc(width * height * 4);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? rows[y * stride + i - channels] : 0, b = y > 0 ? rows[(y - 1) * stride + i] : 0;
      const c = i >= channels && y > 0 ? rows[(y - 1) * stride + i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predictor = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      rows[y * stride + i] = (line[i] + predictor) & 0xff;
    }
  }
  for (let i = 0; i < width * height; ++i) {
    const s = rows.subarray(i * channels, (i + 1) * channels);
    const rgb = type === 3 ? palette.subarray(s[0] * 3, s[0] * 3 + 3) : channels < 3 ? [s[0], s[0], s[0]] : s;
    out.set([rgb[0], rgb[1], rgb[2], channels === 4 ? s[3] : 255], i * 4);
  }
  return { width, height, rgba: out };
}

// Where the two pictures must agree: the drawing under the title, above the controls (none of
// them is there at the frame compared: a lesson's last, its comment page open).
const kArea = { x: 0, y: 24, w: 793, h: 350 };

async function canvasArea(b) {
  const { x, y, w, h } = kArea;
  return Buffer.from(await b.evaluate(`(() => {
    const d = document.getElementById('picture').getContext('2d').getImageData(${x}, ${y}, ${w}, ${h}).data;
    let s = ''; for (let i = 0; i < d.length; i += 8192) s += String.fromCharCode(...d.subarray(i, i + 8192));
    return btoa(s); })()`), 'base64');
}

function differences(png, area) {
  let n = 0;
  for (let y = 0; y < kArea.h; ++y) {
    for (let x = 0; x < kArea.w; ++x) {
      const i = ((kArea.y + y) * png.width + kArea.x + x) * 4, j = (y * kArea.w + x) * 4;
      if (png.rgba[i] !== area[j] || png.rgba[i + 1] !== area[j + 1] || png.rgba[i + 2] !== area[j + 2]) ++n;
    }
  }
  return n;
}

async function main() {
  const b = launch();
  const off = [];
  b.on((m) => {
    if (m.method === 'Network.requestWillBeSent' && !/^(file|data|blob|about):/.test(m.params.request.url)) {
      off.push(m.params.request.url);
    }
    if (m.method === 'Runtime.exceptionThrown') failures.push(`exception : ${m.params.exceptionDetails.text}`);
  });
  try {
    await b.attach();
    for (const m of ['Page.enable', 'Runtime.enable', 'Network.enable']) await b.send(m);
    await b.send('Network.emulateNetworkConditions',
      { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
    const status = () => b.evaluate("document.getElementById('status').textContent");
    const firsts = [];  // the time from each opening of the page to its first picture, ms
    const open = async (query) => {
      await b.send('Page.navigate', { url: 'file://' + file + query });
      firsts.push(Number(await b.until('document.body.dataset.firstPicture', 'la première image', 10000)));
    };
    const key = async (k) => {
      const [code, vk] = { ' ': ['Space', 32], ArrowLeft: ['ArrowLeft', 37], ArrowRight: ['ArrowRight', 39],
        Home: ['Home', 36], End: ['End', 35], F5: ['F5', 116], '+': ['NumpadAdd', 107],
        '-': ['NumpadSubtract', 109], 7: ['Digit7', 55], Tab: ['Tab', 9] }[k];
      const text = k.length === 1 ? k : undefined;
      await b.send('Input.dispatchKeyEvent', { type: 'keyDown', key: k, code, windowsVirtualKeyCode: vk, text });
      await b.send('Input.dispatchKeyEvent', { type: 'keyUp', key: k, code, windowsVirtualKeyCode: vk });
    };
    const click = async (selector) => {
      const [x, y] = await b.evaluate(`(() => { const e = document.querySelector(${JSON.stringify(selector)});
        e.scrollIntoView({ block: 'nearest' });
        const r = e.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()`);
      for (const type of ['mousePressed', 'mouseReleased']) {
        await b.send('Input.dispatchMouseEvent', { type, x, y, button: 'left', clickCount: 1 });
      }
    };
    // Waits until the expression holds in the page (or a deadline passes), and says which.
    const expect = async (expression, what) => {
      try {
        await b.until(expression, what, 3000);
        check(true, what);
      } catch (e) {
        check(false, `${what} (barre d'état : « ${await status()} »)`);
      }
    };
    const statusIs = (re, what) => expect(`${re}.test(document.getElementById('status').textContent)`, what);

    // The idle screen, from disk, the network off.
    await open('');
    await statusIs(/^Accueil · \d+ ms$/, 'l\'accueil');

    // A lesson: chosen in the list, started with the button, played and stepped back by keys.
    await click('#ListBox1 option:nth-child(4)');
    await click('#Button1');
    await statusIs(/^Rép\. Ind\. en Boucle Fermée \(G:grand\) · image \d+ \/ 159 · 60 ms$/, 'la leçon 3 jouée');
    await key(' ');
    await statusIs(/en pause$/, 'Espace : en pause');
    await key('End');
    await statusIs(/image 159 \/ 159/, 'Fin : la dernière image');
    await key('ArrowLeft');
    await statusIs(/image 158 \/ 159 · 60 ms · en pause/, '← : une image en arrière');
    await key('Home');
    await key('ArrowRight');
    await statusIs(/image 2 \/ 159 · 60 ms · en pause/, 'Début puis → : la deuxième image');
    await key('+');
    await statusIs(/ 50 ms · en pause/, '+ : plus vite');
    await key('-');
    await key('-');
    await statusIs(/ 70 ms · en pause/, '− : plus lent');
    await key('F5');
    await statusIs(/^Rép\. Ind\. en Boucle Fermée \(G:grand\) · image \d+ \/ 159 · 70 ms$/, 'F5 : la leçon recommencée');
    const reloaded = await b.evaluate('performance.getEntriesByType("navigation").length === 1 && !!document.getElementById("ListBox1")');
    check(reloaded, 'F5 ne recharge pas la page');

    // Its comment page, from the button the lesson's end makes.
    await key(' ');
    await key('End');
    await b.until("document.querySelector('#B1:not([hidden])')", 'le bouton de commentaire');
    await click('#B1');
    const page = await b.until("(e => e && !e.hidden && e.textContent)(document.getElementById('RichEdit2'))", 'la page de commentaire');
    check(page.length > 10, `la page de commentaire : « ${page.slice(0, 50)} »`);

    // The laboratory: its panel, and a setting that goes through the core and comes back.
    await key('7');
    await statusIs(/^Laboratoire · image \d+ \/ 159/, '7 : le laboratoire');
    await expect("!document.getElementById('lab').hidden", 'le panneau du laboratoire');
    await click('#gain');
    await b.send('Input.dispatchKeyEvent', { type: 'keyDown', commands: ['selectAll'] });
    await b.send('Input.insertText', { text: '16.34' });
    await key('Tab');
    await expect("document.getElementById('gainSlider').value === '221'", 'G = 16.34 réglé : le curseur suit le cœur');
    await expect("localStorage.getItem('table-tracante.speed') === '70'", 'la vitesse gardée dans localStorage');

    // Links: a lesson's last frame with its page (compared with the desktop), then bad parameters.
    await open('?scene=3&frame=159&comments');
    await statusIs(/image 159 \/ 159 · 70 ms · en pause$/, 'lien : scène 3, image 159, en pause');
    await expect("!document.getElementById('RichEdit2').hidden", 'lien : la page de commentaire ouverte');
    await compare(b);
    if (shotAt > 0) {
      const { data } = await b.send('Page.captureScreenshot', { format: 'png' });
      fs.writeFileSync(process.argv[shotAt + 1], Buffer.from(data, 'base64'));
    }
    await open('?scene=9&frame=x&zoom=3&couleur=1');
    await statusIs(/^Accueil · /, 'lien faux : le programme démarre à l\'accueil');
    const said = await b.evaluate("document.getElementById('messages').textContent");
    check(/scène invalide.*image invalide.*zoom invalide.*paramètre inconnu/s.test(said), `lien faux : les messages (« ${said.slice(0, 60)}… »)`);
    check(off.length === 0, `aucune requête vers le réseau ${off.join(' ')}`);
    // A measure, not a check: the time depends on the machine and on what else it is doing.
    console.log(`  (première image : ${firsts.map(Math.round).join(', ')} ms après l'ouverture du fichier)`);
  } finally {
    await b.close();
  }
  if (failures.length) {
    console.error(`${failures.length} échec(s) :\n  ${failures.join('\n  ')}`);
    process.exit(1);
  }
}

// The canvas against the desktop's picture of the same frame, inside the drawing's free area.
async function compare(b) {
  const area = await canvasArea(b);
  const desktop = process.env.TT_DESKTOP;
  let png, what;
  if (desktop) {
    const out = path.join(os.tmpdir(), `tt-snapshot-${process.pid}.png`);
    execFileSync(desktop, ['--snapshot', out, '--select', '3', '--ticks', '159', '--comments'],
      { env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' } });
    png = decodePng(fs.readFileSync(out));
    fs.rmSync(out);
    what = 'l\'image du programme de bureau (--snapshot)';
  } else {
    const url = await b.evaluate("document.getElementById('picture').toDataURL('image/png')");
    png = decodePng(Buffer.from(url.slice(url.indexOf(',') + 1), 'base64'));
    what = 'le PNG de la page';
  }
  const n = differences(png, area);
  const text = `le dessin (${kArea.w} x ${kArea.h} en ${kArea.x}, ${kArea.y}) contre ${what} : ${n} pixel(s) différent(s)`;
  if (dry && desktop) console.log(`(à blanc) ${text}`);
  else check(n === 0, text);
}

main().catch((e) => {
  console.error(`ÉCHEC : ${e.message}`);
  process.exit(1);
});
