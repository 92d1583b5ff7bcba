// A phone's habits: the screen kept on while a game runs and let go when it
// stops; the game's area takes its touches itself (no zoom, no pull to
// refresh, no selection); sound unlocks at the end of a touch too. Run by
// scripts/test-web.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { web, open, firstFrame, until, canvasState, PHONE } from './harness.mjs';

test('a running game keeps the screen on; paused, it lets it go', async () => {
  const c = await web.browser.newContext();
  await c.addInitScript(() => {
    window.wakeLog = [];
    Object.defineProperty(navigator, 'wakeLock', {
      value: {
        request: async () => {
          window.wakeLog.push('request');
          const lock = new EventTarget();
          lock.release = async () => window.wakeLog.push('release');
          return lock;
        },
      },
    });
  });
  const p = await c.newPage();
  await p.goto(web.address + '?screen=240x320');
  await firstFrame(p);
  await new Promise((resolve) => setTimeout(resolve, 500));
  const log = () => p.evaluate(() => window.wakeLog.join(' '));
  assert.equal(await log(), '', 'the title keeps nothing on');
  await p.keyboard.press('ArrowDown');
  await p.keyboard.press('Enter');
  await until('the lock', async () => (await log()) === 'request', 5000);
  await p.keyboard.press('F1');  // pause
  await until('the release', async () => (await log()) === 'request release', 5000);
  await p.keyboard.press('F1');  // resume
  await until('the lock again', async () => (await log()) === 'request release request', 5000);
  await c.close();
});

test('the game takes its touches itself, and sound unlocks at a touch\'s end', async () => {
  const { context, page } = await open('?screen=240x320', PHONE);
  await firstFrame(page);
  const styles = await page.evaluate(() => {
    const game = getComputedStyle(document.getElementById('game'));
    return {
      touch: game.touchAction,
      select: game.userSelect,
      overscroll: getComputedStyle(document.documentElement).overscrollBehaviorY,
    };
  });
  assert.deepEqual(styles, { touch: 'none', select: 'none', overscroll: 'none' });
  const resumed = await page.evaluate(() => {
    let asked = 0;
    window.Module.SDL2 = { audioContext: { state: 'suspended', resume: async () => ++asked } };
    document.getElementById('screen').dispatchEvent(new PointerEvent('pointerup', { bubbles: true }));
    document.dispatchEvent(new KeyboardEvent('keyup', { bubbles: true }));
    return asked;
  });
  assert.equal(resumed, 2);
  await context.close();
});

test('without Web Locks, the Fullscreen API or a wake lock the page plays and saves', async () => {
  const context = await web.browser.newContext();
  await context.addInitScript(() => {
    for (const [owner, name] of [[Navigator.prototype, 'locks'], [Navigator.prototype, 'wakeLock'],
      [Document.prototype, 'fullscreenEnabled'], [Element.prototype, 'requestFullscreen']]) {
      delete owner[name];
      Object.defineProperty(owner, name, { value: undefined, configurable: true });
    }
  });
  const page = await context.newPage();
  await page.goto(web.address + '?screen=240x320');
  await firstFrame(page);
  assert.equal(await page.locator('#fullscreen-button').isHidden(), true);
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Enter');
  await page.reload();  // closes the game, which saves
  await firstFrame(page);
  assert.match(await page.evaluate(() => localStorage.getItem('quarvel/settings.reg')), /"HighScores"/);
  await context.close();
});

test('gamepads are listened for only once asked, and then work', async () => {
  const context = await web.browser.newContext();
  await context.addInitScript(() => {
    // What the page listens for, and a pad whose D-pad Down is held.
    window.listening = new Set();
    const add = window.addEventListener.bind(window);
    const remove = window.removeEventListener.bind(window);
    window.addEventListener = (type, ...rest) => (window.listening.add(type), add(type, ...rest));
    window.removeEventListener = (type, ...rest) => (window.listening.delete(type), remove(type, ...rest));
    window.padDown = false;
    const buttons = () => Array.from({ length: 17 }, (_, i) => ({ pressed: i === 13 && window.padDown }));
    navigator.getGamepads = () => (window.padDown ? [{ index: 0, mapping: 'standard', buttons: buttons() }] : [null]);
  });
  const page = await context.newPage();
  await page.goto(web.address + '?screen=240x320');
  await firstFrame(page);
  const listening = () => page.evaluate(() => window.listening.has('gamepadconnected'));
  assert.equal(await listening(), false, 'nothing listened for at first');
  await page.click('#gamepad-button');
  assert.equal(await listening(), true);
  await page.reload();
  await firstFrame(page);
  assert.equal(await listening(), true, 'remembered');
  const before = await canvasState(page);
  await page.evaluate(() => {
    window.padDown = true;
    window.dispatchEvent(new Event('gamepadconnected'));
  });
  await until('the title to answer the pad', async () => (await canvasState(page)) !== before, 5000);
  await page.click('#gamepad-button');
  assert.equal(await listening(), false);
  await context.close();
});
