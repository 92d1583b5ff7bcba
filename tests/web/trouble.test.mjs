// The page when things go wrong around it: a store the program cannot read is
// kept, never replaced; files missing or cut short, and scripts refused or
// unparsable, say so on the page; a touch whose end is lost does not take the
// stylus away. Run by scripts/test-web.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { web, here, STORAGE_KEY, open, until, firstFrame, logged, offeredFile } from './harness.mjs';

const LOW = readFileSync(join(here, 'scripts', 'low-scores.reg'), 'utf8');
const NAMES = ['41,00,64,00,61,00', '45,00,64,00'];  // "Ada" and "Ed", as the table keeps them

// A page whose storage holds `stored` (a key and its text) before its first
// load only, as a player's browser would.
async function seeded(stored, query = '?screen=240x320&log') {
  const context = await web.browser.newContext();
  await context.addInitScript((entries) => {
    if (sessionStorage.getItem('seeded') === null) {
      for (const [k, text] of entries) localStorage.setItem(k, text);
      sessionStorage.setItem('seeded', '1');
    }
  }, stored);
  const page = await context.newPage();
  const lines = [];
  page.on('console', (message) => lines.push(message.text()));
  page.on('pageerror', (error) => lines.push(`pageerror ${error.message}`));
  await page.goto(web.address + query);
  await firstFrame(page);
  return { context, page, lines };
}

const storage = (page) =>
  page.evaluate(() => Object.fromEntries(Object.keys(localStorage).map((k) => [k, localStorage.getItem(k)])));
const joined = (text) => text.replace(/\\\n\s*/g, '');

test('a store without its last line break is read, and one that cannot be read is kept aside', async () => {
  // An editor that dropped the final line break: the table is read and kept.
  const cut = LOW.trimEnd();
  {
    const { context, page } = await seeded([[STORAGE_KEY, cut]]);
    await page.reload();  // the game closes and saves its table
    await firstFrame(page);
    const kept = await storage(page);
    for (const name of NAMES) assert.ok(joined(kept[STORAGE_KEY]).includes(name), kept[STORAGE_KEY]);
    assert.equal(kept[`${STORAGE_KEY}.bad`], undefined);
    assert.equal(await page.locator('#notice').isHidden(), true);
    await context.close();
  }

  // Damaged: kept under the first free name (an earlier copy stays), told
  // once, saved as a file on asking, and never replaced by the next saves.
  const damaged = `${cut}\n"HighestLevel"=dword:zz\n`;
  const { context, page } = await seeded([[STORAGE_KEY, damaged], [`${STORAGE_KEY}.bad`, 'earlier']]);
  const notice = page.locator('#notice');
  assert.match(await notice.textContent(), /could not be read.*settings\.reg\.bad\.1/);
  const saved = await offeredFile(page, () => notice.locator('button').click());
  assert.deepEqual(saved, { name: 'settings.reg.bad.1', text: damaged });
  for (let i = 0; i < 2; i++) {
    await page.reload();
    await firstFrame(page);
  }
  const kept = await storage(page);
  assert.equal(kept[`${STORAGE_KEY}.bad`], 'earlier');
  assert.equal(kept[`${STORAGE_KEY}.bad.1`], damaged);
  assert.equal(kept[`${STORAGE_KEY}.bad.2`], undefined);
  assert.match(kept[STORAGE_KEY], /^REGEDIT4/);
  assert.notEqual(kept[STORAGE_KEY], damaged);
  assert.equal(await notice.isHidden(), true, 'told once');
  await context.close();
});

test('an unreadable store that cannot be kept aside is never replaced', async () => {
  const damaged = 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n"HighestLevel"=dword:zz\n';
  const context = await web.browser.newContext();
  // Storage that takes nothing new, as a full one.
  await context.addInitScript((text) => {
    if (sessionStorage.getItem('seeded') === null) {
      localStorage.setItem('quarvel/settings.reg', text);
      sessionStorage.setItem('seeded', '1');
    }
    Storage.prototype.setItem = () => {
      throw new DOMException('full', 'QuotaExceededError');
    };
  }, damaged);
  const page = await context.newPage();
  await page.goto(web.address + '?screen=240x320');
  await firstFrame(page);
  assert.match(await page.locator('#notice').textContent(), /no room to keep them aside/);
  await page.reload();
  await firstFrame(page);
  assert.equal(await page.evaluate((k) => localStorage.getItem(k), STORAGE_KEY), damaged);
  await context.close();
});

test('a file missing or cut short says so on the page, with a way to try again', async () => {
  const cases = [
    ['quarvel.data', (route) => route.fulfill({ status: 404, body: 'not here' }), /quarvel\.data: 404/],
    ['quarvel.data', async (route) => {
      const whole = await (await route.fetch()).body();
      return route.fulfill({ body: whole.subarray(0, whole.length >> 1) });
    }, /quarvel\.data is damaged/],
    ['quarvel.wasm', (route) => route.abort(), /quarvel\.wasm could not be fetched/],
    ['packs/240x320.dll', (route) => route.fulfill({ status: 500, body: '' }), /240x320\.dll: 500/],
    ['files.json', (route) => route.fulfill({ status: 404, body: '' }), /files\.json: 404/],
  ];
  for (const [file, answer, said] of cases) {
    const context = await web.browser.newContext();
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(error.message));
    let broken = true;
    await page.route(`**/${file}`, (route) => (broken ? answer(route) : route.fallback()));
    await page.goto(web.address + '?screen=240x320');
    const status = page.locator('#status');
    await until(`${file} told`, async () => said.test(await status.textContent()), 10000);
    assert.deepEqual(errors, [], file);
    broken = false;
    await status.locator('button', { hasText: 'Try again' }).click();
    await firstFrame(page);
    await context.close();
  }
});

test('scripts refused or unparsable say why on the page, without a page error', async () => {
  const cases = [
    ['https://example.org/x.txt', /must come from this site/],
    ['javascript:alert(1)', /must come from this site/],
    ['data:text/plain,wait%20300', /must come from this site/],
    ['test-scripts/none.txt', /404/],
    ['test-scripts/unparsable.txt', /line 2: unknown command/],
  ];
  for (const [script, said] of cases) {
    const { context, page, lines } = await open(`?screen=240x320&script=${encodeURIComponent(script)}`);
    const status = page.locator('#status');
    await until(`${script} told`, async () => said.test(await status.textContent()), 10000);
    assert.deepEqual(lines.filter((l) => l.startsWith('pageerror')), [], script);
    await context.close();
  }
});

test('a touch whose end is lost leaves the stylus to the next one', async () => {
  // The menu's soft key, at the bottom right of the screen, opens the menu.
  const menuKey = async (page) => {
    const box = await page.locator('#screen').boundingBox();
    await page.mouse.click(box.x + box.width * (200 / 240), box.y + box.height * (310 / 320));
  };
  for (const end of ['lostpointercapture', null]) {
    const { context, page, lines } = await open('?screen=240x320&log');
    await firstFrame(page);
    await page.evaluate((type) => {
      const canvas = document.getElementById('screen');
      const r = canvas.getBoundingClientRect();
      const at = { pointerId: 7, isPrimary: true, pointerType: 'touch', bubbles: true, clientX: r.left + 10, clientY: r.top + 100 };
      canvas.dispatchEvent(new PointerEvent('pointerdown', at));
      if (type) canvas.dispatchEvent(new PointerEvent(type, at));
    }, end);
    await menuKey(page);
    await logged(lines, /window created PhoneMenuPopup/, 5000);
    await context.close();
  }
});
