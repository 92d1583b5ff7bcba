// Figures of the web edition's page (build-web/site/) in Debian's chromium,
// headless: the bytes a browser loads for the default screen (as they are and
// gzip-compressed), the time from navigation to the title's first frame with
// an empty cache and with the files cached, the browser's processor time on
// the idle title and in a game, and screenshots of a desktop-sized and a
// phone-sized window.
//
// usage: node bench/web_run.mjs [--runs N] [--seconds S] [--shots FOLDER] [SITE]
// (scripts/web --setup-tests installs the browser and its driver)
import { readFileSync, readdirSync } from 'node:fs';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { serve } from '../host/web/serve.mjs';
import { launchBrowser } from '../tests/web/browser.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const args = process.argv.slice(2);
const option = (name, fallback) => {
  const i = args.indexOf(name);
  if (i < 0) return fallback;
  const [value] = args.splice(i, 2).slice(1);
  return value;
};
const runs = Number(option('--runs', 5));
const seconds = Number(option('--seconds', 20));
const shots = option('--shots', null);
const site = args[0] ?? join(here, '..', 'build-web', 'site');

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const TICK = 100;  // clock ticks a second in /proc

// The processor time of all the descendants of a process (the browser's, of
// this one), in seconds.
function treeCpu(root) {
  const parents = new Map();
  const times = new Map();
  for (const pid of readdirSync('/proc').filter((n) => /^\d+$/.test(n))) {
    try {
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      parents.set(Number(pid), Number(fields[1]));
      times.set(Number(pid), (Number(fields[11]) + Number(fields[12])) / TICK);
    } catch {
      // gone meanwhile
    }
  }
  let total = 0;
  for (const [pid, time] of times) {
    for (let p = parents.get(pid) ?? 0; p > 1; p = parents.get(p) ?? 0) {
      if (p === root) {
        total += time;
        break;
      }
    }
  }
  return total;
}

const server = await serve(site);
const address = `http://127.0.0.1:${server.address().port}/`;
const browser = await launchBrowser();

async function firstFrame(page) {
  for (;;) {
    const ms = await page.evaluate(() => window.quarvel?.firstFrameMs ?? null);
    if (ms !== null) return ms;
    await sleep(20);
  }
}

// What the browser loads for the default screen, by file.
{
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  const files = [];
  page.on('response', async (response) => {
    // The site's files alone: the program's script is run from a blob made
    // of what was fetched.
    if (response.status() !== 200 || !response.url().startsWith('http')) return;
    const name = new URL(response.url()).pathname.slice(1) || 'index.html';
    files.push(name);
  });
  await page.goto(address);
  await firstFrame(page);
  await sleep(300);
  let raw = 0;
  let gzip = 0;
  console.log('transfer for the default screen (bytes, gzip -6):');
  for (const name of files.sort()) {
    const body = readFileSync(join(site, name));
    const packed = gzipSync(body, { level: 6 }).length;
    raw += body.length;
    gzip += packed;
    console.log(`  ${name.padEnd(22)} ${String(body.length).padStart(9)} ${String(packed).padStart(9)}`);
  }
  console.log(`  ${'all'.padEnd(22)} ${String(raw).padStart(9)} ${String(gzip).padStart(9)}`);
  await context.close();
}

// Navigation to the title's first frame: a new context has an empty cache;
// a second load in it finds the files cached (revalidated, not sent again).
{
  const cold = [];
  const warm = [];
  for (let i = 0; i < runs; i++) {
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
    const page = await context.newPage();
    await page.goto(address);
    cold.push(await firstFrame(page));
    await page.goto('about:blank');
    await page.goto(address);
    warm.push(await firstFrame(page));
    await context.close();
  }
  const show = (values) => `median ${median(values).toFixed(0)} ms (${values.map((v) => v.toFixed(0)).join(', ')})`;
  console.log(`first frame, cold: ${show(cold)}`);
  console.log(`first frame, warm: ${show(warm)}`);
}

// The browser's processor time while the page does nothing, on the title,
// in a game and paused, against an empty page.
{
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  const measure = async (what) => {
    const before = treeCpu(process.pid);
    await sleep(seconds * 1000);
    const used = treeCpu(process.pid) - before;
    console.log(`cpu, ${what}: ${((100 * used) / seconds).toFixed(1)} % of a core over ${seconds} s`);
  };
  await page.goto('about:blank');
  await sleep(1000);
  await measure('an empty page');
  await page.goto(address);
  await firstFrame(page);
  await sleep(1000);
  await measure('the idle title');
  // A game on medium falling by itself, a piece dropped now and then.
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Enter');
  await sleep(500);
  const dropping = setInterval(() => page.keyboard.press('ArrowLeft').catch(() => {}), 700);
  await measure('a game in play');
  clearInterval(dropping);
  await page.keyboard.press('F1');  // paused
  await sleep(1000);
  await measure('a paused game');
  await context.close();
}

if (shots !== null) {
  const views = {
    desktop: { viewport: { width: 1280, height: 800 } },
    phone: { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
  };
  for (const [name, options] of Object.entries(views)) {
    const context = await browser.newContext(options);
    const page = await context.newPage();
    await page.goto(address);
    await firstFrame(page);
    await sleep(300);
    await page.screenshot({ path: join(shots, `web-${name}.png`) });
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    await sleep(3000);
    await page.screenshot({ path: join(shots, `web-${name}-game.png`) });
    await context.close();
  }
  console.log(`screenshots in ${shots}`);
}

await browser.close();
server.close();
