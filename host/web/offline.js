// Makes the site playable offline: registers the service worker
// (service-worker.js, written by the build), which keeps this build's files
// and takes a new build only once no page of this one is open. Where there
// are no service workers (a browser without them, or plain http:// away from
// 127.0.0.1 and localhost) or the browser refuses one, the page plays from the
// network as before. Registered once the title shows (page.js tells), so that
// caching the site comes after the page's own start and takes the files it
// has just loaded from the browser's cache rather than the network.
'use strict';

if ('serviceWorker' in navigator) {
  addEventListener('quarvel-first-frame', () => {
    try {
      navigator.serviceWorker.register('service-worker.js').catch(() => {});
    } catch {
      // Refused at once (a page of an opaque origin): played as before.
    }
  }, { once: true });
}
