// The installable, offline page: its manifest and icons; after a first visit,
// the game starting and playing with the network gone; a new build taken only
// once every page of the old one has closed, its cache then the only one; and
// a browser without service workers playing as before. Run by scripts/test-web.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { appendFileSync, cpSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve } from '../../host/web/serve.mjs';
import { web, here, root, site, open, until, firstFrame, canvasState, ENGINE } from './harness.mjs';

// Once the page's service worker is active (it caches the site first).
const workerReady = (page) =>
  until('the service worker', () =>
    page.evaluate(async () => (await navigator.serviceWorker.getRegistration())?.active?.state === 'activated'));

// What the page is given now: the build's id in files.json, a file's text, the
// caches of the origin, and the state of a worker waiting for its turn.
const given = (page, file) =>
  page.evaluate(async (name) => ({
    build: (await (await fetch('files.json')).json()).build,
    text: await (await fetch(name)).text(),
    caches: await caches.keys(),
    waiting: (await navigator.serviceWorker.getRegistration())?.waiting?.state ?? null,
  }), file);

test('the manifest makes an app of the page, with icons of the sizes it names', async () => {
  const { context, page } = await open();
  await firstFrame(page);
  const linked = await page.evaluate(() => document.querySelector('link[rel="manifest"]')?.href);
  assert.equal(linked, `${web.address}manifest.webmanifest`);
  // The browser's own reading of it comes through chromium's DevTools protocol alone.
  if (ENGINE === 'chromium') {
    const cdp = await context.newCDPSession(page);
    assert.deepEqual((await cdp.send('Page.getAppManifest', {})).errors, [], "chromium's reading of it");
  }

  const response = await fetch(linked);
  assert.equal(response.headers.get('content-type'), 'application/manifest+json');
  const manifest = await response.json();
  const colours = await page.evaluate(() => [
    getComputedStyle(document.documentElement).getPropertyValue('--background').trim(),
    document.querySelector('meta[name="theme-color"]').content,
  ]);
  assert.deepEqual(
    [manifest.name, manifest.display, manifest.orientation, manifest.start_url, manifest.scope],
    ['Quarvel', 'standalone', 'portrait', './', './']);
  assert.ok(manifest.short_name && manifest.description);
  assert.deepEqual([manifest.background_color, manifest.theme_color], colours);

  // Each icon a PNG of the size it is listed at (its IHDR's width and height).
  for (const icon of manifest.icons) {
    const png = await fetch(new URL(icon.src, linked));
    assert.equal(png.status, 200, icon.src);
    const bytes = Buffer.from(await png.arrayBuffer());
    assert.equal(bytes.toString('latin1', 1, 4), 'PNG', icon.src);
    assert.equal(icon.sizes, `${bytes.readUInt32BE(16)}x${bytes.readUInt32BE(20)}`, icon.src);
  }
  const sizes = (purpose) => manifest.icons.filter((i) => (i.purpose ?? 'any') === purpose).map((i) => i.sizes);
  assert.deepEqual(sizes('any'), ['192x192', '512x512']);
  assert.ok(sizes('maskable').length > 0, 'a maskable icon');
  await context.close();

  // Installed, the page fills its window: no Full screen button. (Headless
  // chromium opens no app window, so the page is told it runs in one.)
  const shown = async (standalone) => {
    const installed = await web.browser.newContext();
    if (standalone) {
      await installed.addInitScript(() => {
        const match = window.matchMedia.bind(window);
        window.matchMedia = (query) => match(query.replace('(display-mode: standalone)', 'all'));
      });
    }
    const page = await installed.newPage();
    await page.goto(web.address);
    await firstFrame(page);
    const visible = await page.locator('#fullscreen-button').isVisible();
    await installed.close();
    return visible;
  };
  assert.deepEqual([await shown(false), await shown(true)], [true, false]);
});

test('after a first visit the game starts and plays with the network gone', async () => {
  // A server of its own, stopped for good after the first visit: the network
  // gone in every engine (Firefox's offline mode fails navigations before
  // any worker may answer them).
  const own = await serve(site);
  const address = `http://127.0.0.1:${own.address().port}/`;
  const context = await web.browser.newContext();
  const page = await context.newPage();
  const lines = [];
  page.on('console', (message) => lines.push(message.text()));
  page.on('pageerror', (error) => lines.push(`pageerror ${error.message}`));
  await page.route('**/test-scripts/*', (route) =>
    route.fulfill({ body: readFileSync(join(here, 'scripts', 'game.txt'), 'utf8').replaceAll('@OUT@', '/tmp') }));
  await page.goto(`${address}?screen=240x320`);
  await firstFrame(page);
  await workerReady(page);
  own.closeAllConnections();
  await new Promise((resolve) => own.close(resolve));
  assert.equal(await page.evaluate(() => fetch('files.json').then(() => 'fetched', () => 'offline')), 'offline',
    'no network for the page when no worker answers');

  await page.reload();
  await firstFrame(page);
  await page.keyboard.press('ArrowDown');  // easy
  await page.keyboard.press('Enter');
  await new Promise((resolve) => setTimeout(resolve, 1500));
  const playing = await canvasState(page);
  await new Promise((resolve) => setTimeout(resolve, 1500));
  assert.notEqual(await canvasState(page), playing, 'the game runs');

  // The address's query is the page's own, and a size this visit never
  // loaded is there too; a test's script (not the site's) still goes by.
  await page.goto(`${address}?screen=176x220&script=test-scripts/game.txt`);
  await until('the script', () => page.evaluate(() => window.quarvel?.exitCode != null));
  assert.deepEqual(await page.evaluate(() => [window.quarvel.exitCode, document.getElementById('screen').width]),
    [0, 176], lines.join('\n'));
  assert.deepEqual(lines.filter((l) => l.startsWith('pageerror')), []);
  await context.close();
});

test('a new build is taken only once every page of the old one has closed', async () => {
  // A copy of the site on a server of its own, to build again.
  const copy = mkdtempSync(join(tmpdir(), 'quarvel-site-'));
  cpSync(site, copy, { recursive: true });
  const server = await serve(copy);
  const address = `http://127.0.0.1:${server.address().port}/`;
  const context = await web.browser.newContext();
  try {
    let page = await context.newPage();
    await page.goto(address);
    await firstFrame(page);
    await workerReady(page);
    const first = await given(page, 'page.css');
    assert.deepEqual(first.caches, [`quarvel / ${first.build}`]);

    // The next build: a file changed, and files.json and the worker written
    // again by the build's own script.
    appendFileSync(join(copy, 'page.css'), '/* the next build */\n');
    const files = Object.keys(JSON.parse(readFileSync(join(copy, 'files.json'), 'utf8')).files);
    execFileSync('cmake', [`-DSITE=${copy}`, `-DFILES=${files.join(',')}`,
      `-DWORKER=${join(root, 'host', 'web', 'service-worker.js')}`, '-P', join(root, 'host', 'web', 'files_list.cmake')]);
    const next = JSON.parse(readFileSync(join(copy, 'files.json'), 'utf8')).build;
    assert.notEqual(next, first.build);

    // A reload finds it and caches it, but its page plays the old build.
    await page.reload();
    await firstFrame(page);
    await until('the next build cached', async () => (await given(page, 'page.css')).waiting === 'installed');
    const reloaded = await given(page, 'page.css');
    assert.deepEqual([reloaded.build, reloaded.text], [first.build, first.text]);
    assert.deepEqual(reloaded.caches.sort(), [`quarvel / ${first.build}`, `quarvel / ${next}`].sort());

    // Closed and opened again: the new build, and the old cache gone.
    await page.close();
    page = await context.newPage();
    await page.goto(address);
    await firstFrame(page);
    const reopened = await given(page, 'page.css');
    assert.equal(reopened.build, next);
    assert.match(reopened.text, /the next build/);
    await until('the old cache deleted', async () =>
      JSON.stringify((await given(page, 'page.css')).caches) === JSON.stringify([`quarvel / ${next}`]));
  } finally {
    await context.close();
    server.close();
    rmSync(copy, { recursive: true, force: true });
  }
});

test('a browser without service workers plays the page as before', async () => {
  const context = await web.browser.newContext();
  await context.addInitScript(() => delete Navigator.prototype.serviceWorker);
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(web.address);
  await firstFrame(page);
  await new Promise((resolve) => setTimeout(resolve, 300));  // past the page's load event
  assert.deepEqual(errors, []);
  assert.deepEqual(await page.evaluate(() => caches.keys()), []);
  await context.close();
});
