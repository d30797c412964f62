// The page's service worker: a visit after the first needs no network. The build stamps its id
// and its files in here (web/stamp.cmake), so that a new build is a new worker, which the
// browser installs on the next visit: it keeps its files under its own id and, once it takes
// over, removes every older build's cache.
'use strict';
const BUILD = '@VELMAR_BUILD@';
const FILES = [@VELMAR_FILES@, 'velmar-build.json'];
const CACHE = 'velmar-' + BUILD;
// Fetched at install: the page itself. The first visit downloads the rest through the worker,
// which keeps each file as it passes; an update fetches them all before it takes over, so that
// the cache never holds part of one build and part of another.
const PAGE = ['index.html', 'velmar-page.js', 'velmar-page.css', 'velmar-build.json'];

function nameOf(url) {
  const u = new URL(url);
  if (u.origin !== self.location.origin) return null;
  const scope = new URL(self.registration.scope);
  if (!u.pathname.startsWith(scope.pathname)) return null;
  const name = u.pathname.slice(scope.pathname.length) || 'index.html';
  return FILES.includes(name) ? name : null;
}

self.addEventListener('install', event => {
  event.waitUntil((async () => {
    const older = (await caches.keys()).filter(k => k.startsWith('velmar-') && k !== CACHE);
    const cache = await caches.open(CACHE);
    await cache.addAll(older.length ? FILES : PAGE);
    // The first build takes the page at once; an update waits for the page to hand over (it
    // asks before it loads anything, see velmar-page.js).
    if (!older.length) await self.skipWaiting();
  })());
});

self.addEventListener('activate', event => {
  event.waitUntil((async () => {
    for (const k of await caches.keys())
      if (k.startsWith('velmar-') && k !== CACHE) await caches.delete(k);
    await self.clients.claim();
  })());
});

self.addEventListener('message', event => {
  if (event.data === 'take-over') self.skipWaiting();
});

// The build's files from the cache, else from the network (kept for the next visit); anything
// else (the tests' reports, other programs) goes to the network untouched.
self.addEventListener('fetch', event => {
  const name = event.request.method === 'GET' ? nameOf(event.request.url) : null;
  if (!name) return;
  const answer = (async () => {
    const cache = await caches.open(CACHE);
    const hit = await cache.match(name);
    if (hit) return {response: hit, stored: null};
    const response = await fetch(event.request);
    // The page reads the response as it arrives (its loading bar) while the copy is stored.
    return {response: response, stored: response.status === 200 ? cache.put(name, response.clone()) : null};
  })();
  event.respondWith(answer.then(a => a.response));
  event.waitUntil(answer.then(a => a.stored).catch(() => {}));
});
