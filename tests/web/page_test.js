// Browser tests of the page in the system's Chromium (headless), driven by puppeteer-core:
// - every golden script, run by orv-render built for the browser, gives its trace;
// - a live session with music, recorded in the page, replays in the native orv-render frame for
//   frame; its Space offers the snapshot the replay saves (and a PNG of it), its Esc ends the run;
// - a screenshot of the page held at a known frame equals that frame drawn natively, and Alt
//   ends the run there, in the intro.
// usage: node page_test.js BUILD_WEB_DIR NATIVE_ORV_RENDER
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const {execFileSync} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');
const {Serve} = require('../../scripts/web_serve.js');

const [webDir, nativeRender] = process.argv.slice(2).map((p) => path.resolve(p));
const goldenDir = path.join(__dirname, '..', 'golden');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'orv-web-test-'));
let server;
let browser;
let base;

test.before(async () => {
  server = await Serve(webDir, 0);
  base = `http://127.0.0.1:${server.address().port}/`;
  browser = await puppeteer.launch({
    executablePath: process.env.ORV_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--force-color-profile=srgb', '--autoplay-policy=no-user-gesture-required',
           `--user-data-dir=${fs.mkdtempSync(path.join(work, 'profile-'))}`],
  });
});

test.after(async () => {
  if (browser) await browser.close();
  if (server) server.close();
  fs.rmSync(work, {recursive: true, force: true});
});

const downloads = path.join(work, 'downloads');

async function OpenPage(query) {
  const page = await browser.newPage();
  fs.mkdirSync(downloads, {recursive: true});
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
  page.on('pageerror', (error) => console.error('page error:', error.message));
  await page.setViewport({width: 640, height: 480, deviceScaleFactor: 1});
  await page.goto(base + query);
  return page;
}

async function StartDemo(page) {
  await page.waitForFunction(() => document.getElementById('start').textContent === 'click to start');
  await page.click('#start');
  await page.waitForFunction(() => Module.orv.running || Module.orv.exitStatus !== null);
}

// Runs the native orv-render on a script, in a folder of its own; returns its trace lines.
function ReplayNatively(lines, extra = []) {
  const dir = fs.mkdtempSync(path.join(work, 'replay-'));
  fs.mkdirSync(path.join(dir, 'snap'));
  const script = path.join(dir, 'session.script');
  fs.writeFileSync(script, lines.join('\n') + '\n');
  const out = execFileSync(nativeRender, ['--script', script, ...extra], {cwd: dir, maxBuffer: 1 << 28});
  return {dir, trace: out.toString().trimEnd().split('\n')};
}

// A picture's pixels as red, green, blue bytes, top row first (a TGA's rows run from the bottom
// up: -auto-orient turns it).
function RgbOf(file) {
  return execFileSync('convert', [file, '-auto-orient', '-depth', '8', 'rgb:-'], {maxBuffer: 1 << 24});
}

test('every golden script gives its trace in the page', async () => {
  const page = await OpenPage('index.html');
  await page.addScriptTag({url: base + 'orv-render-page.js'});
  const scripts = fs.readdirSync(goldenDir).filter((f) => f.endsWith('.script')).sort();
  assert.ok(scripts.length > 0);
  for (const name of scripts) {
    const stem = name.slice(0, -'.script'.length);
    const argsFile = path.join(goldenDir, stem + '.args');
    const args = fs.existsSync(argsFile) ? fs.readFileSync(argsFile, 'utf8').trim().split(/\s+/) : [];
    const text = fs.readFileSync(path.join(goldenDir, name), 'utf8');
    const trace = await page.evaluate(async (scriptText, extra) => {
      const lines = [];
      // Standard error (a snapshot that cannot be saved) is not part of the trace.
      const render = await OrvRender({noInitialRun: true, print: (l) => lines.push(l),
                                      printErr: () => {}});
      render.FS.writeFile('/run.script', scriptText);
      render.callMain(['--script', '/run.script', ...extra]);
      return lines.join('\n');
    }, text, args);
    const expected = fs.readFileSync(path.join(goldenDir, stem + '.trace'), 'utf8').trimEnd();
    assert.equal(trace, expected, `golden script ${name}`);
  }
  await page.close();
});

test('a live session with music replays natively frame for frame', async () => {
  const page = await OpenPage('index.html?record');
  await StartDemo(page);
  // Through the intro and into the music until syncs of notes after its first have fired.
  await page.waitForFunction(
      () => Module.orv.script.filter((l) => l.startsWith('sync')).length >= 6 ||
            Module.orv.exitStatus !== null,
      {timeout: 60000, polling: 100});
  await page.keyboard.press('Space');
  await page.waitForFunction((n) => Module.orv.framesShown > n, {}, await page.evaluate(() => Module.orv.framesShown + 3));
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => Module.orv.exitStatus !== null, {timeout: 10000});
  const run = await page.evaluate(() => ({
    script: Module.orv.script, trace: Module.orv.trace, exitStatus: Module.orv.exitStatus,
    errors: Module.orv.errors, syncTimes: Module.orv.syncTimes, frameCost: Module.orv.frameCost,
  }));
  await page.close();

  assert.equal(run.exitStatus, 0, 'Esc after the intro ends the run: ' + run.errors.join('; '));
  assert.ok(run.script.includes('key space'), 'the Space key reached the window procedure');
  assert.ok(run.trace.some((l) => l.includes(' intro=0 ')), 'the session reached the music');
  const replay = ReplayNatively(run.script);
  assert.equal(replay.trace.length, run.trace.length);
  for (let i = 0; i < run.trace.length; i++) assert.equal(run.trace[i], replay.trace[i], `frame ${i}`);

  // Space offered the frame as orq_00.tga, the file the native replay saved, and as a PNG.
  const tga = path.join(downloads, 'orq_00.tga');
  const png = path.join(downloads, 'orq_00.png');
  for (let i = 0; i < 100 && !(fs.existsSync(tga) && fs.existsSync(png)); i++)
    await new Promise((resolve) => setTimeout(resolve, 100));
  assert.deepEqual(fs.readFileSync(tga), fs.readFileSync(path.join(replay.dir, 'snap', 'orq_00.tga')));
  assert.deepEqual(RgbOf(png), RgbOf(tga));

  const delays = run.syncTimes.map((s) => s.late + s.toPicture);
  assert.ok(delays.length > 0, 'syncs fired and were drawn');
  // A sync fires ahead of its sound by the time its frame takes to the screen (1.5 animation
  // frames), not by more than that.
  assert.ok(run.syncTimes.every((s) => s.late > -60), 'no sync fired far before its sound');
  const mean = delays.reduce((a, b) => a + b, 0) / delays.length;
  const sd = Math.sqrt(delays.reduce((a, b) => a + (b - mean) ** 2, 0) / Math.max(delays.length - 1, 1));
  console.log(`# picture - sound (${delays.length} syncs): ${mean.toFixed(1)} +- ${sd.toFixed(1)} ms ` +
              `(${Math.min(...delays).toFixed(1)} to ${Math.max(...delays).toFixed(1)}); fired ` +
              `${Math.min(...run.syncTimes.map((s) => s.late)).toFixed(1)} to ` +
              `${Math.max(...run.syncTimes.map((s) => s.late)).toFixed(1)} ms after the sound`);
  const cost = run.frameCost;
  console.log(`# frames in the page (${cost.count}): ${(cost.total / cost.count).toFixed(2)} ms mean, ` +
              `${cost.max.toFixed(2)} ms max, drawing and putting on the canvas`);
});

test('a screenshot of the page at a known frame equals the native frame', async () => {
  const hold = 90;
  const page = await OpenPage(`index.html?record&hold=${hold}`);
  await StartDemo(page);
  await page.waitForFunction((n) => Module.orv.framesShown >= n, {timeout: 30000}, hold);
  const canvas = await page.$('#screen');
  const shot = path.join(work, 'shot.png');
  await canvas.screenshot({path: shot});
  const run = await page.evaluate(() => ({script: Module.orv.script, trace: Module.orv.trace}));
  // Alt is a system key: even in the intro it ends the run (with the quit message's status 0).
  await page.keyboard.press('Alt');
  await page.waitForFunction(() => Module.orv.exitStatus !== null, {timeout: 10000});
  assert.equal(await page.evaluate(() => Module.orv.exitStatus), 0);
  await page.close();

  const replay = ReplayNatively(run.script, ['--dump', 'frames']);
  assert.equal(run.trace.length, hold, 'the page stopped at the frame asked for');
  assert.deepEqual(replay.trace, run.trace);
  const frame = path.join(replay.dir, 'frames', `frame_${String(hold - 1).padStart(6, '0')}.tga`);
  const page_ = RgbOf(shot);
  const native = RgbOf(frame);
  assert.equal(page_.length, 640 * 480 * 3, 'the screenshot is 640x480');
  let differing = 0;
  for (let i = 0; i < native.length; i += 3)
    if (page_[i] !== native[i] || page_[i + 1] !== native[i + 1] || page_[i + 2] !== native[i + 2]) differing++;
  assert.equal(differing, 0, `${differing} pixels differ`);
  assert.ok(native.some((b) => b !== 0), 'the frame compared is not blank');
});
