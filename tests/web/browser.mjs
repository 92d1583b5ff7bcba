// Debian's chromium, headless, driven by playwright-core: never a browser of
// playwright's own. Playwright gives it a new empty profile; the flags keep it
// off the network.
import { chromium } from 'playwright-core';

export const CHROMIUM = process.env.QUARVEL_CHROMIUM ?? '/usr/bin/chromium';

export function launchBrowser() {
  return chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
}
