// A static file server on 127.0.0.1 for the web edition's pages: the files of one
// folder, nothing outside it, with the types a browser needs (application/wasm
// for streaming compilation), gzip-compressed for a browser that asks. The
// browser tests import it; scripts/web --serve runs it: node serve.mjs FOLDER [PORT].
import { createServer } from 'node:http';
import { readFile, stat } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';
import { gzip } from 'node:zlib';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.css': 'text/css; charset=utf-8',
  '.png': 'image/png',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
};

// Each file's gzip, kept while the file is unchanged.
const compressed = new Map();
async function gzipped(file, modified, body) {
  const kept = compressed.get(file);
  if (kept?.modified === modified) return kept.body;
  const packed = await promisify(gzip)(body);
  compressed.set(file, { modified, body: packed });
  return packed;
}

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
        // Checked again at every load, and sent again only when it changed.
        const modified = (await stat(file)).mtime.toUTCString();
        if (request.headers['if-modified-since'] === modified) {
          response.writeHead(304, { 'Last-Modified': modified, 'Cache-Control': 'no-cache' }).end();
          return;
        }
        const headers = {
          'Content-Type': TYPES[extname(file)] ?? 'application/octet-stream',
          'Cache-Control': 'no-cache',
          'Last-Modified': modified,
          Vary: 'Accept-Encoding',
        };
        let body = await readFile(file);
        // Compressed as web servers do, for a browser that takes it.
        if (/\bgzip\b/.test(request.headers['accept-encoding'] ?? '')) {
          body = await gzipped(file, modified, body);
          headers['Content-Encoding'] = 'gzip';
        }
        response.writeHead(200, headers);
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

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const [folder, port = '8080'] = process.argv.slice(2);
  if (!folder || !/^\d+$/.test(port) || Number(port) > 65535) {
    console.error('usage: node serve.mjs FOLDER [PORT]');
    process.exit(2);
  }
  serve(resolve(folder), Number(port)).then(
    (server) => console.log(`Quarvel is served at http://127.0.0.1:${server.address().port}/ (Ctrl+C stops)`),
    (error) => {
      console.error(`serve: ${error.message}`);
      process.exit(1);
    });
}
