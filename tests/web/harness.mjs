// What the browser tests share: the site served on 127.0.0.1 and Debian's
// chromium, started before a file's tests and stopped after them, pages of a
// context of their own, and waits, pixels and touches on them.
// QUARVEL_WEB_SITE names the site, QUARVEL_NATIVE_BUILD the native build whose
// headless host draws the pictures to match.
import { before, after } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { serve } from '../../host/web/serve.mjs';
import { ENGINE, launchBrowser } from './browser.mjs';
import { canvasHash } from './probes.mjs';

export { ENGINE };

export const here = dirname(fileURLToPath(import.meta.url));
export const root = join(here, '..', '..');
export const site = process.env.QUARVEL_WEB_SITE ?? join(root, 'build-web', 'site');
export const native = process.env.QUARVEL_NATIVE_BUILD ?? join(root, 'build');
export const STORAGE_KEY = 'quarvel/settings.reg';

export const web = { server: null, browser: null, address: '', scratch: '' };

before(async () => {
  web.server = await serve(site);
  web.address = `http://127.0.0.1:${web.server.address().port}/`;
  web.browser = await launchBrowser();
  web.scratch = mkdtempSync(join(tmpdir(), 'quarvel-web-'));
});

after(async () => {
  await web.browser?.close();
  web.server?.close();
  if (web.scratch) rmSync(web.scratch, { recursive: true, force: true });
});

// A page of its own context; `lines` collects its console. Scripts under
// test-scripts/ come from tests/web/scripts/, their shots going to /tmp.
export async function open(query = '', options = {}) {
  const context = await web.browser.newContext(options);
  const page = await context.newPage();
  const lines = [];
  page.on('console', (message) => lines.push(message.text()));
  page.on('pageerror', (error) => lines.push(`pageerror ${error.message}`));
  await page.route('**/test-scripts/*', (route) => {
    const name = new URL(route.request().url()).pathname.split('/').pop();
    const file = join(here, 'scripts', name);
    if (!existsSync(file)) return route.fulfill({ status: 404, body: 'no such script' });
    const text = readFileSync(file, 'utf8').replaceAll('@OUT@', '/tmp');
    return route.fulfill({ body: text, contentType: 'text/plain' });
  });
  await page.goto(web.address + query);
  return { context, page, lines };
}

// Waits up to `ms` for `condition` (a function of nothing, or a page function).
export async function until(what, condition, ms = 30000) {
  for (const start = Date.now(); Date.now() - start < ms; ) {
    if (await condition()) return;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  assert.fail(`timed out waiting for ${what}`);
}

export const firstFrame = (page) =>
  until('the first frame', () => page.evaluate(() => window.quarvel?.firstFrameMs != null));

export function logged(lines, pattern, ms) {
  return until(`a log line ${pattern}`, () => lines.some((l) => pattern.test(l)), ms);
}

// The canvas's pixels as a hash of its RGBA bytes and its size.
export const canvasState = (page) => page.evaluate(canvasHash);

// A finger on an element's centre, through the browser's own touch input.
const sessions = new WeakMap();
export async function touch(page, selector, down) {
  if (!sessions.has(page)) sessions.set(page, await page.context().newCDPSession(page));
  const box = await page.locator(selector).boundingBox();
  await sessions.get(page).send('Input.dispatchTouchEvent', {
    type: down ? 'touchStart' : 'touchEnd',
    touchPoints: down ? [{ x: box.x + box.width / 2, y: box.y + box.height / 2 }] : [],
  });
}

export async function tap(page, selector) {
  await touch(page, selector, true);
  await new Promise((resolve) => setTimeout(resolve, 60));
  await touch(page, selector, false);
  await new Promise((resolve) => setTimeout(resolve, 60));
}

// A phone's screen and touch; Firefox has no mobile emulation (a meta
// viewport, a phone's user agent), only the size and touch.
export const PHONE = {
  viewport: { width: 390, height: 844 },
  deviceScaleFactor: 3,
  hasTouch: true,
  ...(ENGINE === 'chromium' ? { isMobile: true } : {}),
};

// A finger held and let go is sent through chromium's DevTools protocol,
// which Firefox lacks (playwright's touchscreen there only taps, and the
// keypad's keys are held): the tests that touch run in chromium alone.
export const TOUCH = ENGINE === 'chromium' ? {} : { skip: `no touch input in ${ENGINE}` };
export const key = (code) => `#keypad [data-code="${code}"]`;


// The file the page offers to save while `action` runs: its name and text, as
// the page hands them to the browser (the browser's own saving is not under
// test, and Firefox's driver does not report it).
export async function offeredFile(page, action) {
  await page.evaluate(() => {
    window.offered = null;
    HTMLAnchorElement.prototype.click = function () {
      if (!this.download) return;
      const name = this.download;
      window.offered = fetch(this.href).then((r) => r.text()).then((text) => ({ name, text }));
    };
  });
  await action();
  await until('a file offered', () => page.evaluate(() => window.offered !== null));
  return page.evaluate(() => window.offered);
}
