#!/usr/bin/env node
// Serves the built page (build/web) on 127.0.0.1: the page's own files, with the types a browser
// needs for WebAssembly and the audio worklet, and music files put beside it (for ?music=).
// Nothing else in the folder (the build's own files), nothing outside it; GET and HEAD only.
// A request it cannot make sense of gets an error answer, never the server's end.
// Usable alone (node scripts/web_serve.js DIR [PORT]) or from the tests.
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');

// The page, its scripts and worker, the demo (orv.js, orv.wasm), its tune, and orv-render built
// for the browser (the page's tests run it).
const PageFiles = new Set([
  'index.html', 'orv-page.js', 'orv-audio.js', 'orv-snapshot.js', 'orv.js', 'orv.wasm', 'orv.xm',
  'orv-render-page.js', 'orv-render-page.wasm',
]);
// Music a visitor puts beside the page: the module formats libxmp reads, and WAV.
const MusicTypes = /\.(xm|mod|s3m|it|mtm|669|med|okt|stm|far|ult|amf|dbm|mdl|psm|ptm|umx|wav)$/i;

const Types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm', '.wav': 'audio/wav',
};

// The file a request path names, as {status} when it is refused.
function Resolve(root, url) {
  let name;
  try {
    name = decodeURIComponent(new URL(url, 'http://x').pathname);
  } catch (error) { // a malformed escape, or no URL at all
    return {status: 400};
  }
  // A null byte would reach the file system's calls, which refuse it by throwing.
  if (name.includes('\0')) return {status: 400};
  if (name === '/') name = '/index.html';
  const file = path.join(root, name);
  // Nothing outside the folder, whatever the path says.
  if (!file.startsWith(root + path.sep)) return {status: 403};
  const base = name.slice(1);
  if (base.includes('/') || base.includes('\\') || !(PageFiles.has(base) || MusicTypes.test(base)))
    return {status: 404};
  return {file};
}

function Answer(request, response, root) {
  if (request.method !== 'GET' && request.method !== 'HEAD') {
    response.writeHead(405, {Allow: 'GET, HEAD'}).end();
    return;
  }
  const {status, file} = Resolve(root, request.url);
  if (status) {
    response.writeHead(status).end();
    return;
  }
  fs.stat(file, (statError, stat) => {
    // Regular files only: a folder or a FIFO under a music file's name is not one.
    if (statError || !stat.isFile()) {
      response.writeHead(404).end();
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {'Content-Type': Types[path.extname(file)] || 'application/octet-stream',
                               'Content-Length': data.length, 'Cache-Control': 'no-store'});
      response.end(request.method === 'HEAD' ? undefined : data);
    });
  });
}

// Resolves with the server once it listens; port 0 picks a free one (server.address().port).
function Serve(root, port) {
  root = path.resolve(root);
  const server = http.createServer((request, response) => {
    try {
      Answer(request, response, root);
    } catch (error) {
      console.error(`orv: ${request.method} ${JSON.stringify(request.url)}: ${error.message}`);
      if (!response.headersSent) response.writeHead(500);
      response.end();
    }
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

module.exports = {Serve};

if (require.main === module) {
  const root = process.argv[2] || 'build/web';
  const port = Number(process.argv[3] || 8000);
  Serve(root, port).then((server) => {
    console.log(`orv: serving ${root} at http://127.0.0.1:${server.address().port}/ (Ctrl+C ends)`);
  }, (error) => {
    console.error(`orv: cannot serve on 127.0.0.1:${port}: ${error.message}`);
    process.exit(1);
  });
}
