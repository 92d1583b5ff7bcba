// WebKitGTK, the engine Safari shares, for the browser tests: its MiniBrowser
// driven through Debian's WebKitWebDriver with selenium-webdriver, on an Xvfb
// display of its own (WebKitGTK has no headless mode). Selenium only talks to
// the driver started here: it never looks for one (no selenium-manager).
// Everything started here is stopped when the tests end, however the process
// exits.
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import { get } from 'node:http';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { Builder } from 'selenium-webdriver';

export const here = dirname(fileURLToPath(import.meta.url));
export const root = join(here, '..', '..');
export const site = process.env.QUARVEL_WEB_SITE ?? join(root, 'build-web', 'site');
export const native = process.env.QUARVEL_NATIVE_BUILD ?? join(root, 'build');
export const DRIVER = process.env.QUARVEL_WEBKIT_DRIVER ?? '/usr/bin/WebKitWebDriver';
const XVFB = '/usr/bin/Xvfb';

// Debian ships MiniBrowser with the library (libwebkit2gtk-4.1-0), under
// /usr/lib/<multiarch>/webkit2gtk-4.1/.
export function miniBrowser() {
  if (process.env.QUARVEL_MINIBROWSER) return process.env.QUARVEL_MINIBROWSER;
  const found = readdirSync('/usr/lib')
    .map((folder) => join('/usr/lib', folder, 'webkit2gtk-4.1', 'MiniBrowser'))
    .find((path) => existsSync(path));
  if (!found) throw new Error('WebKitWebDriver is installed but MiniBrowser is not (Debian\'s libwebkit2gtk-4.1-0 has it)');
  return found;
}

// Why the WebKit tests cannot run here, or null: only a missing driver skips
// them; anything else missing with it is a broken install, and fails.
export const absent = existsSync(DRIVER)
  ? null
  : `no ${DRIVER}: scripts/web --setup-tests installs webkit2gtk-driver`;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// `promise`, or a failure naming `what` after `ms`.
export function bounded(promise, ms, what) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`timed out after ${ms} ms: ${what}`)), ms);
  });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

// Each child leads a process group of its own (the driver's holds MiniBrowser
// and WebKit's processes), ended as a group. A watchdog outside this process
// is told of each group and each served folder: once this process has gone,
// however it went (its pipe closes), it ends the groups and removes the
// folders.
const WATCHDOG = `while IFS= read -r line; do
  case $line in
    /*) trees="$trees$line
" ;;
    *) groups="$groups $line" ;;
  esac
done
for group in $groups; do kill -s KILL -- "-$group" 2>/dev/null; done
printf '%s' "$trees" | while IFS= read -r tree; do rm -rf -- "$tree"; done`;
let watchdog = null;
function tell(line) {
  if (watchdog === null) {
    watchdog = spawn('sh', ['-c', WATCHDOG], { stdio: ['pipe', 'ignore', 'ignore'], detached: true });
    watchdog.unref();
    watchdog.stdin.unref();
  }
  watchdog.stdin.write(`${line}\n`);
}

function startChild(command, args, options) {
  const child = spawn(command, args, { ...options, detached: true });
  tell(child.pid);
  return child;
}

function endGroup(child) {
  try {
    process.kill(-child.pid, 'SIGKILL');
  } catch {
    // Already gone.
  }
}

// Whether `url` answers 200 within a second.
const answers = (url) =>
  new Promise((resolve) => {
    const asked = get(url, { timeout: 1000 }, (response) => {
      response.resume();
      resolve(response.statusCode === 200);
    });
    asked.on('timeout', () => asked.destroy());
    asked.on('error', () => resolve(false));
  });

const exited = (child) => new Promise((resolve) => child.once('exit', resolve));

// An Xvfb on a display it picks itself (-displayfd): its number, once it is
// ready. Servers started side by side may pick the same display; one gives up
// and is started again. Without a window manager the keyboard focus follows
// the pointer, which rests at the screen's middle: inside MiniBrowser's window
// (1024x768 at the top left), so its page has the focus it needs to play.
async function startXvfb() {
  if (!existsSync(XVFB)) throw new Error(`no ${XVFB}: scripts/web --setup-tests installs xvfb`);
  let errors = '';
  for (let attempt = 0; attempt < 5; attempt++) {
    const xvfb = startChild(XVFB, ['-displayfd', '3', '-nolisten', 'tcp', '-screen', '0', '1280x1024x24'],
      { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
    errors = '';
    xvfb.stderr.on('data', (data) => (errors += data));
    let number = '';
    const ready = new Promise((resolve) => {
      xvfb.stdio[3].on('data', (data) => {
        number += data;
        if (number.includes('\n')) resolve(true);
      });
      xvfb.once('exit', () => resolve(false));
    });
    if (await bounded(ready, 10000, 'Xvfb starting')) return { xvfb, display: `:${number.trim()}` };
  }
  throw new Error(`Xvfb did not start: ${errors.trim().split('\n').pop()}`);
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// WebKitWebDriver on a free port of 127.0.0.1: its address once it answers.
async function startDriver(display) {
  let output = '';
  let why = '';
  for (let attempt = 0; attempt < 3; attempt++) {
    const port = await freePort();
    const driver = startChild(DRIVER, [`--host=127.0.0.1`, `--port=${port}`], {
      stdio: ['ignore', 'pipe', 'pipe'],
      env: { ...process.env, DISPLAY: display, GDK_BACKEND: 'x11', NO_AT_BRIDGE: '1', WAYLAND_DISPLAY: '' },
    });
    output = '';
    driver.stdout.on('data', (data) => (output += data));
    driver.stderr.on('data', (data) => (output += data));
    const address = `http://127.0.0.1:${port}/`;
    const gone = exited(driver).then((code) => `it exited (${code ?? driver.signalCode})`);
    for (const start = Date.now(); Date.now() - start < 10000; await sleep(50)) {
      const answer = await Promise.race([answers(`${address}status`), gone]);
      if (answer === true) return { driver, address, output: () => output };
      if (answer !== false) {
        why = answer;  // the port was taken meanwhile, or it cannot run
        break;
      }
      why = 'no answer in 10 s';
    }
    endGroup(driver);
  }
  throw new Error(`WebKitWebDriver did not start: ${why}${output.trim() ? `: ${output.trim().split('\n').pop()}` : ''}`);
}

// The site's files linked beside the tests' own (WebDriver cannot route
// requests): test-scripts/ holds tests/web/scripts/ (shots going to /tmp, as
// the chromium tests route them) and blank.html, a page of the site that
// starts no game; without.html is the page with test-scripts/without.js run
// before page.js, which takes away what ?without= names, as a browser
// lacking it, and with ?wakelog puts in a Screen Wake Lock that records.
const WITHOUT = `// The features named in ?without= taken away before the page starts.
for (const name of new URLSearchParams(location.search).get('without')?.split(',') ?? []) {
  if (name === 'locks') delete Navigator.prototype.locks;
  if (name === 'wakelock') delete Navigator.prototype.wakeLock;
  if (name === 'fullscreen') {
    for (const key of ['fullscreenEnabled', 'fullscreenElement', 'exitFullscreen', 'onfullscreenchange',
      'webkitFullscreenEnabled', 'webkitFullscreenElement', 'webkitExitFullscreen']) delete Document.prototype[key];
    for (const key of ['requestFullscreen', 'webkitRequestFullscreen']) delete Element.prototype[key];
  }
}
// With ?wakelog, a wake lock that only records what the page asks of it, in
// window.wakeLog.
if (new URLSearchParams(location.search).has('wakelog')) {
  window.wakeLog = [];
  const request = async () => {
    window.wakeLog.push('request');
    const lock = new EventTarget();
    lock.release = async () => window.wakeLog.push('release');
    return lock;
  };
  Object.defineProperty(Navigator.prototype, 'wakeLock', { value: { request }, configurable: true });
}
`;

function testSite(folder) {
  const tree = mkdtempSync(join(tmpdir(), 'quarvel-webkit-'));
  tell(tree);
  const served = join(tree, 'site');
  mkdirSync(join(served, 'test-scripts'), { recursive: true });
  for (const name of readdirSync(folder)) symlinkSync(join(folder, name), join(served, name));
  for (const name of readdirSync(join(here, 'scripts'))) {
    const text = readFileSync(join(here, 'scripts', name), 'utf8').replaceAll('@OUT@', '/tmp');
    writeFileSync(join(served, 'test-scripts', name), text);
  }
  writeFileSync(join(served, 'test-scripts', 'without.js'), WITHOUT);
  writeFileSync(join(served, 'test-scripts', 'blank.html'), '<!doctype html>\n<title>Blank</title>\n');
  const page = readFileSync(join(folder, 'index.html'), 'utf8');
  const withScript = page.replace('<script src="page.js"', '<script src="test-scripts/without.js"></script>\n$&');
  if (withScript === page) throw new Error('index.html loads no page.js');
  writeFileSync(join(served, 'without.html'), withScript);
  return { tree, served };
}

// Xvfb, the driver and the served folder for a file's tests, until
// stopWebKit; session() starts a MiniBrowser (a profile of its own, nothing
// stored), end(session) closes it.
export async function startWebKit() {
  const browser = miniBrowser();
  const { tree, served } = testSite(site);
  const started = { tree, served, sessions: new Set() };
  try {
    Object.assign(started, await startXvfb());
    Object.assign(started, await startDriver(started.display));
  } catch (error) {
    await stopWebKit(started);
    throw error;
  }
  started.session = async () => {
    const session = await bounded(new Builder()
      .disableEnvironmentOverrides()
      .usingServer(started.address)
      .withCapabilities({
        browserName: 'MiniBrowser',
        'webkitgtk:browserOptions': { binary: browser, args: ['--automation'] },
        timeouts: { script: 15000, pageLoad: 30000, implicit: 0 },
      })
      .build(), 30000, `a MiniBrowser session (${started.output().trim().split('\n').pop() ?? ''})`);
    started.sessions.add(session);
    return session;
  };
  started.end = async (session) => {
    started.sessions.delete(session);
    await bounded(session.quit(), 10000, 'closing MiniBrowser').catch(() => {});
  };
  return started;
}

export async function stopWebKit(started) {
  for (const session of [...(started.sessions ?? [])]) await started.end(session);
  for (const child of [started.driver, started.xvfb]) {
    if (!child) continue;
    const gone = child.exitCode === null && child.signalCode === null ? exited(child) : null;
    endGroup(child);  // the leader may be gone, and others of its group not
    if (gone) await bounded(gone, 5000, 'a child ending').catch(() => {});
  }
  rmSync(started.tree, { recursive: true, force: true });
}

// The page's console and errors, kept from now on in the page: its program
// writes its event log (?log) with console.log, which WebDriver cannot read
// from WebKitGTK.
export const recordConsole = (session) =>
  session.executeScript(() => {
    const lines = (window.testLines = []);
    for (const kind of ['log', 'error']) {
      const write = console[kind];
      console[kind] = (...parts) => {
        lines.push(parts.join(' '));
        write.apply(console, parts);
      };
    }
    addEventListener('error', (event) => lines.push(`pageerror ${event.message}`));
    addEventListener('unhandledrejection', (event) => lines.push(`pageerror ${event.reason}`));
  });

export const linesOf = (session) => session.executeScript(() => window.testLines ?? []);
