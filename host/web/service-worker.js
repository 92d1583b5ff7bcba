// The web edition's service worker: it keeps every file of one build of the
// site in a cache of that build's own and answers the site's requests from it
// first, so that the page starts and plays with no network. The build writes
// this file with SITE filled in (files_list.cmake), so each build's worker
// differs and the browser takes a new build as an update: the new worker
// caches the new build's files and then waits, without skipWaiting, until no
// page of the old build is open (closing them all, not reloading one), so a
// running game never has its files changed; it then deletes the older
// builds' caches. A request for anything not in the list (a test's script) is
// left to the network, as without the worker.
'use strict';

// The build's id and each of its files with its size.
const SITE = /* SITE */ { build: '', files: {} };

const SCOPE = new URL(self.registration.scope);
const FILES = new Map(Object.entries(SITE.files).map(([name, { size }]) => [name, size]));
// The caches of this folder's builds: two sites of one address in different
// folders keep theirs apart.
const PREFIX = `quarvel ${SCOPE.pathname} `;
const CACHE = PREFIX + SITE.build;

// Every file, as the server has it now and checked against the list: a file
// of another build (a site half copied) fails the install, which the browser
// tries again at a later visit.
async function precache() {
  const cache = await caches.open(CACHE);
  try {
    await Promise.all([...FILES].map(async ([name, size]) => {
      const url = new URL(name, SCOPE);
      const response = await fetch(url, { cache: 'no-cache' });
      const body = await response.arrayBuffer();
      if (!response.ok || body.byteLength !== size) throw new Error(`${name} is not this build's`);
      const type = response.headers.get('Content-Type');
      await cache.put(url, new Response(body, { headers: type ? { 'Content-Type': type } : {} }));
    }));
  } catch (error) {
    await caches.delete(CACHE);
    throw error;
  }
}

self.addEventListener('install', (event) => event.waitUntil(precache()));

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    const old = (await caches.keys()).filter((name) => name.startsWith(PREFIX) && name !== CACHE);
    await Promise.all(old.map((name) => caches.delete(name)));
  })());
});

// The site's file a request asks for, whatever its query (the page's own
// ?screen=, ?script=, ?log); null for anything else.
function siteFile(request) {
  if (request.method !== 'GET') return null;
  const url = new URL(request.url);
  if (url.origin !== SCOPE.origin || !url.pathname.startsWith(SCOPE.pathname)) return null;
  let name;
  try {
    name = decodeURIComponent(url.pathname.slice(SCOPE.pathname.length)) || 'index.html';
  } catch {
    return null;
  }
  return FILES.has(name) ? name : null;
}

self.addEventListener('fetch', (event) => {
  const name = siteFile(event.request);
  if (name === null) return;
  event.respondWith((async () => {
    const cached = await (await caches.open(CACHE)).match(new URL(name, SCOPE));
    // A cache the browser dropped: the network, as without the worker.
    return cached ?? fetch(event.request);
  })());
});
