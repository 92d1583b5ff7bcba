// A static file server on 127.0.0.1 for the web edition's pages: the files of one
// folder, nothing outside it, with the types a browser needs (application/wasm
// for streaming compilation).
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, sep } from 'node:path';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.css': 'text/css; charset=utf-8',
  '.png': 'image/png',
  '.json': 'application/json',
};

// Serves `folder` on 127.0.0.1:`port` (0: any free port). Resolves to the server
// once it listens; server.address().port tells the port.
export function serve(folder, port = 0) {
  const root = normalize(folder + sep);
  const server = createServer(async (request, response) => {
    let path;
    try {
      path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    } catch {
      path = null;
    }
    const file = path === null ? null : normalize(join(root, path.endsWith('/') ? path + 'index.html' : path));
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      response.writeHead(405).end();
    } else if (file === null || !file.startsWith(root)) {
      response.writeHead(404).end();
    } else {
      try {
        const body = await readFile(file);
        response.writeHead(200, {
          'Content-Type': TYPES[extname(file)] ?? 'application/octet-stream',
          'Cache-Control': 'no-cache',
        });
        response.end(request.method === 'HEAD' ? undefined : body);
      } catch {
        response.writeHead(404).end();
      }
    }
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}
