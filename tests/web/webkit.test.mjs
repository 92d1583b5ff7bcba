// The web edition's page in WebKitGTK (the engine of Safari, an iPhone's
// browser among them), through WebDriver (webkit.mjs): the headless host's
// pixels at each screen size, a whole game to a name kept across reloads with
// a second tab saving nothing, the keypad under a pointer, a hidden window
// pausing the game, full screen, the page without the features a browser may
// lack, the game played offline from the service worker's cache, the table
// saved as a file and loaded from one, and the screen kept on while a game
// runs.
// Skipped only where WebKitWebDriver is not installed. Run by scripts/test-web.
//
// What WebDriver cannot send WebKitGTK: touches. WebKitWebDriver takes the
// Actions API's pointer type "touch" but WebKitGTK synthesizes a mouse for it
// (pointerType "mouse", no touch events), and the page reports no touch
// points, so the page's touch-only ways (the phone's own keyboard for the name,
// the keypad shown at once) are the chromium tests' alone. Nor can it freeze a
// tab (WebKit has no freeze event), so closing on a freeze is theirs too.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { Key } from 'selenium-webdriver';
import input from 'selenium-webdriver/lib/input.js';
import { serve } from '../../host/web/serve.mjs';
import { canvasHash, pixelsDiffering } from './probes.mjs';
import { absent, here, root, native, startWebKit, stopWebKit, recordConsole, linesOf } from './webkit.mjs';

const STORAGE_KEY = 'quarvel/settings.reg';
const only = { skip: absent ?? false, timeout: 120000 };
const web = { webkit: null, server: null, address: '' };

before(async () => {
  if (absent) return;
  web.webkit = await startWebKit();
  web.server = await serve(web.webkit.served);
  web.address = `http://127.0.0.1:${web.server.address().port}/`;
});

after(async () => {
  web.server?.close();
  if (web.webkit) await stopWebKit(web.webkit);
});

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function until(what, condition, ms = 30000) {
  for (const start = Date.now(); Date.now() - start < ms; await sleep(50)) {
    if (await condition()) return;
  }
  assert.fail(`timed out waiting for ${what}`);
}

const firstFrame = (session) =>
  until('the first frame', () => session.executeScript(() => window.quarvel?.firstFrameMs != null));

// The page (or `file` of the site) with `query`, its console kept from its
// first frame on.
async function open(session, query, file = '') {
  await session.get(web.address + file + query);
  await firstFrame(session);
  await recordConsole(session);
}

async function logged(session, pattern, ms) {
  await until(`a log line ${pattern}`, async () => (await linesOf(session)).some((l) => pattern.test(l)), ms);
}

const count = async (session, text) => (await linesOf(session)).filter((l) => l.includes(text)).length;

const press = (session, key) => session.actions().sendKeys(key).perform();
const hold = (session, key, down) => session.actions()[down ? 'keyDown' : 'keyUp'](key).perform();

const canvasState = (session) => session.executeScript(canvasHash);

// An easy game started from the title, seen to run.
async function playEasy(session) {
  await press(session, Key.ARROW_DOWN);
  await press(session, Key.ENTER);
  await sleep(1500);
  const playing = await canvasState(session);
  await sleep(1500);
  assert.notEqual(await canvasState(session), playing, 'the game runs');
}

// Each test has a MiniBrowser of its own, ended however the test ends.
function inWebKit(name, body) {
  test(name, only, async (t) => {
    const session = await web.webkit.session();
    try {
      await body(session, t);
    } finally {
      await web.webkit.end(session);
    }
  });
}

inWebKit('a scripted game gives the headless host\'s pixels at each screen size', async (session) => {
  const script = readFileSync(join(here, 'scripts', 'game.txt'), 'utf8');
  const scratch = join(web.webkit.tree, 'native');
  mkdirSync(scratch, { recursive: true });
  for (const size of ['176x220', '240x240', '240x320']) {
    const scriptFile = join(scratch, `game-${size}.txt`);
    writeFileSync(scriptFile, script.replaceAll('@OUT@', scratch));
    execFileSync(join(native, 'host', 'quarvel'), ['--headless', '--screen', size, '--script', scriptFile]);
    const png = readFileSync(join(scratch, 'game.png')).toString('base64');
    await session.get(`${web.address}?screen=${size}&script=test-scripts/game.txt`);
    await until(`the script at ${size}`, () => session.executeScript(() => window.quarvel?.exitCode != null));
    assert.equal(await session.executeScript(() => window.quarvel.exitCode), 0,
      await session.executeScript(() => document.getElementById('status').textContent));
    const differing = await session.executeScript(pixelsDiffering, png);
    assert.equal(differing, 0, `${size}: ${differing} pixels differ`);
  }
});

inWebKit('a whole game by the keys puts a name in the table, kept across reloads, and a second tab saves nothing', async (session) => {
  // A table of low scores, so that any game enters it: in the store before
  // the first start, from a page of the site that does not start the game.
  const low = readFileSync(join(here, 'scripts', 'low-scores.reg'), 'utf8');
  await session.get(`${web.address}test-scripts/blank.html`);
  await session.executeScript((k, text) => localStorage.setItem(k, text), STORAGE_KEY, low);
  await open(session, '?screen=240x320&log');
  // MiniBrowser's 1024x730 of page shows the screen at twice its size, a whole scale.
  assert.deepEqual(await session.executeScript(() => {
    const c = document.getElementById('screen');
    return [`${c.width}x${c.height}`, parseFloat(c.style.width) / c.width];
  }), ['240x320', 2]);
  await press(session, Key.ARROW_DOWN);  // easy
  await press(session, Key.ENTER);
  await sleep(300);
  await hold(session, Key.ARROW_DOWN, true);
  await logged(session, /sound \S*sndLose/, 40000);
  await hold(session, Key.ARROW_DOWN, false);
  await sleep(1500);
  await press(session, Key.ENTER);  // the game over seen
  await logged(session, /dialog "New high score" shown/);
  await press(session, 'WebKit');
  await press(session, Key.F1);  // Done
  await logged(session, /dialog "New high score" ended/);

  // A second tab: WebKit's Web Locks keep its saves away from the first's.
  const first = await session.getWindowHandle();
  await session.switchTo().newWindow('tab');
  await session.get(`${web.address}?screen=240x320`);
  await firstFrame(session);
  assert.match(await session.executeScript(() => document.getElementById('notice').textContent), /another tab/);
  assert.equal(await session.executeScript(() => window.quarvel.saveStore('REGEDIT4\n')), false);
  await session.close();
  await session.switchTo().window(first);

  // The name in UTF-16, as the table keeps it.
  const name = [...'WebKit'].map((c) => `${c.charCodeAt(0).toString(16)},00`).join(',');
  const stored = () => session.executeScript((k) => localStorage.getItem(k)?.replace(/\\\n\s*/g, '') ?? '', STORAGE_KEY);
  for (let i = 0; i < 2; i++) {
    await session.navigate().refresh();  // the game closes and saves; then it is read back
    await firstFrame(session);
    assert.ok((await stored()).includes(name), await stored());
  }
});

inWebKit('the keypad moves and drops a piece under a pointer', async (session) => {
  await open(session, '?screen=240x320&log');
  await session.findElement({ id: 'keypad-button' }).click();  // a desktop's window hides it at first
  const finger = new input.Pointer('finger', input.Pointer.Type.TOUCH);
  const key = (code) => session.findElement({ css: `#keypad [data-code="${code}"]` });
  const touch = async (code, down) => {
    const at = await key(code);
    await session.actions().insert(finger, finger.move({ origin: at, duration: 0 }), down ? finger.press() : finger.release()).perform();
  };
  const tap = async (code) => {
    await touch(code, true);
    await touch(code, false);
  };
  await tap('ArrowDown');  // easy
  await tap('NumpadEnter');
  await sleep(700);
  const pixels = () => session.executeScript(() => {
    const c = document.getElementById('screen');
    return Array.from(c.getContext('2d').getImageData(0, 0, c.width, c.height).data);
  });
  const before = await pixels();
  // Held, Left moves the piece to the wall; held, Down drops it.
  await touch('ArrowLeft', true);
  await sleep(1200);
  await touch('ArrowLeft', false);
  const drops = await count(session, 'sndDrop');
  await touch('ArrowDown', true);
  await until('the piece landing', async () => (await count(session, 'sndDrop')) > drops, 3000);
  await touch('ArrowDown', false);
  // Where the lower half of the screen changed: the piece landed at the left.
  const now = await pixels();
  const [width, height] = (await canvasState(session)).split(' ')[0].split('x').map(Number);
  let left = width;
  for (let y = height / 2; y < height - 40; y++) {
    for (let x = 0; x < width / 2; x++) {
      const i = (y * width + x) * 4;
      if (now[i] !== before[i] || now[i + 1] !== before[i + 1] || now[i + 2] !== before[i + 2]) left = Math.min(left, x);
    }
  }
  assert.ok(left < 20, `the lowest changes start at x ${left}`);
});

inWebKit('a minimized window hides the page, and the game pauses', async (session) => {
  await open(session, '?screen=240x320&log');
  await playEasy(session);
  // WebKit hides the page of a minimized window, and shows it again restored.
  const shown = () => session.executeScript(() => document.visibilityState === 'visible' && document.hasFocus());
  await session.manage().window().minimize();
  await until('the page hidden', async () => !(await shown()), 5000);
  await session.manage().window().setRect({ x: 0, y: 0, width: 1024, height: 768 });
  await until('the page shown', shown, 5000);
  const paused = await canvasState(session);
  await sleep(1500);
  assert.equal(await canvasState(session), paused, 'nothing moves');
  // The pause key says what the game is: resume.
  const label = readFileSync(join(root, 'packs', 'common', 'STRING', '40023.txt'), 'utf8').trim();
  await press(session, Key.F1);
  await logged(session, new RegExp(`softkey command 40006 "${label}"`), 5000);
});

inWebKit('the Full screen button and Alt+Enter take the page to full screen and back', async (session) => {
  await open(session, '?screen=240x320');
  const full = () => session.executeScript(() => document.fullscreenElement !== null);
  await session.findElement({ id: 'fullscreen-button' }).click();
  await until('full screen', full, 5000);
  await session.actions().keyDown(Key.ALT).sendKeys(Key.ENTER).keyUp(Key.ALT).perform();
  await until('full screen left', async () => !(await full()), 5000);
});

inWebKit('without Web Locks, the Fullscreen API and the Screen Wake Lock the page plays and saves', async (session) => {
  await open(session, '?without=locks,fullscreen,wakelock&screen=240x320&log', 'without.html');
  assert.deepEqual(await session.executeScript(() => [
    'locks' in navigator, 'fullscreenEnabled' in document, 'wakeLock' in navigator,
    document.getElementById('fullscreen-button').hidden,
  ]), [false, false, false, true]);
  await playEasy(session);
  assert.deepEqual((await linesOf(session)).filter((l) => l.startsWith('pageerror')), []);
  await session.navigate().refresh();  // the game closes and saves its table
  await firstFrame(session);
  assert.match(await session.executeScript((k) => localStorage.getItem(k) ?? '', STORAGE_KEY), /"HighScores"/);
  assert.equal(await session.executeScript(() => document.getElementById('notice').hidden), true);
});

inWebKit('after a first visit the game starts and plays with the network gone', async (session, t) => {
  // A server of its own on the served folder, stopped for good once the
  // worker is active: the other tests keep theirs.
  const own = await serve(web.webkit.served);
  try {
    const address = `http://127.0.0.1:${own.address().port}/`;
    await session.get(`${address}?screen=240x320`);
    await firstFrame(session);
    // The page registers its worker once loaded; where WebKit takes none, why.
    const worker = () => session.executeScript(async () => {
      if (!('serviceWorker' in navigator)) return 'no navigator.serviceWorker';
      const registration = await navigator.serviceWorker.getRegistration();
      if (registration?.active?.state === 'activated') return 'activated';
      if (registration) return null;
      return navigator.serviceWorker.register('service-worker.js').then(() => null, (e) => `registration refused: ${e}`);
    });
    let state = null;
    for (const start = Date.now(); state === null && Date.now() - start < 30000; await sleep(200)) state = await worker();
    if (state !== 'activated') {
      t.skip(`MiniBrowser has no service worker for the page: ${state ?? 'none active in 30 s'}`);
      return;
    }
    own.closeAllConnections();
    await new Promise((resolve) => own.close(resolve));
    assert.equal(await session.executeScript(() => fetch('test-scripts/blank.html').then(() => 'fetched', () => 'offline')),
      'offline', 'no network for what the worker does not keep');
    await session.navigate().refresh();
    await until('the first frame offline', () => session.executeScript(() => window.quarvel?.firstFrameMs != null));
    await playEasy(session);
  } finally {
    if (own.listening) {
      own.closeAllConnections();
      own.close();
    }
  }
});

inWebKit('a table saved as a file loads into an empty store, and a damaged file is refused', async (session) => {
  const low = readFileSync(join(here, 'scripts', 'low-scores.reg'), 'utf8');
  const ADA = '41,00,64,00,61,00';  // "Ada", as the table keeps it
  const stored = (s, key = STORAGE_KEY) =>
    s.executeScript((k) => localStorage.getItem(k)?.replace(/\\\n\s*/g, '') ?? null, key);
  await session.get(`${web.address}test-scripts/blank.html`);
  await session.executeScript((k, text) => localStorage.setItem(k, text), STORAGE_KEY, low);
  await open(session, '?screen=240x320');
  // The file the page hands the browser to save: its name and text.
  await session.executeScript(() => {
    window.offered = null;
    HTMLAnchorElement.prototype.click = function () {
      if (!this.download) return;
      const name = this.download;
      fetch(this.href).then((r) => r.text()).then((text) => (window.offered = { name, text }));
    };
  });
  await session.findElement({ id: 'save-button' }).click();
  await until('a file offered', () => session.executeScript(() => window.offered !== null), 10000);
  const saved = await session.executeScript(() => window.offered);
  assert.equal(saved.name, 'settings.reg');
  assert.ok(saved.text.replace(/\\\n\s*/g, '').includes(ADA), saved.text);
  const file = join(web.webkit.tree, 'saved.reg');
  writeFileSync(file, saved.text);

  // The storage emptied, as another browser's (WebKitWebDriver runs one
  // session at a time): the file goes in through the hidden input, and the
  // page starts again with it.
  await session.get(`${web.address}test-scripts/blank.html`);
  await session.executeScript(() => localStorage.clear());
  await open(session, '?screen=240x320');
  assert.equal(await stored(session), null);
  await session.executeScript(() => (window.notReloaded = true));
  await (await session.findElement({ id: 'load-file' })).sendKeys(file);
  await until('the page started again',
    () => session.executeScript(() => !window.notReloaded && window.quarvel?.firstFrameMs != null), 15000);
  assert.ok((await stored(session))?.includes(ADA), await stored(session));
  const notice = () => session.executeScript(() => document.getElementById('notice').textContent);
  assert.match(await notice(), /Loaded saved\.reg/);

  const damaged = join(web.webkit.tree, 'damaged.reg');
  writeFileSync(damaged, 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n"HighestLevel"=dword:zz\n');
  const before = await stored(session);
  await (await session.findElement({ id: 'load-file' })).sendKeys(damaged);
  await until('the refusal', async () => /damaged\.reg is not a Quarvel settings file/.test(await notice()), 10000);
  assert.equal(await stored(session), before);
  assert.equal(await session.executeScript(() => window.quarvel.exitCode), null, 'the game plays on');
});

inWebKit('a running game keeps the screen on; paused, it lets it go', async (session) => {
  await open(session, '?wakelog&screen=240x320', 'without.html');
  const log = () => session.executeScript(() => window.wakeLog.join(' '));
  await sleep(500);
  assert.equal(await log(), '', 'the title keeps nothing on');
  await press(session, Key.ARROW_DOWN);  // easy
  await press(session, Key.ENTER);
  await until('the lock', async () => (await log()) === 'request', 5000);
  await press(session, Key.F1);  // pause
  await until('the release', async () => (await log()) === 'request release', 5000);
});
