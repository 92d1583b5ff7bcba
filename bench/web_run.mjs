// Figures of the web edition's page in Debian's chromium, headless, for one
// site or several side by side (today's main built beside a change), measured
// in turns round by round so that the noise of a shared machine falls on each
// alike:
// - the bytes a browser loads for the default screen, as they are and
//   gzip-compressed;
// - the time from navigation to the title's first frame: with an empty cache,
//   with the files cached, and with an empty cache on an emulated mid-range
//   phone (DevTools' "Fast 4G": 9 Mbit/s down, 1.5 up, 60 ms; the processor 4x
//   slower);
// - the processor time of all the browser's processes, by process type, on an
//   empty page, on the idle title, in a game and in a paused game;
// - with --profile, where the renderer's main thread spends a game's time.
//
// usage: node bench/web_run.mjs [--rounds N] [--seconds S] [--profile]
//                               [--shots FOLDER] [SITE ...]
// (default SITE: build-web/site/; scripts/web --setup-tests installs the
// browser and its driver)
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
const flag = (name) => {
  const i = args.indexOf(name);
  if (i >= 0) args.splice(i, 1);
  return i >= 0;
};
const rounds = Number(option('--rounds', 3));
const seconds = Number(option('--seconds', 15));
const shots = option('--shots', null);
const profile = flag('--profile');
const sites = args.length > 0 ? args : [join(here, '..', 'build-web', 'site')];
if (!(rounds > 0) || !(seconds > 0) || args.some((a) => a.startsWith('--'))) {
  console.error('usage: node bench/web_run.mjs [--rounds N] [--seconds S] [--profile] [--shots FOLDER] [SITE ...]');
  process.exit(2);
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const TICK = 100;  // clock ticks a second in /proc

// The type of a chromium process: its --type, with a utility's service.
function processType(pid) {
  try {
    // A child may have rewritten its command line as one line of words.
    const command = readFileSync(`/proc/${pid}/cmdline`, 'utf8').split(/[\0 ]/);
    const type = command.find((a) => a.startsWith('--type='))?.slice(7);
    if (type === undefined) return 'browser';
    if (type !== 'utility') return type;
    const service = command.find((a) => a.startsWith('--utility-sub-type='))?.slice(19) ?? '';
    return service.replace(/\.mojom\..*/, '').replace(/^.*\./, '') || 'utility';
  } catch {
    return 'gone';
  }
}

// The processor time of each descendant of this process (the browser's), in
// seconds, by process type.
function cpuByType() {
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
  const byType = new Map();
  for (const [pid, time] of times) {
    for (let p = parents.get(pid) ?? 0; p > 1; p = parents.get(p) ?? 0) {
      if (p === process.pid) {
        const type = processType(pid);
        byType.set(type, (byType.get(type) ?? 0) + time);
        break;
      }
    }
  }
  return byType;
}

// Processor time over `seconds`, in % of a core, by type and in all.
async function measureCpu() {
  const before = cpuByType();
  await sleep(seconds * 1000);
  const after = cpuByType();
  const used = { all: 0 };
  for (const [type, time] of after) {
    // A process that started meanwhile counts from zero.
    const share = (100 * (time - (before.get(type) ?? 0))) / seconds;
    used[type] = share;
    used.all += share;
  }
  return used;
}

async function firstFrame(page) {
  for (;;) {
    const ms = await page.evaluate(() => window.quarvel?.firstFrameMs ?? null);
    if (ms !== null) return ms;
    await sleep(20);
  }
}

// The floor under a game in play: a page that does only what the game's
// design asks of any page, a wake-up at each of its 30 ticks a second and a
// small band of a 240x320 canvas, scaled up as the page's is, drawn at 6 of
// them (what the page does in play, counted).
const FLOOR_PAGE = `<!doctype html><body style="margin:0;background:#12151b">
<canvas id="c" width="240" height="320" style="width:720px;height:960px;image-rendering:pixelated"></canvas>
<script>
const g = document.getElementById('c').getContext('2d');
const band = new ImageData(56, 31);
let tick = 0;
(function wake() {
  if (++tick % 5 === 0) {
    band.data.fill(tick & 255);
    g.putImageData(band, (tick * 7) % 184, (tick * 13) % 289);
  }
  setTimeout(wake, 33);
})();
</script>`;

const VIEW = { viewport: { width: 1280, height: 800 } };
const browser = await launchBrowser();
await sleep(3000);  // the browser's own start settles
const servers = await Promise.all(sites.map((site) => serve(site)));
const addresses = servers.map((s) => `http://127.0.0.1:${s.address().port}/`);

// What the browser loads for the default screen, by file, and in all.
for (const [i, site] of sites.entries()) {
  const context = await browser.newContext(VIEW);
  const page = await context.newPage();
  const files = new Set();
  page.on('response', (response) => {
    if (response.status() === 200 && response.url().startsWith(addresses[i])) {
      files.add(new URL(response.url()).pathname.slice(1) || 'index.html');
    }
  });
  await page.goto(addresses[i]);
  await firstFrame(page);
  await sleep(2000);  // anything fetched after the first frame counts too
  let raw = 0;
  let gzip = 0;
  console.log(`${site}: transfer for the default screen (bytes, gzip -6):`);
  for (const name of [...files].sort()) {
    const body = readFileSync(join(site, name));
    const packed = gzipSync(body, { level: 6 }).length;
    raw += body.length;
    gzip += packed;
    console.log(`  ${name.padEnd(22)} ${String(body.length).padStart(9)} ${String(packed).padStart(9)}`);
  }
  console.log(`  ${'all'.padEnd(22)} ${String(raw).padStart(9)} ${String(gzip).padStart(9)}`);
  await context.close();
}

// The first frame on the emulated phone, from an empty cache.
async function throttledFirstFrame(address) {
  const context = await browser.newContext(VIEW);
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions', {
    offline: false, latency: 60, downloadThroughput: 9e6 / 8, uploadThroughput: 1.5e6 / 8,
  });
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: 4 });
  await page.goto(address);
  const ms = await firstFrame(page);
  await context.close();
  return ms;
}

// Self time of the renderer's main thread in a game, by part.
async function profileGame(page) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Profiler.enable');
  await cdp.send('Profiler.setSamplingInterval', { interval: 500 });
  await cdp.send('Profiler.start');
  await sleep(seconds * 1000);
  const { profile: p } = await cdp.send('Profiler.stop');
  const parts = new Map();
  const dt = new Map(p.nodes.map((n) => [n.id, 0]));
  for (let i = 0; i < p.samples.length; i++) dt.set(p.samples[i], dt.get(p.samples[i]) + (p.timeDeltas[i] ?? 0));
  for (const node of p.nodes) {
    const { url, functionName } = node.callFrame;
    let part;
    if (url.startsWith('wasm://')) part = 'the program (wasm)';
    else if (url.endsWith('page.js')) part = `page.js ${functionName || '(top)'}`;
    else if (url.startsWith('blob:')) part = `quarvel.js ${/sleep|rewind|unwind|Asyncify|handleSleep|maybeStop|whenDone/i.test(functionName) ? 'asyncify' : 'glue'}`;
    else part = functionName || url || '(native)';
    parts.set(part, (parts.get(part) ?? 0) + dt.get(node.id));
  }
  const total = [...parts.values()].reduce((a, b) => a + b, 0);
  const busy = total - (parts.get('(idle)') ?? 0);
  return [...parts].filter(([k]) => k !== '(idle)').sort((a, b) => b[1] - a[1]).slice(0, 8)
    .map(([k, v]) => `${k} ${((100 * v) / total).toFixed(2)}%`).join(', ') +
    ` (busy ${((100 * busy) / total).toFixed(1)}% of the main thread)`;
}

const results = sites.map(() => ({ cold: [], warm: [], phone: [], cpu: {} }));
const empty = [];
const floor = [];
const note = (result, what, used) => (result.cpu[what] ??= []).push(used);

for (let round = 0; round < rounds; round++) {
  {
    const context = await browser.newContext(VIEW);
    const page = await context.newPage();
    await page.goto('about:blank');
    await sleep(1000);
    empty.push(await measureCpu());
    await page.setContent(FLOOR_PAGE);
    await sleep(1000);
    floor.push(await measureCpu());
    await context.close();
  }
  for (const [i, address] of addresses.entries()) {
    const result = results[i];
    result.phone.push(await throttledFirstFrame(address));
    const context = await browser.newContext(VIEW);
    const page = await context.newPage();
    await page.goto(address);
    result.cold.push(await firstFrame(page));
    await page.goto('about:blank');
    await page.goto(address);
    result.warm.push(await firstFrame(page));
    await sleep(1000);
    note(result, 'the idle title', await measureCpu());
    // A game on medium falling by itself, a piece moved now and then.
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    await sleep(500);
    const moving = setInterval(() => page.keyboard.press('ArrowLeft').catch(() => {}), 700);
    note(result, 'a game in play', await measureCpu());
    if (profile && round === 0) result.profile = await profileGame(page);
    clearInterval(moving);
    await page.keyboard.press('F1');  // paused
    await sleep(1000);
    note(result, 'a paused game', await measureCpu());
    await context.close();
  }
}

const ms = (values) => `${median(values).toFixed(0)} ms (${values.map((v) => v.toFixed(0)).join(', ')})`;
const cpu = (list) => {
  const types = [...new Set(list.flatMap((u) => Object.keys(u)))].filter((t) => t !== 'all');
  const shares = types.map((t) => [t, median(list.map((u) => u[t] ?? 0))])
    .filter(([, v]) => v >= 0.05).sort((a, b) => b[1] - a[1]);
  return `${median(list.map((u) => u.all)).toFixed(2)} % (${list.map((u) => u.all.toFixed(2)).join(', ')}; ` +
    `${shares.map(([t, v]) => `${t} ${v.toFixed(2)}`).join(', ')})`;
};
console.log(`\n${rounds} rounds, cpu in % of a core over ${seconds} s, medians`);
console.log(`cpu, an empty page: ${cpu(empty)}`);
console.log(`cpu, the floor of a game in play (30 wake-ups and 6 bands drawn a second): ${cpu(floor)}`);
for (const [i, site] of sites.entries()) {
  const r = results[i];
  console.log(`${site}:`);
  console.log(`  first frame, cold: ${ms(r.cold)}`);
  console.log(`  first frame, warm: ${ms(r.warm)}`);
  console.log(`  first frame, phone (Fast 4G, 4x slower cpu, cold): ${ms(r.phone)}`);
  for (const [what, list] of Object.entries(r.cpu)) console.log(`  cpu, ${what}: ${cpu(list)}`);
  if (r.profile) console.log(`  renderer in play: ${r.profile}`);
}

if (shots !== null) {
  const views = {
    desktop: VIEW,
    phone: { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
  };
  for (const [name, options] of Object.entries(views)) {
    const context = await browser.newContext(options);
    const page = await context.newPage();
    await page.goto(addresses[addresses.length - 1]);
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
for (const server of servers) server.close();
