// The probe page (probe.cpp) in headless chromium: the layer's libraries run
// as WebAssembly, draw text with the page's faces onto the canvas, open a pack,
// and a key reaches the program while it waits by yielding to the browser.
// Run by scripts/test-web; QUARVEL_WEB_BUILD names the web build folder.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { readdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { serve } from '../../host/web/serve.mjs';
import { launchBrowser } from './browser.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..', '..');
const build = process.env.QUARVEL_WEB_BUILD ?? join(root, 'build-web', 'build');

let server, browser, page;
const lines = [];

// The next console line starting with `prefix`, waiting for it up to 20 s.
async function line(prefix) {
  for (let waited = 0; waited < 20000; waited += 50) {
    const found = lines.find((l) => l.startsWith(prefix));
    if (found) return found;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  assert.fail(`no "${prefix}" line; the page said:\n${lines.join('\n')}`);
}

before(async () => {
  server = await serve(join(build, 'tests', 'web'));
  browser = await launchBrowser();
  page = await browser.newPage();
  page.on('console', (message) => lines.push(message.text()));
  page.on('pageerror', (error) => lines.push(`pageerror ${error.message}`));
  await page.goto(`http://127.0.0.1:${server.address().port}/quarvel-web-probe.html`);
});

after(async () => {
  await browser?.close();
  server?.close();
});

test('text is drawn with both faces and shown on the canvas', async () => {
  const [, drawn, regular, bold] = (await line('text ')).match(/^text (\w+) regular (\d+) bold (\d+)/);
  assert.equal(drawn, 'drawn');
  assert.ok(Number(regular) > 100 && Number(bold) > Number(regular), `widths ${regular} ${bold}`);
  await line('shown');
  // The canvas holds the black text on white: dark pixels on both lines.
  const dark = await page.evaluate(() => {
    const canvas = document.querySelector('canvas');
    const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    const rows = [0, 0];
    for (let i = 0; i < pixels.data.length; i += 4) {
      if (pixels.data[i] < 64) rows[(i / 4 / canvas.width) < canvas.height / 2 ? 0 : 1]++;
    }
    return rows;
  });
  assert.ok(dark[0] > 100 && dark[1] > dark[0], `dark pixels ${dark}`);
});

test('a pack is opened and a string read from it', async () => {
  const strings = join(root, 'packs', 'common', 'STRING');
  const first = readdirSync(strings).filter((f) => f.endsWith('.txt')).sort()[0];
  const expected = (await readFile(join(strings, first), 'utf8')).split('\n')[0];
  assert.equal(await line('zip '), `zip ${expected}`);
});

test('a key reaches the program while it sleeps', async () => {
  await line('waiting for a key');
  await new Promise((resolve) => setTimeout(resolve, 300));
  await page.keyboard.press('KeyQ');
  const [, key, sleeps] = (await line('key ')).match(/^key (\w+) after (\d+) sleeps/);
  assert.equal(key, 'Q');
  assert.ok(Number(sleeps) > 5, `${sleeps} sleeps`);
});
