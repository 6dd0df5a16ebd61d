// Browser tests of the page in the system's Chromium (headless), driven by puppeteer-core:
// - every golden script, run by orv-render built for the browser, gives its trace;
// - a file that is no music, chosen at the door, gives a message; the demo's own tune then plays
//   a live session, recorded in the page, that replays in the native orv-render frame for frame;
//   its Space offers the snapshot the replay saves (and a PNG of it), its Esc ends the run;
// - a screenshot of the page held at a known frame equals that frame drawn natively, and Alt
//   ends the run there, in the intro;
// - the front door shows its name, keys and button on a desktop and a phone, and a tap starts;
// - F and a double-click toggle full screen, and the Esc that leaves it does not end the run;
// - a module by other people (vodovod's, from its Debian package) chosen with the button plays
//   its notes as the native orv-render lists them, and its end ends the run in a hidden tab;
// - ?music= plays a short module beside the page note for note, keys pressed as it ends leave
//   the status 1, play again starts a new run, and a module dropped on it another.
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

// Modules by other people, from the vodovod package (scripts/deps.sh web installs it).
const Vodovod = '/usr/share/games/vodovod';

async function OpenPage(query, viewport = {width: 640, height: 480, deviceScaleFactor: 1}) {
  const page = await browser.newPage();
  fs.mkdirSync(downloads, {recursive: true});
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
  page.on('pageerror', (error) => console.error('page error:', error.message));
  await page.setViewport(viewport);
  await page.goto(base + query);
  return page;
}

async function WaitForDoor(page) {
  await page.waitForFunction(() => document.getElementById('start').textContent === 'click or tap to start' &&
                                   !document.getElementById('door').hidden);
}

async function StartDemo(page) {
  await WaitForDoor(page);
  await page.click('#start');
  await page.waitForFunction(() => orv.running || orv.exitStatus !== null);
}

// Chooses a file with the page's button (a label over its file input), as a visitor does.
async function ChooseFile(page, selector, file) {
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.click(selector)]);
  await chooser.accept([file]);
}

// The note starts the native orv-render lists for a music file, as the page's script lines.
function NativeSyncs(file) {
  const out = execFileSync(nativeRender, ['--music', file, '--syncs']).toString();
  return [...out.matchAll(/^sync sample=\d+ instrument=(\d+) note=(\d+) volume=(\d+)$/gm)]
      .filter((m) => Number(m[1]) <= 31).map((m) => `sync ${m[1]} ${m[2]} ${m[3]}`);
}

const Syncs = (page) => page.evaluate(() => orv.script.filter((l) => l.startsWith('sync')));

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

test('a file that is no music gets a message; the own tune then replays natively frame for frame', async () => {
  const page = await OpenPage('index.html?record');
  await WaitForDoor(page);
  const notMusic = path.join(work, 'notes.txt');
  fs.writeFileSync(notMusic, 'these are words, not a module\n'.repeat(40));
  await ChooseFile(page, '#door .choose', notMusic);
  await page.waitForFunction(() => !document.getElementById('problem').hidden, {timeout: 20000});
  const door = await page.evaluate(() => ({problem: document.getElementById('problem').textContent,
                                           music: document.getElementById('music-name').textContent,
                                           running: orv.running, runs: orv.runs}));
  assert.match(door.problem, /^notes\.txt cannot be played: .*not .*module/s);
  assert.equal(door.music, "the demo's own tune");
  assert.equal(door.runs, 0, 'no run started with it');
  await page.click('#start');
  await page.waitForFunction(() => orv.running || orv.exitStatus !== null);
  // Through the intro and into the music until syncs of notes after its first have fired.
  await page.waitForFunction(
      () => orv.script.filter((l) => l.startsWith('sync')).length >= 6 ||
            orv.exitStatus !== null,
      {timeout: 60000, polling: 100});
  const beforeSpace = await page.evaluate(() => orv.frameCost.max);
  await page.keyboard.press('Space');
  await page.waitForFunction((n) => orv.framesShown > n, {}, await page.evaluate(() => orv.framesShown + 3));
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => orv.exitStatus !== null, {timeout: 10000});
  const run = await page.evaluate(() => ({
    script: orv.script, trace: orv.trace, exitStatus: orv.exitStatus,
    errors: orv.errors, syncTimes: orv.syncTimes, frameCost: orv.frameCost,
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
              `${cost.max.toFixed(2)} ms max, drawing and putting on the canvas; ` +
              `${beforeSpace.toFixed(2)} ms max before the snapshot`);
});

test('a screenshot of the page at a known frame equals the native frame', async () => {
  const hold = 90;
  const page = await OpenPage(`index.html?record&hold=${hold}`);
  await StartDemo(page);
  await page.waitForFunction((n) => orv.framesShown >= n, {timeout: 30000}, hold);
  const canvas = await page.$('#screen');
  const shot = path.join(work, 'shot.png');
  await canvas.screenshot({path: shot});
  const run = await page.evaluate(() => ({script: orv.script, trace: orv.trace}));
  // Alt is a system key: even in the intro it ends the run (with the quit message's status 0).
  await page.keyboard.press('Alt');
  await page.waitForFunction(() => orv.exitStatus !== null, {timeout: 10000});
  assert.equal(await page.evaluate(() => orv.exitStatus), 0);
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

// The screenshot's pixels inside a box: how many are lit (some channel above half).
function LitPixels(rgb, width, box) {
  let lit = 0;
  for (let y = Math.max(0, Math.floor(box.y)); y < Math.floor(box.y + box.height); y++)
    for (let x = Math.max(0, Math.floor(box.x)); x < Math.floor(box.x + box.width); x++) {
      const i = (y * width + x) * 3;
      if (rgb[i] > 128 || rgb[i + 1] > 128 || rgb[i + 2] > 128) lit++;
    }
  return lit;
}

test('the front door shows the name, keys and button; a tap starts it on a phone', async () => {
  const views = [
    {name: 'desktop', width: 1280, height: 800, deviceScaleFactor: 1},
    {name: 'phone on its side', width: 844, height: 390, deviceScaleFactor: 1, isMobile: true, hasTouch: true},
    {name: 'phone', width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true},
  ];
  let page;
  for (const view of views) {
    page = await OpenPage('index.html', view);
    await WaitForDoor(page);
    const shot = path.join(work, `door-${view.width}.png`);
    await page.screenshot({path: shot});
    const rgb = RgbOf(shot);
    for (const selector of ['h1', '#start', '.keys', '#door .choose']) {
      // On screen, on top (not covered by the canvas), and drawn in a colour that shows on black.
      const box = await page.$eval(selector, (element) => {
        const r = element.getBoundingClientRect();
        const top = document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2);
        return {x: r.x, y: r.y, width: r.width, height: r.height, onTop: element.contains(top)};
      });
      const where = `${selector} on the ${view.name}`;
      assert.ok(box.x >= 0 && box.y >= 0 && box.x + box.width <= view.width &&
                box.y + box.height <= view.height, `${where} is on screen: ${JSON.stringify(box)}`);
      assert.ok(box.onTop, `${where} is not covered`);
      assert.ok(LitPixels(rgb, view.width, box) > 20, `${where} is visible in the screenshot`);
    }
    const text = await page.$eval('#door', (door) => door.innerText);
    for (const words of ['orv', 'click or tap to start', 'Space', 'snapshot', 'Esc', 'quit', 'full screen',
                         'choose a module file'])
      assert.ok(text.includes(words), `the ${view.name}'s door says "${words}"`);
    if (view !== views[views.length - 1]) await page.close();
  }

  // The phone, upright: a tap (touch events) starts the demo, its whole picture on screen.
  await page.tap('#start');
  await page.waitForFunction(() => orv.running || orv.exitStatus !== null, {timeout: 20000});
  await page.waitForFunction(() => orv.framesShown > 5, {timeout: 20000});
  const screen = await page.evaluate(() => {
    const r = document.getElementById('screen').getBoundingClientRect();
    return {x: r.x, y: r.y, width: r.width, height: r.height, door: !document.getElementById('door').hidden};
  });
  assert.equal(screen.door, false, 'the door is gone');
  assert.ok(screen.x >= 0 && screen.y >= 0 && screen.x + screen.width <= 390 && screen.y + screen.height <= 844,
            `the canvas is on screen: ${JSON.stringify(screen)}`);
  assert.equal(screen.width, 390, 'the canvas fills the width');
  assert.ok(Math.abs(screen.width / screen.height - 4 / 3) < 0.01, 'the picture stays 4:3');
  await page.keyboard.press('Alt');
  await page.waitForFunction(() => orv.exitStatus !== null, {timeout: 10000});
  await page.close();
});

test('F and a double-click toggle full screen; the Esc that leaves it does not end the run', async () => {
  const page = await OpenPage('index.html?record');
  await StartDemo(page);
  // Esc ends the run only after the intro: wait for the music.
  await page.waitForFunction(() => orv.trace.some((l) => l.includes(' intro=0 ')), {timeout: 30000, polling: 100});
  const fullScreen = () => page.evaluate(() => document.fullscreenElement && document.fullscreenElement.id);
  const framesFrom = async (n) => page.waitForFunction((m) => orv.framesShown > m, {timeout: 10000},
                                                       (await page.evaluate(() => orv.framesShown)) + n);

  await page.keyboard.press('KeyF');
  await page.waitForFunction(() => document.fullscreenElement !== null, {timeout: 5000});
  assert.equal(await fullScreen(), 'screen', 'F puts the canvas in full screen');
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.fullscreenElement === null, {timeout: 5000});
  await framesFrom(10);
  assert.deepEqual(await page.evaluate(() => [orv.running, orv.exitStatus]), [true, null],
                   'the Esc that left full screen did not end the run');

  await page.click('#screen', {count: 2});
  await page.waitForFunction(() => document.fullscreenElement !== null, {timeout: 5000});
  assert.equal(await fullScreen(), 'screen', 'a double-click puts the canvas in full screen');
  await page.keyboard.press('KeyF');
  await page.waitForFunction(() => document.fullscreenElement === null, {timeout: 5000});
  assert.equal(await page.evaluate(() => orv.running), true, 'F is no key for the demo');

  // Past the moment an Esc could still belong to leaving full screen, Esc quits.
  await new Promise((resolve) => setTimeout(resolve, 700));
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => orv.exitStatus !== null, {timeout: 10000});
  assert.equal(await page.evaluate(() => orv.exitStatus), 0);
  await page.close();
});

test('a module by other people plays its own notes to the end, which ends the run in a hidden tab', async () => {
  const module = path.join(Vodovod, 'walk.xm');
  const expected = NativeSyncs(module);
  assert.ok(expected.length > 100, 'the module has notes');
  const page = await OpenPage('index.html?record');
  await WaitForDoor(page);
  await ChooseFile(page, '#door .choose', module);
  await page.waitForFunction(() => orv.running || orv.exitStatus !== null, {timeout: 20000});
  assert.equal(await page.evaluate(() => document.getElementById('music-name').textContent), 'walk.xm');

  // Hidden a few notes before the end: the browser gives it no animation frames from then on,
  // and no key comes that would end the wait for a message.
  await page.waitForFunction((n) => orv.script.filter((l) => l.startsWith('sync')).length >= n ||
                                    orv.exitStatus !== null,
                             {timeout: 90000, polling: 100}, expected.length - 3);
  const other = await browser.newPage();
  await other.bringToFront();
  assert.equal(await page.evaluate(() => document.hidden), true, 'the tab is hidden');
  await page.waitForFunction(() => orv.exitStatus !== null, {timeout: 15000, polling: 100});
  assert.deepEqual(await page.evaluate(() => [orv.exitStatus, document.hidden]), [1, true],
                   'the end of the music ended the run while the tab was hidden');
  assert.deepEqual(await Syncs(page), expected, 'the page fired the notes orv-render lists, note for note');
  await other.close();
  await page.close();
});

// A short ProTracker module: one pattern of `rows` rows (at speed 6, 125 BPM: 0.12 s a row), a
// note every other row on a square-wave sample with volumes set by the C effect, then a pattern
// break that ends the song.
function ShortModule(rows) {
  const periods = [428, 381, 339, 320, 285, 254, 226, 214]; // C-2 up to C-3
  const sampleBytes = 128;
  const bytes = Buffer.alloc(20 + 31 * 30 + 2 + 128 + 4 + 1024 + sampleBytes);
  bytes.write('orv page test', 0, 'latin1');
  const sample = 20;
  bytes.write('square', sample, 'latin1');
  bytes.writeUInt16BE(sampleBytes / 2, sample + 22);
  bytes[sample + 25] = 64; // volume
  for (let i = 0; i < 31; i++) bytes.writeUInt16BE(1, sample + i * 30 + 28); // no loops
  const song = 20 + 31 * 30;
  bytes[song] = 1; // one order: pattern 0
  bytes[song + 1] = 127;
  bytes.write('M.K.', song + 130, 'latin1');
  const pattern = song + 134;
  const cell = (row, channel) => pattern + (row * 4 + channel) * 4;
  for (let row = 0; row < rows - 1; row += 2) {
    const at = cell(row, 0);
    const period = periods[(row / 2) % periods.length];
    bytes[at] = period >> 8; // sample 1: its high nibble is 0
    bytes[at + 1] = period & 0xFF;
    bytes[at + 2] = 0x10 | 0xC; // sample 1's low nibble; effect C, the volume
    bytes[at + 3] = Math.min(64, 8 + 4 * row);
  }
  bytes[cell(rows - 1, 1) + 2] = 0xD; // pattern break on the last row: the end of the song
  for (let i = 0; i < sampleBytes; i++) bytes[pattern + 1024 + i] = i % 32 < 16 ? 0x60 : 0xA0;
  return bytes;
}

test('?music= plays a file beside the page; keys at its end leave status 1; play again; a drop', async (t) => {
  const beside = path.join(webDir, 'beside-test.mod');
  fs.writeFileSync(beside, ShortModule(16));
  t.after(() => fs.rmSync(beside, {force: true}));
  const expected = NativeSyncs(beside);
  assert.equal(expected.length, 8);
  const page = await OpenPage('index.html?record&music=beside-test.mod');
  await StartDemo(page);
  assert.equal(await page.evaluate(() => document.getElementById('music-name').textContent), 'beside-test.mod');
  await page.waitForFunction((n) => orv.script.filter((l) => l.startsWith('sync')).length >= n ||
                                    orv.exitStatus !== null, {timeout: 30000, polling: 50}, expected.length - 1);

  // Hidden as the music ends, with keys that do not end a run pressed over and over: whichever
  // message comes after the end, the status is the end of the music's.
  const other = await browser.newPage();
  await other.bringToFront();
  let ended = null;
  // Bounded by time, not by a number of presses: a loaded machine presses fewer.
  const until = Date.now() + 30000;
  for (let i = 0; Date.now() < until && ended === null; i++) {
    await page.keyboard.press(i % 2 ? 'KeyA' : 'Space');
    ended = await page.evaluate(() => orv.exitStatus);
  }
  assert.equal(ended, 1, 'the end of the music');
  assert.deepEqual(await Syncs(page), expected, 'the page fired the notes orv-render lists, note for note');
  await page.bringToFront();
  await other.close();

  await page.waitForFunction(() => !document.getElementById('end').hidden, {timeout: 5000});
  const end = await page.$eval('#end', (panel) => panel.innerText);
  assert.match(end, /The music has ended\./);
  assert.match(end, /beside-test\.mod/);
  await page.click('#again');
  await page.waitForFunction(() => orv.running && orv.runs === 2 && orv.framesShown > 5, {timeout: 20000});
  assert.equal(await page.evaluate(() => orv.exitStatus), null, 'a new run');

  // A module dropped on the page while it runs: the run ends and a new one starts with it.
  await page.evaluate((bytes) => {
    const files = new DataTransfer();
    files.items.add(new File([new Uint8Array(bytes)], 'dropped.mod'));
    document.dispatchEvent(new DragEvent('drop', {dataTransfer: files, bubbles: true, cancelable: true}));
  }, [...ShortModule(8)]);
  await page.waitForFunction(() => orv.running && orv.runs === 3 && orv.framesShown > 5, {timeout: 20000});
  assert.equal(await page.evaluate(() => orv.music.name), 'dropped.mod');
  await page.keyboard.press('Alt');
  await page.waitForFunction(() => orv.exitStatus !== null, {timeout: 10000});
  assert.equal(await page.evaluate(() => orv.exitStatus), 0);
  await page.close();
});
