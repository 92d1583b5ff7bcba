// The browsers the page's tests drive with playwright-core, Debian's own and
// never one of playwright's: chromium (the default), or Firefox ESR through
// WebDriver BiDi with QUARVEL_BROWSER=firefox. Each starts with a new empty
// profile, kept off the network.
import { chromium, firefox } from 'playwright-core';

export const ENGINE = process.env.QUARVEL_BROWSER ?? 'chromium';
export const CHROMIUM = process.env.QUARVEL_CHROMIUM ?? '/usr/bin/chromium';
export const FIREFOX = process.env.QUARVEL_FIREFOX ?? '/usr/bin/firefox-esr';

export function launchBrowser() {
  if (ENGINE === 'firefox') {
    return firefox.launch({ channel: 'moz-firefox', executablePath: FIREFOX, headless: true });
  }
  if (ENGINE !== 'chromium') throw new Error(`QUARVEL_BROWSER: no engine "${ENGINE}" (chromium or firefox)`);
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
