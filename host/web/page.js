// The web edition's page around the program (quarvel.js, built from
// host/web_*.cpp): it chooses the screen size and loads that pack, keeps the
// store in the browser's storage, scales the canvas by whole pixels, and turns
// the keyboard, the pointer and touch, the on-screen keypad, gamepads, the
// tab's visibility and focus and its closing into the phone's input.
//
// URL parameters: screen=176x220|240x240|240x320 (default: the largest that
// fits the window at a whole scale); for the tests script=FILE (a headless script from
// this site, played on the virtual clock with a store of its own, empty or
// store=FILE from this site) and log (the event log on the console).
'use strict';

(() => {
  const SIZES = ['240x320', '240x240', '176x220'];
  const STORE_FILE = '/store/settings.reg';
  const STORAGE_KEY = 'quarvel/settings.reg';
  const LOCK_NAME = 'quarvel/settings.reg';
  // The hidden field the phone's own keyboard types into holds this, so that
  // its Backspace has something to delete even when the name is empty.
  const SENTINEL = ' ';

  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');
  const status = $('status');
  const keypad = $('keypad');
  const typing = $('typing');
  const params = new URLSearchParams(location.search);
  const touchDevice = matchMedia('(pointer: coarse)').matches || navigator.maxTouchPoints > 0;

  // ---- What the page tells the player ----

  // Each text once; a button after it when one is given.
  const told = new Set();
  function notice(text, button) {
    if (told.has(text)) return;
    told.add(text);
    const p = $('notice');
    if (p.hidden) p.replaceChildren();
    else p.append(' ');
    p.append(text);
    if (button) p.append(' ', makeButton(button));
    p.hidden = false;
  }

  function makeButton({ label, action }) {
    const b = document.createElement('button');
    b.type = 'button';
    b.textContent = label;
    b.addEventListener('click', action);
    return b;
  }

  function showStatus(text, button) {
    status.replaceChildren(document.createTextNode(text));
    if (button) status.append(makeButton(button));
    status.hidden = false;
  }

  // ---- The screen size and the scale ----

  const keypadWanted = touchDevice || matchMedia('(max-width: 600px)').matches;
  keypad.hidden = !keypadWanted;
  $('keypad-button').setAttribute('aria-pressed', String(keypadWanted));

  // The keypad goes beside the screen when the viewport is wider than high.
  function arrange() {
    $('game').classList.toggle('beside', !keypad.hidden && innerWidth > innerHeight);
  }

  // The room the screen has, in device pixels: the game's area less the
  // keypad below or beside it.
  function room() {
    arrange();
    const game = $('game');
    const style = getComputedStyle(game);
    const gap = parseFloat(style.gap) || 0;
    let width = game.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
    let height = game.clientHeight - parseFloat(style.paddingTop) - parseFloat(style.paddingBottom);
    if (!keypad.hidden) {
      if (game.classList.contains('beside')) width -= keypad.offsetWidth + gap;
      else height -= keypad.offsetHeight + gap;
    }
    const dpr = devicePixelRatio || 1;
    return { width: Math.max(width, 0) * dpr, height: Math.max(height, 0) * dpr, dpr };
  }

  function parseSize(text) {
    const [width, height] = text.split('x').map(Number);
    return { name: text, width, height };
  }

  // The largest size that fits the room at a whole scale; the smallest when
  // none does.
  function chooseSize() {
    const asked = params.get('screen');
    if (asked !== null) {
      if (SIZES.includes(asked)) return parseSize(asked);
      notice(`There is no screen size "${asked}" (there are ${SIZES.join(', ')}): the page chose one.`);
    }
    const r = room();
    const fits = SIZES.map(parseSize).find(
      (s) => s.width * r.dpr <= r.width && s.height * r.dpr <= r.height);
    return fits ?? parseSize(SIZES[SIZES.length - 1]);
  }

  const size = chooseSize();
  canvas.width = size.width;
  canvas.height = size.height;
  const context = canvas.getContext('2d', { alpha: false });

  // The canvas at the largest whole scale of device pixels that fits; a room
  // too small for scale 1 gets the canvas shrunk to fit.
  function rescale() {
    const r = room();
    const fit = Math.min(r.width / size.width, r.height / size.height);
    const scale = fit >= 1 ? Math.floor(fit) : fit;
    canvas.style.width = `${(size.width * scale) / r.dpr}px`;
    canvas.style.height = `${(size.height * scale) / r.dpr}px`;
  }
  rescale();
  addEventListener('resize', rescale);
  document.addEventListener('fullscreenchange', rescale);

  $('keypad-button').addEventListener('click', () => {
    keypad.hidden = !keypad.hidden;
    $('keypad-button').setAttribute('aria-pressed', String(!keypad.hidden));
    rescale();
    canvas.focus();
  });

  function toggleFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    } else {
      document.documentElement.requestFullscreen().catch(() => {});
    }
  }
  // An installed page (standalone) fills its window already: no button.
  if (document.fullscreenEnabled && !matchMedia('(display-mode: standalone)').matches) {
    $('fullscreen-button').addEventListener('click', () => {
      toggleFullScreen();
      canvas.focus();
    });
  } else {
    $('fullscreen-button').hidden = true;
  }

  // ---- The store: the browser's storage, held by the first tab ----

  // localStorage may be missing or refuse to be touched (storage blocked).
  function storage() {
    try {
      return window.localStorage ?? null;
    } catch {
      return null;
    }
  }

  function readStore() {
    try {
      return storage()?.getItem(STORAGE_KEY) ?? null;
    } catch {
      return null;
    }
  }

  const BLOCKED = 'This browser keeps nothing for this page: the game plays, but its scores and settings will not be kept.';
  const FULL = "The browser's storage for this page is full: the game plays, but its latest scores and settings could not be kept.";
  const SHARED = 'Quarvel is already open in another tab: this one plays, but saves nothing.';
  const UNKEPT = "The saved scores and settings could not be read, and the browser's storage has no room to keep them aside: the game plays from its defaults and saves nothing, so the old copy stays as it is.";

  // Whether this tab holds the store: the first tab takes a lock for as long
  // as it lives; another tab reads the store but saves nothing, as a second
  // game on one store does on the desktop. Without locks (a page not served
  // from a secure origin) every tab holds it.
  let holdsStore = true;
  const storeTaken = new Promise((resolve) => {
    if (!navigator.locks) {
      resolve();
      return;
    }
    navigator.locks
      .request(LOCK_NAME, { ifAvailable: true }, (lock) => {
        holdsStore = lock !== null;
        resolve();
        // Held until the page goes.
        return lock ? new Promise(() => {}) : undefined;
      })
      .catch(() => resolve());
  });

  // A stored copy the program could not read is kept beside it, as the
  // desktop keeps "settings.reg.bad": under the first free name of
  // "<key>.bad", "<key>.bad.1", ..., never over an earlier one (the same text
  // kept by an earlier visit is not kept twice). Until it is kept, nothing
  // replaces it.
  let loadedStore = null;  // the stored text the program was given
  let unkept = null;       // an unreadable copy not yet kept aside
  function keepAside(local, text) {
    for (let n = 0; n < 1000; n++) {
      const name = `${STORAGE_KEY}.bad${n === 0 ? '' : `.${n}`}`;
      const there = local.getItem(name);
      if (there === text) return name;
      if (there === null) {
        local.setItem(name, text);
        return name;
      }
    }
    throw new Error('no free name');
  }

  // The file name a kept copy is offered under: "settings.reg.bad.1" for
  // "quarvel/settings.reg.bad.1".
  const keptFileName = (key) => key.slice(key.lastIndexOf('/') + 1);

  function keepUnreadable() {
    const local = storage();
    if (local === null) return false;
    let name;
    try {
      name = keepAside(local, unkept);
    } catch {
      notice(UNKEPT);
      return false;
    }
    const text = unkept;
    unkept = null;
    const file = keptFileName(name);
    notice(`The saved scores and settings could not be read, so the game starts from its defaults; the old copy is kept in this browser as ${file}.`,
      { label: 'Save it as a file', action: () => download(file, text) });
    return true;
  }

  function storeUnreadable() {
    if (loadedStore === null || !holdsStore) return;
    unkept = loadedStore;
    keepUnreadable();
  }

  // Once something is saved, the browser is asked to keep the page's storage
  // even when it runs short of room (or, as Safari does, after a week without
  // a visit). A browser may say no; installing the page counts for yes on
  // most, iPhones included.
  let askedToKeep = false;
  function askToKeep() {
    if (askedToKeep) return;
    askedToKeep = true;
    navigator.storage?.persist?.().catch(() => {});
  }

  function download(name, text) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
    a.download = name;
    a.click();
    setTimeout(() => URL.revokeObjectURL(a.href), 60000);
  }

  function saveStore(text) {
    if (!holdsStore) {
      notice(SHARED);
      return false;
    }
    const local = storage();
    if (local === null) {
      notice(BLOCKED);
      return false;
    }
    if (unkept !== null && !keepUnreadable()) return false;
    try {
      local.setItem(STORAGE_KEY, text);
      askToKeep();
      return true;
    } catch {
      notice(FULL);
      return false;
    }
  }

  // ---- The store as a file: saved, and loaded in its place ----

  // The game saves its table, keys and options only when it closes (as on
  // the phone), so both close it in order first: saving then offers the
  // store as it now is; loading puts the file in the store's place, keeps the
  // store it replaces aside as an unreadable one is kept, and starts again.
  const LOADED_KEY = 'quarvel/loaded';  // in sessionStorage: what the last load did
  const MAX_STORE_BYTES = 1 << 20;
  let afterClose = null;  // what to do once the program has closed

  function whenClosed(then) {
    if (!running) {
      then();
      return;
    }
    afterClose = then;
    close();
  }

  function saveToFile() {
    if (script !== null) return;
    whenClosed(() => {
      const text = readStore();
      if (text === null) {
        showStatus('Quarvel has closed. There is nothing to save: this browser keeps no scores for this page.', PLAY_AGAIN);
        return;
      }
      download('settings.reg', text);
      showStatus('Quarvel has closed, and its scores, keys and options are saved as settings.reg.', PLAY_AGAIN);
    });
  }

  async function loadFromFile(file) {
    if (script !== null || file === undefined) return;
    const refused = (why) => notice(`${file.name} ${why}: nothing was changed.`);
    if (!holdsStore) {
      notice(SHARED);
      return;
    }
    if (file.size > MAX_STORE_BYTES) {
      refused('is larger than a settings file can be');
      return;
    }
    const text = await file.text();
    // The store's own reader judges it, as it would the desktop's file.
    let reads = false;
    try {
      FS.writeFile('/scratch/loaded.reg', text);
      reads = Module._QuarvelWebStoreReads(...strings('/scratch/loaded.reg')) === 1;
      FS.unlink('/scratch/loaded.reg');
    } catch {
      reads = false;
    }
    if (!reads) {
      refused('is not a Quarvel settings file');
      return;
    }
    whenClosed(() => {
      const local = storage();
      if (local === null) {
        showStatus(BLOCKED, PLAY_AGAIN);
        return;
      }
      const current = readStore();
      let kept = null;
      try {
        if (current !== null && current !== text) kept = keepAside(local, current);
        local.setItem(STORAGE_KEY, text);
      } catch {
        showStatus(`Quarvel has closed. The browser's storage has no room for ${file.name}: nothing was changed.`, PLAY_AGAIN);
        return;
      }
      try {
        sessionStorage.setItem(LOADED_KEY, JSON.stringify({ file: file.name, kept }));
      } catch {
        // Only the word after the start is lost.
      }
      location.reload();
    });
  }

  // After a load: what was loaded, and where the store it replaced is kept.
  function tellLoaded() {
    let loaded = null;
    try {
      loaded = JSON.parse(sessionStorage.getItem(LOADED_KEY));
      sessionStorage.removeItem(LOADED_KEY);
    } catch {
      return;
    }
    if (!loaded || typeof loaded.file !== 'string') return;
    if (typeof loaded.kept !== 'string') {
      notice(`Loaded ${loaded.file}.`);
      return;
    }
    const name = keptFileName(loaded.kept);
    notice(`Loaded ${loaded.file}; the scores it replaced are kept in this browser as ${name}.`, {
      label: 'Save them as a file',
      action: () => {
        const text = storage()?.getItem(loaded.kept);
        if (text) download(name, text);
      },
    });
  }

  $('save-button').addEventListener('click', saveToFile);
  $('load-button').addEventListener('click', () => $('load-file').click());
  $('load-file').addEventListener('change', (event) => {
    const file = event.target.files[0];
    event.target.value = '';
    loadFromFile(file);
  });

  // ---- The program's waits, and the input that ends them ----

  let wakeUp = null;
  let wakeTimer = 0;
  let running = false;

  function wake() {
    const resume = wakeUp;
    if (resume === null) return;
    wakeUp = null;
    clearTimeout(wakeTimer);
    try {
      resume();
    } catch (error) {
      stopped(error.message);
      throw error;
    }
  }

  // Hands input to the program and lets it run on at once: its response is
  // drawn before the event handler returns (and a name field it opens may take
  // the focus, which phones allow only then).
  function input(deliver) {
    if (!running) return;
    deliver();
    wake();
  }

  // Strings for the program go through the web host's buffer: the program's
  // stack is its own while it waits. Each is at most 255 bytes of UTF-8.
  const TEXT_BYTES = 256;
  function strings(...values) {
    const buffer = Module._QuarvelWebBuffer();
    return values.map((value, i) => {
      stringToUTF8(value, buffer + i * TEXT_BYTES, TEXT_BYTES);
      return buffer + i * TEXT_BYTES;
    });
  }

  const held = new Set();  // the keys held down, by the names given to QuarvelWebKey
  function key(code, name, down) {
    if (!running) return 0;
    const id = `${code}\n${name}`;
    if (down) held.add(id);
    else held.delete(id);
    const phone = Module._QuarvelWebKey(...strings(code, name), down ? 1 : 0);
    wake();
    return phone;
  }

  // Typed text, in pieces of whole characters that fit the buffer.
  function text(value) {
    const characters = [...value];
    for (let i = 0; i < characters.length; i += 60) {
      const piece = characters.slice(i, i + 60).join('');
      input(() => Module._QuarvelWebText(...strings(piece)));
    }
  }

  function pressKey(code) {
    key(code, '', true);
    key(code, '', false);
  }

  // Keys held when the page loses the focus are let go, as a desktop's window
  // system does.
  function releaseKeys() {
    for (const id of [...held]) {
      const [code, name] = id.split('\n');
      key(code, name, false);
    }
  }

  // ---- The keyboard ----

  // A character typed: one Unicode character, without Ctrl or the Meta key.
  function typedCharacter(event) {
    return [...event.key].length === 1 && !event.ctrlKey && !event.metaKey ? event.key : null;
  }

  addEventListener('keydown', (event) => {
    if (event.altKey && (event.code === 'Enter' || event.code === 'NumpadEnter')) {
      event.preventDefault();
      if (!event.repeat) toggleFullScreen();
      return;
    }
    // The phone's own keyboard types into the hidden field, which hands on what
    // it made (takeTyped, below); its keys come as "Unidentified" or composing.
    if (event.target === typing &&
        (event.isComposing || event.key === 'Unidentified' || event.key === 'Backspace')) {
      return;
    }
    if (event.target instanceof HTMLButtonElement && (event.key === 'Enter' || event.key === ' ')) {
      return;
    }
    const phone = key(event.code, event.key, true);
    const character = typedCharacter(event);
    if (character !== null) text(character);
    // The game's keys are kept from the browser's shortcuts, but for those
    // with Ctrl, Alt or Meta (reloading, closing the tab).
    if ((phone !== 0 || character !== null) && !event.ctrlKey && !event.altKey && !event.metaKey) {
      event.preventDefault();
    }
  });

  addEventListener('keyup', (event) => {
    if (event.target === typing && event.key === 'Unidentified') return;
    if (held.has(`${event.code}\n${event.key}`)) {
      key(event.code, event.key, false);
    } else {
      // The key's meaning may have changed while it was down (Shift let go).
      for (const id of [...held]) {
        if (id.startsWith(`${event.code}\n`)) key(event.code, id.split('\n')[1], false);
      }
    }
  });

  // The phone's text-input panel: on a touch device the phone's own keyboard,
  // typing into the hidden field; what it holds beyond the sentinel is what
  // was typed since, and what it lost was deleted with Back.
  let panelUp = false;
  let typed = SENTINEL;
  let composing = false;

  function showKeyboard() {
    typing.value = SENTINEL;
    typed = SENTINEL;
    typing.focus({ preventScroll: true });
  }

  function inputPanel(up) {
    panelUp = up;
    if (!touchDevice) return;
    if (up) showKeyboard();
    else if (document.activeElement === typing) canvas.focus({ preventScroll: true });
  }

  function takeTyped() {
    if (composing) return;
    const value = typing.value;
    const before = [...typed];
    const now = [...value];
    let same = 0;
    while (same < before.length && same < now.length && before[same] === now[same]) same++;
    for (let i = same; i < before.length; i++) pressKey('Backspace');
    if (now.length > same) text(now.slice(same).join(''));
    typed = value;
    if (!value.startsWith(SENTINEL)) {
      typing.value = SENTINEL;
      typed = SENTINEL;
    }
  }
  typing.addEventListener('input', takeTyped);
  typing.addEventListener('compositionstart', () => { composing = true; });
  typing.addEventListener('compositionend', () => {
    composing = false;
    takeTyped();
  });

  // ---- The pointer and touch: the stylus ----

  let pen = null;  // the pointer holding the stylus down

  // The element hears the pointer's release even when it is let go elsewhere.
  function capture(element, pointerId) {
    try {
      element.setPointerCapture(pointerId);
    } catch {
      // A pointer already gone: its release comes all the same.
    }
  }

  function phonePoint(event) {
    const r = canvas.getBoundingClientRect();
    const x = Math.floor(((event.clientX - r.left) * size.width) / r.width);
    const y = Math.floor(((event.clientY - r.top) * size.height) / r.height);
    return [Math.min(Math.max(x, 0), size.width - 1), Math.min(Math.max(y, 0), size.height - 1)];
  }

  let penAt = [0, 0];  // where the stylus was last put down or moved
  canvas.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    // Another finger while one holds the stylus is not the stylus. A primary
    // pointer going down while one still holds it means the end of the last
    // was lost (a browser that dropped it): the stylus is lifted there first.
    if (pen !== null) {
      if (!event.isPrimary) return;
      liftPen(penAt);
    }
    event.preventDefault();
    canvas.focus({ preventScroll: true });
    pen = event.pointerId;
    capture(canvas, event.pointerId);
    const [x, y] = phonePoint(event);
    penAt = [x, y];
    input(() => Module._QuarvelWebPen(1, x, y));
    // A tap while the name is asked for brings the phone's keyboard back.
    if (panelUp && touchDevice) showKeyboard();
  });

  function liftPen([x, y]) {
    pen = null;
    input(() => Module._QuarvelWebPen(0, x, y));
  }

  function penUp(event) {
    if (event.pointerId !== pen) return;
    liftPen(event.type === 'lostpointercapture' ? penAt : phonePoint(event));
  }
  canvas.addEventListener('pointerup', penUp);
  canvas.addEventListener('pointercancel', penUp);
  // The capture lost without an up (the pointer taken away, or its end
  // dropped) lifts the stylus too, as the keypad's buttons let go.
  canvas.addEventListener('lostpointercapture', penUp);
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());

  // ---- The on-screen keypad: each button holds its key while pressed ----

  for (const button of keypad.querySelectorAll('button')) {
    let pointer = null;
    const code = button.dataset.code;
    button.addEventListener('pointerdown', (event) => {
      if (pointer !== null) return;
      event.preventDefault();
      pointer = event.pointerId;
      capture(button, event.pointerId);
      button.classList.add('down');
      key(code, '', true);
    });
    const release = (event) => {
      if (event.pointerId !== pointer) return;
      pointer = null;
      button.classList.remove('down');
      key(code, '', false);
    };
    button.addEventListener('pointerup', release);
    button.addEventListener('pointercancel', release);
    button.addEventListener('lostpointercapture', release);
    button.addEventListener('contextmenu', (event) => event.preventDefault());
  }

  // ---- Gamepads: listened for only when the player asks ----

  // A browser that listens for gamepads looks at the machine's joysticks all
  // the time, which costs a phone's battery even with none there: the page
  // listens only once the Gamepad button is on (remembered), and looks at a
  // pad's buttons only while one is connected.
  const PADS_KEY = 'quarvel/gamepad';
  let padTimer = 0;
  const padButtons = new Map();  // gamepad index -> the buttons down
  function pollPads() {
    const pads = [...navigator.getGamepads()].filter((p) => p && p.mapping === 'standard');
    for (const pad of pads) {
      const before = padButtons.get(pad.index) ?? [];
      const now = pad.buttons.map((b) => b.pressed);
      now.forEach((down, i) => {
        if (down !== (before[i] ?? false)) input(() => Module._QuarvelWebButton(i, down ? 1 : 0));
      });
      padButtons.set(pad.index, now);
    }
    if (pads.length === 0) stopPolling();
  }
  function stopPolling() {
    clearInterval(padTimer);
    padTimer = 0;
  }
  function padConnected() {
    if (padTimer === 0) padTimer = setInterval(pollPads, 16);
  }
  function letGo(index) {
    for (const [i, down] of (padButtons.get(index) ?? []).entries()) {
      if (down) input(() => Module._QuarvelWebButton(i, 0));
    }
    padButtons.delete(index);
  }
  function padDisconnected(event) {
    letGo(event.gamepad.index);
  }
  function listenForPads(on) {
    $('gamepad-button').setAttribute('aria-pressed', String(on));
    if (on) {
      addEventListener('gamepadconnected', padConnected);
      addEventListener('gamepaddisconnected', padDisconnected);
      // One connected before (its connection heard by an earlier page).
      if ([...navigator.getGamepads()].some((p) => p)) padConnected();
    } else {
      removeEventListener('gamepadconnected', padConnected);
      removeEventListener('gamepaddisconnected', padDisconnected);
      stopPolling();
      for (const index of [...padButtons.keys()]) letGo(index);
    }
  }
  if (typeof navigator.getGamepads === 'function') {
    let wanted = false;
    try {
      wanted = storage()?.getItem(PADS_KEY) === 'on';
    } catch {
      wanted = false;
    }
    if (wanted) listenForPads(true);
    $('gamepad-button').addEventListener('click', () => {
      const on = $('gamepad-button').getAttribute('aria-pressed') !== 'true';
      listenForPads(on);
      try {
        if (on) storage()?.setItem(PADS_KEY, 'on');
        else storage()?.removeItem(PADS_KEY);
      } catch {
        // Not remembered: asked again at the next visit.
      }
      if (on) notice('Gamepad on: press a button on it to start using it.');
      canvas.focus({ preventScroll: true });
    });
  } else {
    $('gamepad-button').hidden = true;
  }

  // ---- The screen kept on while the program animates ----

  // A game in play wakes the program at every tick; on the title, paused or
  // in a dialog it sleeps until input or the clock's next minute. While its
  // sleeps are short the screen is kept on (the Screen Wake Lock, where the
  // browser has it); a long one lets it go, and so does the tab hidden, which
  // ends the lock by itself (it is asked again when the tab comes back).
  const ANIMATING_MS = 250;
  let awakeWanted = false;
  let awakeLock = null;  // the lock held, or the promise of one being asked
  function keepAwake(on) {
    if (on === awakeWanted) return;
    awakeWanted = on;
    if (!navigator.wakeLock) return;
    if (!on) {
      const lock = awakeLock;
      awakeLock = null;
      Promise.resolve(lock).then((l) => l?.release()).catch(() => {});
      return;
    }
    if (document.visibilityState !== 'visible') return;
    const asked = navigator.wakeLock.request('screen').then((lock) => {
      if (awakeLock !== asked) {
        lock.release().catch(() => {});
        return null;
      }
      awakeLock = lock;
      lock.addEventListener('release', () => {
        if (awakeLock === lock) awakeLock = null;
      });
      return lock;
    }, () => {
      if (awakeLock === asked) awakeLock = null;
      return null;
    });
    awakeLock = asked;
  }
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible' && awakeWanted && awakeLock === null) {
      awakeWanted = false;
      keepAwake(true);
    }
  });

  // ---- The tab's visibility and focus: the phone's foreground ----

  let active = true;
  function foreground() {
    const now = document.visibilityState === 'visible' && document.hasFocus();
    if (now === active) return;
    active = now;
    if (!now) {
      releaseKeys();
      if (pen !== null) liftPen(penAt);
    }
    input(() => Module._QuarvelWebActivate(now ? 1 : 0));
  }
  document.addEventListener('visibilitychange', foreground);
  addEventListener('focus', foreground);
  addEventListener('blur', foreground);

  // Leaving or reloading the page closes the game in order, as closing the
  // desktop window does: it saves what it saves then, before the page goes.
  // So does a hidden tab the browser freezes, as it may then discard it
  // without a word (as a phone's system ends a program it needs room from).
  const close = () => input(() => Module._QuarvelWebClose());
  addEventListener('pagehide', close);
  document.addEventListener('freeze', close);
  // A page brought back from the browser's history, or thawed, has a closed
  // game: start again.
  addEventListener('pageshow', (event) => {
    if (event.persisted) location.reload();
  });
  document.addEventListener('resume', () => {
    if (page.exitCode !== null) location.reload();
  });

  // Browsers play sound only after a key or a touch on the page; iOS counts
  // only the end of a touch, so every such event tries.
  let audioResting = false;
  function unlockSound() {
    const audio = globalThis.Module?.SDL2?.audioContext;
    if (audio && audio.state === 'suspended' && !audioResting) audio.resume().catch(() => {});
  }
  // While nothing plays, the audio graph is suspended: it would otherwise
  // render silence on the audio thread all the time the device is open.
  function restAudio(resting) {
    audioResting = resting;
    const audio = globalThis.Module?.SDL2?.audioContext;
    if (!audio) return;
    if (resting && audio.state === 'running') audio.suspend().catch(() => {});
    else if (!resting) unlockSound();
  }
  for (const type of ['keydown', 'keyup', 'pointerdown', 'pointerup', 'touchstart', 'touchend']) {
    addEventListener(type, unlockSound, { capture: true, passive: true });
  }

  // ---- The program ----

  // Every file the program needs is fetched here and checked against the
  // list the build wrote (files.json: each file's size): a file missing,
  // refused or cut short says so on the page, naming it, with a way to try
  // again, rather than leaving the page loading for ever or a game without
  // its text.
  class LoadError extends Error {}
  const TRY_AGAIN = { label: 'Try again', action: () => location.reload() };
  const PLAY_AGAIN = { label: 'Play again', action: () => location.reload() };

  async function fetchOk(url, name) {
    let response;
    try {
      response = await fetch(url, name === 'files.json' ? { cache: 'no-cache' } : {});
    } catch {
      throw new LoadError(`${name} could not be fetched (no network?)`);
    }
    if (!response.ok) throw new LoadError(`${name}: ${response.status} ${response.statusText}`.trim());
    return response;
  }

  // A promise of a size may fail (files.json did) before it is awaited here.
  const quietly = (size) => {
    Promise.resolve(size).catch(() => {});
    return size;
  };

  async function checkSize(name, bytes, size) {
    const wanted = await size;
    if (wanted !== undefined && bytes !== wanted) {
      throw new LoadError(`${name} is damaged (${bytes} bytes where the build wrote ${wanted})`);
    }
  }

  // A file's bytes; `size` (or a promise of it) is what the build wrote.
  async function fetchChecked(url, name, size) {
    return bodyChecked(await fetchOk(url, name), name, size);
  }

  async function bodyChecked(response, name, size) {
    let body;
    try {
      body = await response.arrayBuffer();
    } catch {
      throw new LoadError(`${name} was cut off while loading`);
    }
    await checkSize(name, body.byteLength, size);
    return body;
  }

  // The program's code, compiled while it downloads (and so while the other
  // files do): the bytes are counted on a second branch of the stream.
  async function compileChecked(name, size) {
    const response = await fetchOk(name, name);
    if (typeof WebAssembly.compileStreaming !== 'function' || !response.body) {
      return WebAssembly.compile(await bodyChecked(response, name, size));
    }
    const [toCompile, toCount] = response.body.tee();
    const compiling = WebAssembly.compileStreaming(
      new Response(toCompile, { headers: { 'Content-Type': 'application/wasm' } }));
    compiling.catch(() => {});  // a damaged file is reported by its size first
    let bytes = 0;
    try {
      for (const reader = toCount.getReader(); ;) {
        const { done, value } = await reader.read();
        if (done) break;
        bytes += value.byteLength;
      }
    } catch {
      throw new LoadError(`${name} was cut off while loading`);
    }
    await checkSize(name, bytes, size);
    try {
      return await compiling;
    } catch {
      throw new LoadError(`${name} is damaged (it does not compile)`);
    }
  }

  // A test's script: only a file of this site.
  async function fetchScript(value) {
    let url;
    try {
      url = new URL(value, location.href);
    } catch {
      throw new LoadError(`the script "${value}" is not an address`);
    }
    if (url.origin !== location.origin) throw new LoadError('the script must come from this site');
    return fetchChecked(url.href, `the script ${url.pathname}`);
  }

  // Every file at once, files.json too: each is checked once the list is in.
  // The program's script and its fonts come first (`early`), so that the
  // script runs while the code still compiles and the pack comes (`late`).
  function loadFiles() {
    const list = fetchChecked('files.json', 'files.json')
      .then((body) => JSON.parse(new TextDecoder().decode(body)));
    const sizeOf = async (name) => {
      const size = (await list).files?.[name]?.size;
      if (typeof size !== 'number') throw new LoadError(`files.json does not list ${name}`);
      return size;
    };
    const get = (name) => fetchChecked(name, name, quietly(sizeOf(name)));
    const pack = `packs/${size.name}.dll`;
    const early = Promise.all([get('quarvel.js'), get('quarvel.data')])
      .then(([code, data]) => ({ code, data }));
    const late = Promise.all([
      compileChecked('quarvel.wasm', quietly(sizeOf('quarvel.wasm'))), get(pack),
      script !== null ? fetchScript(script) : undefined,
      script !== null && scriptStore !== null ? fetchScript(scriptStore) : undefined,
    ]).then(([wasm, packBytes, scriptBytes, storeBytes]) =>
      ({ wasm, pack: packBytes, script: scriptBytes, store: storeBytes }));
    return { early, late };
  }

  const script = params.get('script');
  const scriptStore = params.get('store');
  const args = ['--screen', size.name, '--packs', '/packs'];
  if (script !== null) {
    args.push('--headless', '--script', '/script.txt', '--store', '/scratch/settings.reg');
  } else {
    args.push('--store', STORE_FILE);
  }
  if (params.has('log')) args.push('--log', '/dev/stdout');

  let lastError = '';
  function stopped(why) {
    running = false;
    showStatus(`Quarvel stopped: ${why}`, PLAY_AGAIN);
  }
  const page = {
    firstFrame() {
      page.firstFrameMs = performance.now();
      status.hidden = true;
      dispatchEvent(new Event('quarvel-first-frame'));
    },
    firstFrameMs: null,
    sleep(ms, resume, programMs = ms) {
      wakeUp = resume;
      wakeTimer = setTimeout(wake, ms);
      keepAwake(programMs < ANIMATING_MS);
    },
    show(pixels, x, y, width, height) {
      const rgba = new Uint8ClampedArray(pixels.buffer, pixels.byteOffset, pixels.length);
      context.putImageData(new ImageData(rgba, width, height), x, y);
    },
    inputPanel,
    audioResting: restAudio,
    saveStore,
    storeUnreadable,
    openLink(link) {
      if (!/^(https?|mailto):/i.test(link)) return false;
      return window.open(link, '_blank', 'noopener') !== null || link.startsWith('mailto:');
    },
    closed(code) {
      running = false;
      page.exitCode = code;
      keepAwake(false);
      if (afterClose !== null) {
        const then = afterClose;
        afterClose = null;
        then();
        return;
      }
      // A test reads the canvas as its script left it; a script that could
      // not run says why.
      if (script !== null && code === 0) return;
      showStatus(code === 2 && lastError ? lastError : 'Quarvel has closed.',
        script !== null ? TRY_AGAIN : PLAY_AGAIN);
    },
    exitCode: null,
  };

  // Runs the program's script once it and the fonts are in; the program
  // itself starts once `late` has brought the rest.
  function startProgram(early, late) {
    window.Module = {
      arguments: args,
      quarvelPage: page,
      // The code compiled as it came in.
      instantiateWasm(imports, receive) {
        late.then(({ wasm }) => WebAssembly.instantiate(wasm, imports)
          .then((instance) => receive(instance, wasm))
          .catch((error) => stopped(`quarvel.wasm could not start (${error.message})`)), () => {});
        return {};
      },
      getPreloadedPackage: () => early.data,
      print: (line) => console.log(line),
      printErr: (line) => {
        console.error(line);
        lastError = line;
      },
      preRun: [() => {
        Module.addRunDependency('quarvel-files');
        late.then((loaded) => {
          writeFiles(loaded);
          Module.removeRunDependency('quarvel-files');
        }, () => {});
      }],
      onAbort: (what) => stopped(what ?? lastError),
    };
    // The pack, the store and a test's script, into the program's file system.
    function writeFiles(loaded) {
      FS.mkdir('/packs');
      FS.writeFile(`/packs/${size.name}.dll`, new Uint8Array(loaded.pack));
      FS.mkdir('/store');
      FS.mkdir('/scratch');
      if (loaded.script !== undefined) {
        FS.writeFile('/script.txt', new Uint8Array(loaded.script));
        if (loaded.store !== undefined) FS.writeFile('/scratch/settings.reg', new Uint8Array(loaded.store));
      } else {
        loadedStore = readStore();
        if (loadedStore !== null) FS.writeFile(STORE_FILE, loadedStore);
        if (!holdsStore) notice(SHARED);
        tellLoaded();
      }
      running = true;
      // A tab opened behind another, or without the focus, starts so.
      setTimeout(foreground);
    }
    const program = document.createElement('script');
    program.src = URL.createObjectURL(new Blob([early.code], { type: 'text/javascript' }));
    program.onerror = () => showStatus('Quarvel could not start quarvel.js.', TRY_AGAIN);
    document.body.append(program);
  }

  // For the tests and for measuring.
  window.quarvel = page;

  if (typeof WebAssembly !== 'object') {
    showStatus('This browser cannot run Quarvel: it has no WebAssembly.');
    return;
  }
  // The program starts once its files are in and the store's holder is known.
  const couldNotLoad = (error) => {
    if (!(error instanceof LoadError)) console.error(error);
    showStatus(`Quarvel could not load: ${error instanceof LoadError ? error.message : 'the page met an error'}.`, TRY_AGAIN);
  };
  const { early, late } = loadFiles();
  // A file that fails says so once, whichever half it is in.
  Promise.all([early, late]).catch(couldNotLoad);
  Promise.all([early, storeTaken]).then(([first]) => startProgram(first, late), () => {});
  canvas.focus({ preventScroll: true });
})();
