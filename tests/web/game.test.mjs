// The web edition's page (build-web/site/) in headless chromium: the title at
// once, the same pixels as the headless host for the same script at each
// screen size, the on-screen keypad by touch, a name entered by touch kept
// across reloads, and a hidden tab pausing the game. Run by scripts/test-web.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import {
  web, here, root, native, STORAGE_KEY, open, until, firstFrame, logged, canvasState, touch, tap, PHONE, key, TOUCH,
} from './harness.mjs';
import { pixelsDiffering } from './probes.mjs';

test('the title shows at once, in the largest size that fits at a whole scale', async () => {
  const { context, page, lines } = await open();
  await firstFrame(page);
  const shown = await page.evaluate(() => {
    const c = document.getElementById('screen');
    return {
      size: `${c.width}x${c.height}`,
      css: parseFloat(c.style.width) / c.width,
      status: document.getElementById('status').hidden,
      keypad: document.getElementById('keypad').hidden,
    };
  });
  // 1280x720: the largest fits, at twice its size.
  assert.deepEqual(shown, { size: '240x320', css: 2, status: true, keypad: true });
  assert.equal(lines.filter((l) => l.startsWith('pageerror')).join('\n'), '');
  await context.close();
});

test('a blocked storage keeps the game playable and says so once', async () => {
  const context = await web.browser.newContext();
  await context.addInitScript(() => {
    Object.defineProperty(window, 'localStorage', {
      get() {
        throw new DOMException('blocked', 'SecurityError');
      },
    });
  });
  const page = await context.newPage();
  const lines = [];
  page.on('console', (message) => lines.push(message.text()));
  await page.goto(web.address + '?log');
  await firstFrame(page);
  // The Options dialog's Done saves the options, twice.
  for (let i = 0; i < 2; i++) {
    for (const k of ['F2', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'Enter']) await page.keyboard.press(k);
    await until('the dialog', () => lines.filter((l) => l.includes('dialog "Options" shown')).length > i);
    await page.keyboard.press('F1');
    await until('the dialog closed', () => lines.filter((l) => l.includes('dialog "Options" ended')).length > i);
  }
  const notice = await page.locator('#notice').textContent();
  assert.equal(notice.match(/keeps nothing/g)?.length, 1, notice);
  await context.close();
});

test('a scripted game gives the headless host\'s pixels at each screen size', async () => {
  const script = readFileSync(join(here, 'scripts', 'game.txt'), 'utf8');
  for (const size of ['176x220', '240x240', '240x320']) {
    const scriptFile = join(web.scratch, `game-${size}.txt`);
    execFileSync('sh', ['-c', 'cat > "$0"', scriptFile], { input: script.replaceAll('@OUT@', web.scratch) });
    execFileSync(join(native, 'host', 'quarvel'), ['--headless', '--screen', size, '--script', scriptFile]);
    const png = readFileSync(join(web.scratch, 'game.png')).toString('base64');
    const { context, page, lines } = await open(`?screen=${size}&script=test-scripts/game.txt`);
    await until(`the script at ${size}`, () => page.evaluate(() => window.quarvel?.exitCode != null));
    assert.equal(await page.evaluate(() => window.quarvel.exitCode), 0, lines.join('\n'));
    const differing = await page.evaluate(pixelsDiffering, png);
    assert.equal(differing, 0, `${size}: ${differing} pixels differ`);
    await context.close();
  }
});

test('names in the faces\' kept scripts draw the headless host\'s pixels, others its missing glyph', async () => {
  // names.reg's last name starts with a character DejaVu lacks, drawn as the
  // missing-glyph box by both; names-outside.reg has there one that DejaVu has
  // but the page's faces leave out, which the page must draw as the same box.
  const scriptFile = join(web.scratch, 'title.txt');
  const store = join(web.scratch, 'names.reg');
  const script = readFileSync(join(here, 'scripts', 'title.txt'), 'utf8');
  execFileSync('sh', ['-c', 'cat > "$0"', scriptFile], { input: script.replaceAll('@OUT@', web.scratch) });
  execFileSync('cp', [join(here, 'scripts', 'names.reg'), store]);
  execFileSync(join(native, 'host', 'quarvel'),
    ['--headless', '--screen', '240x320', '--store', store, '--script', scriptFile]);
  const png = readFileSync(join(web.scratch, 'title.png')).toString('base64');
  for (const names of ['names.reg', 'names-outside.reg']) {
    const { context, page, lines } =
      await open(`?screen=240x320&script=test-scripts/title.txt&store=test-scripts/${names}`);
    await until(`the title with ${names}`, () => page.evaluate(() => window.quarvel?.exitCode != null));
    assert.equal(await page.evaluate(() => window.quarvel.exitCode), 0, lines.join('\n'));
    const differing = await page.evaluate(pixelsDiffering, png);
    assert.equal(differing, 0, `${names}: ${differing} pixels differ`);
    await context.close();
  }
});

test('the on-screen keypad moves and drops a piece by touch', TOUCH, async () => {
  const { context, page, lines } = await open('?screen=240x320&log', PHONE);
  await firstFrame(page);
  assert.equal(await page.evaluate(() => document.getElementById('keypad').hidden), false);
  await tap(page, key('ArrowDown'));  // easy
  await tap(page, key('NumpadEnter'));
  await new Promise((resolve) => setTimeout(resolve, 700));
  const before = await page.evaluate(() => {
    const c = document.getElementById('screen');
    return Array.from(c.getContext('2d').getImageData(0, 0, c.width, c.height).data);
  });
  // Held, Left moves the piece to the wall; held, Down drops it.
  await touch(page, key('ArrowLeft'), true);
  await new Promise((resolve) => setTimeout(resolve, 1200));
  await touch(page, key('ArrowLeft'), false);
  const drops = lines.filter((l) => l.includes('sndDrop')).length;
  await touch(page, key('ArrowDown'), true);
  await until('the piece landing', () => lines.filter((l) => l.includes('sndDrop')).length > drops, 3000);
  await touch(page, key('ArrowDown'), false);
  // Where the lower half of the screen changed: the piece landed at the left.
  const left = await page.evaluate((old) => {
    const c = document.getElementById('screen');
    const now = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let leftmost = c.width;
    for (let y = c.height / 2; y < c.height - 40; y++) {
      for (let x = 0; x < c.width / 2; x++) {
        const i = (y * c.width + x) * 4;
        if (now[i] !== old[i] || now[i + 1] !== old[i + 1] || now[i + 2] !== old[i + 2]) leftmost = Math.min(leftmost, x);
      }
    }
    return leftmost;
  }, before);
  assert.ok(left < 20, `the lowest changes start at x ${left}`);
  await context.close();
});

// A whole game from the title to a name in the table, by touch on a phone and
// by the keyboard on a desktop: each way presses, holds and lets go of the
// phone's keys, and types the name.
const WAYS = [
  {
    name: 'Touch',
    options: PHONE,
    press: (page, code) => tap(page, key(code)),
    hold: (page, code, down) => touch(page, key(code), down),
    async type(page, text) {
      // The name entry turns the phone's keyboard on: it types into the page.
      await until('the phone keyboard', () => page.evaluate(() => document.activeElement?.id === 'typing'));
      await page.keyboard.insertText(text);
    },
  },
  {
    name: 'Keys',
    options: {},
    press: (page, code) => page.keyboard.press(code === 'NumpadEnter' ? 'Enter' : code),
    hold: (page, code, down) => (down ? page.keyboard.down(code) : page.keyboard.up(code)),
    type: (page, text) => page.keyboard.type(text),
  },
];

test('a name entered by touch or by keys is kept across reloads, and a second tab saves nothing', async () => {
  // A table of low scores, so that any game enters it: in the store before
  // the first start (a reload would save the table the game started with).
  const low = readFileSync(join(here, 'scripts', 'low-scores.reg'), 'utf8');
  for (const way of WAYS.filter((w) => w.name !== 'Touch' || !TOUCH.skip)) {
    const context = await web.browser.newContext(way.options);
    await context.addInitScript(([k, text]) => {
      if (sessionStorage.getItem('seeded') === null) {
        localStorage.setItem(k, text);
        sessionStorage.setItem('seeded', '1');
      }
    }, [STORAGE_KEY, low]);
    const page = await context.newPage();
    const lines = [];
    page.on('console', (message) => lines.push(message.text()));
    await page.goto(web.address + '?screen=240x320&log');
    await firstFrame(page);
    await way.press(page, 'ArrowDown');  // easy
    await way.press(page, 'NumpadEnter');
    await new Promise((resolve) => setTimeout(resolve, 300));
    await way.hold(page, 'ArrowDown', true);
    await logged(lines, /sound \S*sndLose/, 40000);
    await way.hold(page, 'ArrowDown', false);
    await new Promise((resolve) => setTimeout(resolve, 1500));
    await way.press(page, 'NumpadEnter');  // the game over seen
    await logged(lines, /dialog "New high score" shown/);
    await way.type(page, way.name);
    await way.press(page, 'F1');  // Done
    await logged(lines, /dialog "New high score" ended/);

    if (way === WAYS[0]) {
      const second = await context.newPage();
      await second.goto(web.address + '?screen=240x320');
      await firstFrame(second);
      assert.match(await second.locator('#notice').textContent(), /another tab/);
      assert.equal(await second.evaluate(() => window.quarvel.saveStore('REGEDIT4\n')), false);
      await second.close();
    }

    // The name in UTF-16, as the table keeps it.
    const name = [...way.name].map((c) => `${c.charCodeAt(0).toString(16)},00`).join(',');
    const stored = () => page.evaluate((k) => localStorage.getItem(k).replace(/\\\n\s*/g, ''), STORAGE_KEY);
    await page.reload();  // the game closes and saves its table
    await firstFrame(page);
    assert.ok((await stored()).includes(name), await stored());
    await page.reload();  // read back, and saved again
    await firstFrame(page);
    assert.ok((await stored()).includes(name), await stored());
    await context.close();
  }
});

test('a hidden tab pauses the game, and one frozen closes it in order', async () => {
  const { context, page, lines } = await open('?screen=240x320&log');
  await firstFrame(page);
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Enter');
  await new Promise((resolve) => setTimeout(resolve, 1500));
  const playing = await canvasState(page);
  await new Promise((resolve) => setTimeout(resolve, 1500));
  assert.notEqual(await canvasState(page), playing, 'the game runs');
  // Headless chromium never hides a tab: the page is told what a browser
  // tells it when its tab goes behind another, and when it comes back.
  const visibility = (state) =>
    page.evaluate((s) => {
      Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => s });
      document.dispatchEvent(new Event('visibilitychange'));
    }, state);
  await visibility('hidden');
  await new Promise((resolve) => setTimeout(resolve, 300));
  await visibility('visible');
  const paused = await canvasState(page);
  await new Promise((resolve) => setTimeout(resolve, 1500));
  assert.equal(await canvasState(page), paused, 'nothing moves');
  // The pause key says what the game is: resume.
  const label = readFileSync(join(root, 'packs', 'common', 'STRING', '40023.txt'), 'utf8').trim();
  await page.keyboard.press('F1');
  await logged(lines, new RegExp(`softkey command 40006 "${label}"`));
  // A hidden tab the browser freezes may be discarded unheard: the game closes
  // in order first, and starts again when the tab is thawed (told by hand too:
  // headless chromium freezes no visible tab).
  lines.length = 0;
  await page.evaluate(() => document.dispatchEvent(new Event('freeze')));
  await page.evaluate(() => document.dispatchEvent(new Event('resume')));
  await logged(lines, /\] start/);
  const exit = lines.findIndex((l) => /\] exit 0/.test(l));
  assert.ok(exit >= 0 && exit < lines.findIndex((l) => /\] start/.test(l)), lines.join('\n'));
  assert.match(await page.evaluate((k) => localStorage.getItem(k), STORAGE_KEY), /"HighScores"/);
  await context.close();
});

test('the audio graph rests between sounds and wakes for the next', async () => {
  const { context, page, lines } = await open('?screen=240x320&log');
  await page.evaluate(() => {
    window.resumed = 0;
    const resume = AudioContext.prototype.resume;
    AudioContext.prototype.resume = function () {
      window.resumed++;
      return resume.call(this);
    };
  });
  await firstFrame(page);
  const state = () => page.evaluate(() => window.Module.SDL2?.audioContext?.state ?? 'closed');
  await page.keyboard.press('ArrowDown');  // easy
  await page.keyboard.press('Enter');
  for (let drop = 0; drop < 2; drop++) {
    const drops = lines.filter((l) => /sound \S*sndDrop/.test(l)).length;
    await page.keyboard.down('ArrowDown');
    await until('a piece dropped', () => lines.filter((l) => /sound \S*sndDrop/.test(l)).length > drops);
    await page.keyboard.up('ArrowDown');
    const resumed = await page.evaluate(() => window.resumed);
    // The sound over, the graph is suspended while the device stays open
    // (it closes only after seconds of silence).
    await until('the graph resting', async () => (await state()) === 'suspended', 5000);
    if (drop === 1) assert.ok(resumed > 0, 'the second sound woke the graph');
  }
  await context.close();
});
