// Tonbrook's service worker: keeps every file of the site, so that after
// one visit it starts with no network. The files are stored when the worker
// installs, in a cache named after their contents, and served from there;
// anything else the site serves is kept the first time it is fetched. A
// changed site brings a new worker, which takes over once no page of the
// old one is open, and drops the old cache.
const kCache = 'tonbrook-@STAMP@';
const kFiles = [
  './',
@FILES@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(kFiles)));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((keys) => Promise.all(
    keys.filter((key) => key.startsWith('tonbrook-') && key !== kCache).map((key) => caches.delete(key)))));
});

async function respond(request) {
  const cache = await caches.open(kCache);
  const kept = await cache.match(request, { ignoreSearch: true });
  if (kept) return kept;
  const response = await fetch(request);
  if (response.ok && new URL(request.url).origin === self.location.origin) {
    await cache.put(request, response.clone());
  }
  return response;
}

self.addEventListener('fetch', (event) => {
  if (event.request.method === 'GET') event.respondWith(respond(event.request));
});
