#!/usr/bin/env node
// Serves a folder (the built page) on 127.0.0.1, with the types a browser needs for WebAssembly
// and the audio worklet. Usable alone (node scripts/web_serve.js DIR [PORT]) or from the tests.
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');

const Types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm', '.xm': 'application/octet-stream', '.png': 'image/png',
};

// Resolves with the server once it listens; port 0 picks a free one (server.address().port).
function Serve(root, port) {
  root = path.resolve(root);
  const server = http.createServer((request, response) => {
    let name;
    try {
      name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    } catch (error) { // a malformed escape
      response.writeHead(400).end();
      return;
    }
    const file = path.join(root, name === '/' ? 'index.html' : name);
    // Nothing outside the folder, whatever the path says.
    if (!file.startsWith(root + path.sep)) {
      response.writeHead(403).end();
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {'Content-Type': Types[path.extname(file)] || 'application/octet-stream',
                               'Cache-Control': 'no-store'});
      response.end(data);
    });
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
