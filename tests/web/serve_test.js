// The page's server: serves the page's own files with their types and music put beside them,
// nothing else of the folder and nothing outside it, GET and HEAD only, and stays up whatever it
// is sent.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const http = require('node:http');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const {Serve} = require('../../scripts/web_serve.js');

function Request(port, rawPath, method = 'GET') {
  return new Promise((resolve, reject) => {
    http.request({host: '127.0.0.1', port, path: rawPath, method}, (response) => {
      const chunks = [];
      response.on('data', (chunk) => chunks.push(chunk));
      response.on('end', () => resolve({status: response.statusCode, type: response.headers['content-type'],
                                        body: Buffer.concat(chunks).toString()}));
    }).on('error', reject).end();
  });
}

// Bytes as they are, not as an HTTP client would send them; resolves with the answer's first line.
function Raw(port, bytes) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1', () => socket.end(bytes));
    let answer = '';
    socket.on('data', (chunk) => { answer += chunk; });
    socket.on('close', () => resolve(answer.split('\r\n')[0]));
    socket.on('error', reject);
  });
}

test('serves the page and the music beside it, and nothing else', async (t) => {
  const top = fs.mkdtempSync(path.join(os.tmpdir(), 'orv-serve-'));
  const root = path.join(top, 'page');
  fs.mkdirSync(root);
  fs.mkdirSync(path.join(root, 'CMakeFiles'));
  fs.mkdirSync(path.join(root, 'folder.xm'));
  const files = {'index.html': 'page', 'orv.wasm': 'wasm', 'orv-page.js': 'js', 'mine.xm': 'module',
                 'CMakeCache.txt': 'cache', 'Makefile': 'make', 'orv-tune.js': 'tool',
                 'CMakeFiles/orv.xm': 'nested'};
  for (const [name, content] of Object.entries(files)) fs.writeFileSync(path.join(root, name), content);
  fs.writeFileSync(path.join(top, 'secret'), 'secret');
  const server = await Serve(root, 0);
  const port = server.address().port;
  t.after(() => {
    server.close();
    fs.rmSync(top, {recursive: true, force: true});
  });

  assert.deepEqual(await Request(port, '/'), {status: 200, type: 'text/html; charset=utf-8', body: 'page'});
  assert.equal((await Request(port, '/orv.wasm')).type, 'application/wasm');
  assert.equal((await Request(port, '/orv-page.js')).type, 'text/javascript; charset=utf-8');
  assert.equal((await Request(port, '/mine.xm')).body, 'module', 'music beside the page');
  assert.deepEqual(await Request(port, '/index.html', 'HEAD'), {status: 200, type: 'text/html; charset=utf-8', body: ''});
  // The build's own files, a tool that is not the page, a folder or a file deeper down.
  for (const name of ['/CMakeCache.txt', '/Makefile', '/orv-tune.js', '/folder.xm', '/CMakeFiles/orv.xm',
                      '/missing.js'])
    assert.equal((await Request(port, name)).status, 404, name);
  assert.equal((await Request(port, '/..%2fsecret')).status, 403);
});

test('answers what it cannot serve with an error and stays up', async (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'orv-serve-'));
  fs.writeFileSync(path.join(root, 'index.html'), 'page');
  const server = await Serve(root, 0);
  const port = server.address().port;
  t.after(() => {
    server.close();
    fs.rmSync(root, {recursive: true, force: true});
  });
  const probes = [
    ['a null byte', () => Request(port, '/%00'), 400],
    ['a null byte after a name', () => Request(port, '/index.html%00'), 400],
    ['an undecodable escape', () => Request(port, '/%E0'), 400],
    ['a broken escape', () => Request(port, '/%zz'), 400],
    ['POST', () => Request(port, '/index.html', 'POST'), 405],
    ['PUT', () => Request(port, '/index.html', 'PUT'), 405],
    ['DELETE', () => Request(port, '/index.html', 'DELETE'), 405],
    ['TRACE', () => Request(port, '/', 'TRACE'), 405],
    ['an absolute URL', () => Raw(port, 'GET http://x/index.html%00 HTTP/1.1\r\nHost: x\r\n\r\n'), 'HTTP/1.1 400 Bad Request'],
    ['no request at all', () => Raw(port, '\0\0\0\r\n\r\n'), 'HTTP/1.1 400 Bad Request'],
  ];
  for (const [what, probe, expected] of probes) {
    const answer = await probe();
    assert.equal(typeof expected === 'number' ? answer.status : answer, expected, what);
    assert.equal((await Request(port, '/')).body, 'page', `still serving after ${what}`);
  }
});
