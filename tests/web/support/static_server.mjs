// A static web server for the browser tests: serves one folder on 127.0.0.1 on a free port, as
// its own process, so that the tests can end it by its process id. It prints
// "listening http://127.0.0.1:PORT/" once it accepts connections, and ends on SIGTERM, SIGINT
// or when its standard input closes (the test that started it has gone).
//
//   node static_server.mjs FOLDER
//
// Only GET and HEAD of files inside FOLDER are answered; the MIME types are those the page
// needs (WebAssembly is compiled while it streams only when served as application/wasm).
import { createServer } from 'node:http';
import { createReadStream, promises as fs } from 'node:fs';
import path from 'node:path';

const TYPES = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.mjs': 'text/javascript; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
    '.wasm': 'application/wasm',
    '.data': 'application/octet-stream',
    '.json': 'application/json',
    '.png': 'image/png',
    '.ico': 'image/x-icon',
    '.svg': 'image/svg+xml',
    '.txt': 'text/plain; charset=utf-8',
};

const root = path.resolve(process.argv[2] ?? '.');

// resolve URL: the file a request path names inside root, or null for one outside it.
function resolve(url) {
    let name;
    try {
        name = decodeURIComponent(new URL(url, 'http://localhost').pathname);
    } catch {
        return null;
    }
    if (name.endsWith('/')) name += 'index.html';
    const file = path.resolve(root, '.' + name);
    return file === root || file.startsWith(root + path.sep) ? file : null;
}

const server = createServer(async (request, response) => {
    if (request.method !== 'GET' && request.method !== 'HEAD') {
        response.writeHead(405, { Allow: 'GET, HEAD' }).end();
        return;
    }
    const file = resolve(request.url);
    const stat = file && (await fs.stat(file).catch(() => null));
    if (!stat || !stat.isFile()) {
        response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
        return;
    }
    response.writeHead(200, {
        'Content-Type': TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream',
        'Content-Length': stat.size,
        'Cache-Control': 'no-store',
    });
    if (request.method === 'HEAD') response.end();
    else createReadStream(file).pipe(response);
});

function stop() {
    server.close();
    server.closeAllConnections();
    process.exit(0);
}
process.on('SIGTERM', stop);
process.on('SIGINT', stop);
process.stdin.on('end', stop);
process.stdin.on('close', stop);
process.stdin.resume();

server.listen(0, '127.0.0.1', () => {
    console.log(`listening http://127.0.0.1:${server.address().port}/`);
});
