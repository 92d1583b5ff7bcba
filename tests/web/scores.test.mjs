// Scores that last and travel: the browser is asked to keep the page's storage
// once something is saved; the store is saved as a file and loaded from one
// (the page's own, or the desktop's), a file that is not a store is refused,
// and the store a load replaces is kept. Run by scripts/test-web.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { web, here, native, STORAGE_KEY, firstFrame, until, offeredFile } from './harness.mjs';

const LOW = readFileSync(join(here, 'scripts', 'low-scores.reg'), 'utf8');
const ADA = '41,00,64,00,61,00';  // "Ada", as the table keeps it
const joined = (text) => (text ?? '').replace(/\\\n\s*/g, '');

// A page of a fresh profile; `seed` goes into its storage before the first load.
async function fresh(seed = null, initScript = null) {
  const context = await web.browser.newContext();
  if (seed !== null) {
    await context.addInitScript(([k, text]) => {
      if (sessionStorage.getItem('seeded') === null) {
        localStorage.setItem(k, text);
        sessionStorage.setItem('seeded', '1');
      }
    }, [STORAGE_KEY, seed]);
  }
  if (initScript !== null) await context.addInitScript(initScript);
  const page = await context.newPage();
  await page.goto(web.address + '?screen=240x320');
  await firstFrame(page);
  return { context, page };
}

const stored = (page, k = STORAGE_KEY) => page.evaluate((key) => localStorage.getItem(key), k);

async function load(page, file) {
  await page.locator('#load-file').setInputFiles(file);
}

test('the browser is asked once to keep the storage, after the first save', async () => {
  const { context, page } = await fresh(null, () => {
    window.persistAsked = 0;
    navigator.storage.persist = async () => ++window.persistAsked > 0;
  });
  assert.equal(await page.evaluate(() => window.persistAsked), 0);
  for (let i = 0; i < 2; i++) assert.equal(await page.evaluate(() => window.quarvel.saveStore('REGEDIT4\n')), true);
  assert.equal(await page.evaluate(() => window.persistAsked), 1);
  await context.close();
});

test('a table saved as a file loads into another browser, and a damaged file is refused', async () => {
  const first = await fresh(LOW);
  const saved = await offeredFile(first.page, () => first.page.click('#save-button'));
  assert.equal(saved.name, 'settings.reg');
  assert.ok(joined(saved.text).includes(ADA));
  const file = join(web.scratch, 'saved.reg');
  writeFileSync(file, saved.text);
  assert.match(await first.page.locator('#status').textContent(), /saved as settings\.reg/);
  await first.context.close();

  // Into a fresh profile that has a table of its own: that one is kept aside.
  const second = await fresh();
  await second.page.reload();  // the defaults saved
  await firstFrame(second.page);
  const own = await stored(second.page);
  await Promise.all([second.page.waitForEvent('load'), load(second.page, file)]);
  await firstFrame(second.page);
  assert.ok(joined(await stored(second.page)).includes(ADA));
  assert.equal(await stored(second.page, `${STORAGE_KEY}.bad`), own);
  const notice = second.page.locator('#notice');
  assert.match(await notice.textContent(), /Loaded saved\.reg.*settings\.reg\.bad/);

  // Not a store: refused in a line, and the table stays.
  const damaged = join(web.scratch, 'damaged.reg');
  writeFileSync(damaged, 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel]\n"HighestLevel"=dword:zz\n');
  const before = await stored(second.page);
  await load(second.page, damaged);
  await until('the refusal', async () => /damaged\.reg is not a Quarvel settings file/.test(await notice.textContent()));
  assert.equal(await stored(second.page), before);
  assert.equal(await second.page.evaluate(() => window.quarvel.exitCode), null, 'the game plays on');
  await second.context.close();
});

test('a store the desktop edition wrote loads', async () => {
  const store = join(web.scratch, 'desktop.reg');
  copyFileSync(join(here, 'scripts', 'low-scores.reg'), store);
  const script = join(web.scratch, 'close.txt');
  writeFileSync(script, 'wait 100\nclose\n');
  execFileSync(join(native, 'host', 'quarvel'), ['--headless', '--store', store, '--script', script]);
  const { context, page } = await fresh();
  await Promise.all([page.waitForEvent('load'), load(page, store)]);
  await firstFrame(page);
  assert.ok(joined(await stored(page)).includes(ADA), await stored(page));
  await context.close();
});
