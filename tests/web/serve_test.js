// The page's server: serves the folder's files with their types, and nothing outside it, and
// survives requests it cannot make sense of.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const {Serve} = require('../../scripts/web_serve.js');

function Get(port, rawPath) {
  return new Promise((resolve, reject) => {
    http.get({host: '127.0.0.1', port, path: rawPath}, (response) => {
      const chunks = [];
      response.on('data', (chunk) => chunks.push(chunk));
      response.on('end', () => resolve({status: response.statusCode, type: response.headers['content-type'],
                                        body: Buffer.concat(chunks).toString()}));
    }).on('error', reject);
  });
}

test('serves the folder, and only the folder', async () => {
  const top = fs.mkdtempSync(path.join(os.tmpdir(), 'orv-serve-'));
  const root = path.join(top, 'page');
  fs.mkdirSync(root);
  fs.writeFileSync(path.join(root, 'index.html'), 'page');
  fs.writeFileSync(path.join(root, 'orv.wasm'), 'wasm');
  fs.writeFileSync(path.join(top, 'secret'), 'secret');
  const server = await Serve(root, 0);
  const port = server.address().port;
  try {
    assert.deepEqual(await Get(port, '/'), {status: 200, type: 'text/html; charset=utf-8', body: 'page'});
    assert.equal((await Get(port, '/orv.wasm')).type, 'application/wasm');
    assert.equal((await Get(port, '/missing.js')).status, 404);
    assert.equal((await Get(port, '/..%2fsecret')).status, 403);
    assert.equal((await Get(port, '/%E0')).status, 400);
    assert.equal((await Get(port, '/index.html')).status, 200, 'still serving after bad requests');
  } finally {
    server.close();
    fs.rmSync(top, {recursive: true, force: true});
  }
});
