// The captures' lossy formats in the system's Chromium (headless): orv-capture's default .mp4
// and .webm of a short module each load in a <video> element, at the picture's size, and a frame
// from the middle of the intro shows the logo (not black).
// usage: node video_test.js ORV_CAPTURE ORV_E2E_MODULE
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const {execFileSync} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const [capture, makeModule] = process.argv.slice(2).map((p) => path.resolve(p));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'orv-video-test-'));
const origin = 'http://orv-video.test/';
let browser;

test.before(async () => {
  execFileSync(makeModule, [path.join(work, 'm.xm')]);
  browser = await puppeteer.launch({
    executablePath: process.env.ORV_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required',
           `--user-data-dir=${fs.mkdtempSync(path.join(work, 'profile-'))}`],
  });
});

test.after(async () => {
  if (browser) await browser.close();
  fs.rmSync(work, {recursive: true, force: true});
});

// Serves the page and the video from memory, answering byte ranges as a web server would.
async function OpenVideoPage(name, type) {
  const video = fs.readFileSync(path.join(work, name));
  const page = await browser.newPage();
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    const url = request.url();
    if (url === origin) {
      request.respond({status: 200, contentType: 'text/html', body: '<!doctype html><body></body>'});
    } else if (url === origin + name) {
      const range = /bytes=(\d+)-(\d*)/.exec(request.headers().range || '');
      const from = range ? Number(range[1]) : 0;
      const to = range && range[2] ? Number(range[2]) : video.length - 1;
      request.respond({
        status: range ? 206 : 200,
        contentType: type,
        headers: {'Accept-Ranges': 'bytes',
                  ...(range ? {'Content-Range': `bytes ${from}-${to}/${video.length}`} : {})},
        body: video.subarray(from, to + 1),
      });
    } else {
      request.respond({status: 404, body: ''});
    }
  });
  await page.goto(origin);
  return page;
}

// Loads the video, seeks to `at` seconds and returns its size and the lit pixels of that frame.
function Probe(page, name, at) {
  return page.evaluate(async (src, at) => {
    const video = document.createElement('video');
    video.muted = true;
    document.body.appendChild(video);
    const loaded = new Promise((resolve, reject) => {
      video.addEventListener('loadeddata', resolve, {once: true});
      video.addEventListener('error', () => reject(new Error(`error ${video.error?.code}`)), {once: true});
    });
    video.src = src;
    await loaded;
    const seeked = new Promise((resolve) => video.addEventListener('seeked', resolve, {once: true}));
    video.currentTime = at;
    await seeked;
    const canvas = document.createElement('canvas');
    canvas.width = video.videoWidth;
    canvas.height = video.videoHeight;
    const context = canvas.getContext('2d');
    context.drawImage(video, 0, 0);
    const pixels = context.getImageData(0, 0, canvas.width, canvas.height).data;
    let lit = 0;
    for (let i = 0; i < pixels.length; i += 4) lit += pixels[i] + pixels[i + 1] + pixels[i + 2] > 96;
    return {width: video.videoWidth, height: video.videoHeight, duration: video.duration, lit};
  }, origin + name, at);
}

for (const [name, type] of [['demo.mp4', 'video/mp4'], ['demo.webm', 'video/webm']]) {
  test(`the default ${name} plays in a <video> element`, async () => {
    execFileSync(capture, ['--music', path.join(work, 'm.xm'), path.join(work, name)],
                 {stdio: ['ignore', 'ignore', 'inherit']});
    const page = await OpenVideoPage(name, type);
    const result = await Probe(page, name, 2.5);
    await page.close();
    assert.equal(result.width, 1280);
    assert.equal(result.height, 960);
    assert.ok(result.duration > 12 && result.duration < 13.5, `duration ${result.duration}`);
    assert.ok(result.lit > 1000, `only ${result.lit} lit pixels mid-way through the intro`);
  });
}
