// Tonbrook's service worker: keeps every file of the site, so that after
// one visit it starts with no network. The files are stored when the worker
// installs, in a cache named after their contents, and served from there.
// A changed site brings a new worker, which takes over once no page of the
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

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(kCache)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((kept) => kept || fetch(event.request)));
});
