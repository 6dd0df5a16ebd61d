// The page around the demo: the "click to start" screen (browsers start sound only after a
// gesture), the audio output, keys, one animation-frame count per browser frame, messages,
// and the end of the run. The demo's side of it is in src/platform/web/.
//
// Page options, for the tests: ?record keeps a script and trace of the run (Module.orv.script,
// Module.orv.trace); ?hold=N stops the frames after the Nth has been shown.
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  const canvas = document.getElementById('screen');
  const startScreen = document.getElementById('start');
  const messageBox = document.getElementById('message');
  const hold = params.has('hold') ? Number(params.get('hold')) : Infinity;

  const audio = {context: null, node: null, playback: 0, sent: 0, report: null,
                 // ?offset=MS: the sound comes MS later (negative: earlier) than the browser says.
                 offset: Math.max(-1000, Math.min(1000, Number(params.get('offset')) || 0)),
                 frameInterval: 1000 / 60, lastFrame: 0, aheadFrames: 0};

  // The animation frames' interval, smoothed. A note fires at the first frame whose picture,
  // shown one frame later, comes at or after its sound, less half a frame: on average the
  // picture shows it when it is heard.
  function watchFrames(time) {
    if (audio.lastFrame > 0) {
      const interval = Math.min(time - audio.lastFrame, 100);
      audio.frameInterval += (interval - audio.frameInterval) / 16;
    }
    audio.lastFrame = time;
    if (audio.context) requestAnimationFrame(watchFrames);
  }

  const page = {
    frames: 0, framesShown: 0, keys: [], wake: null,
    recording: params.has('record'), script: [], trace: [],
    running: false, exitStatus: null, errors: [],
    // Sound-to-picture timing of every fired sync: how late it fired after its sound was
    // heard (early: negative), and when the next frame was put on the canvas after it
    // (milliseconds).
    syncTimes: [], firedAt: [],
    // What the timer messages (each a frame drawn and put on the canvas) cost, in milliseconds.
    frameCost: {count: 0, total: 0, max: 0},

    offered: new Set(),
    // A new file from the demo (a snapshot), offered as a download under its name; a TGA
    // picture also as a PNG.
    offerDownload(name, bytes) {
      page.offered.add(name);
      Download(name, new Blob([bytes], {type: 'application/octet-stream'}));
      if (/\.tga$/i.test(name)) {
        const png = TgaToCanvas(bytes);
        if (png) png.toBlob((blob) => blob && Download(name.replace(/\.tga$/i, '.png'), blob), 'image/png');
      }
      return true;
    },

    showMessage(caption, text) {
      messageBox.textContent = caption + '\n\n' + text;
      messageBox.hidden = false;
    },

    audioOpen() {
      if (!audio.node) return false;
      audio.playback++;
      audio.sent = 0;
      audio.report = null;
      audio.node.port.postMessage({type: 'reset', playback: audio.playback});
      return true;
    },
    audioQueue(samples) {
      audio.sent += samples.length / 2;
      audio.node.port.postMessage({type: 'data', samples}, [samples.buffer]);
    },
    // The frame heard when a note fired now reaches the screen (see watchFrames).
    audioHeard() {
      const r = audio.report;
      if (!r || r.playback !== audio.playback) return -1;
      const context = audio.context;
      const rate = context.sampleRate;
      // getOutputTimestamp ties the audio clock to performance.now(): the output is heard
      // at contextTime at performanceTime.
      const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
      let heard;
      if (stamp && stamp.performanceTime > 0) {
        const contextNow = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
        heard = Math.min(r.played + (contextNow - r.time) * rate, audio.sent);
      } else {
        const latency = context.outputLatency || context.baseLatency || 0;
        heard = Math.min(r.played + (context.currentTime - r.time) * rate, audio.sent) -
                latency * rate;
      }
      audio.aheadFrames = (1.5 * audio.frameInterval - audio.offset) * rate / 1000;
      return heard + audio.aheadFrames;
    },
    audioClose() {
      if (!audio.node) return;
      audio.playback++;
      audio.node.port.postMessage({type: 'reset', playback: audio.playback});
    },
    audioFired(frame, heard) {
      // After its sound (before, when negative), by the output's clock and the offset.
      const late = (heard - audio.aheadFrames - frame) * 1000 / audio.context.sampleRate -
                   audio.offset;
      page.firedAt.push({late, at: performance.now()});
    },
  };

  function Download(name, blob) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  // An uncompressed 24- or 32-bit TGA (as the snapshot writes it) drawn on a new canvas; null
  // for anything else.
  function TgaToCanvas(bytes) {
    if (bytes.length < 18 || bytes[1] !== 0 || bytes[2] !== 2) return null;
    const width = bytes[12] | bytes[13] << 8;
    const height = bytes[14] | bytes[15] << 8;
    const size = bytes[16] / 8;
    const topDown = (bytes[17] & 0x20) !== 0;
    const start = 18 + bytes[0];
    if ((size !== 3 && size !== 4) || !width || !height ||
        bytes.length < start + width * height * size) return null;
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    const context = canvas.getContext('2d');
    const image = context.createImageData(width, height);
    for (let y = 0; y < height; y++) {
      const row = start + (topDown ? y : height - 1 - y) * width * size;
      for (let x = 0; x < width; x++) {
        const from = row + x * size;
        const to = (y * width + x) * 4;
        image.data[to] = bytes[from + 2];
        image.data[to + 1] = bytes[from + 1];
        image.data[to + 2] = bytes[from];
        image.data[to + 3] = 255;
      }
    }
    context.putImageData(image, 0, 0);
    return canvas;
  }

  function noteShown() {
    const now = performance.now();
    for (const fired of page.firedAt) page.syncTimes.push({late: fired.late, toPicture: now - fired.at});
    page.firedAt.length = 0;
  }

  const Module = {
    canvas,
    noInitialRun: true,
    orv: page,
    print: (text) => console.log(text),
    printErr: (text) => {
      page.errors.push(text);
      console.error(text);
    },
    onRuntimeInitialized() {
      startScreen.textContent = 'click to start';
      startScreen.addEventListener('click', start, {once: true});
    },
    onExit(status) {
      page.running = false;
      page.exitStatus = status;
      if (audio.context) audio.context.close();
      if (messageBox.hidden) {
        const detail = page.errors.length ? '\n\n' + page.errors.join('\n') : '';
        page.showMessage('orv', 'The end. Reload the page to watch it again.' + detail);
      }
    },
  };
  window.Module = Module;

  // exit() ends the run by throwing ExitStatus through the browser's callback that resumed
  // it: the end of the run, not an error.
  window.addEventListener('error', (event) => {
    if (event.error && event.error.name === 'ExitStatus') event.preventDefault();
  });

  // Virtual-key codes of the keys the demo knows; every other key is "other" (0xFF).
  function virtualKey(code) {
    if (code === 'Space') return 0x20;
    if (code === 'Escape') return 0x1B;
    if (code === 'Enter') return 0x0D;
    if (code === 'AltLeft' || code === 'AltRight') return 0x12;
    let m = /^Key([A-Z])$/.exec(code) || /^Digit([0-9])$/.exec(code);
    if (m) return m[1].charCodeAt(0);
    m = /^F([1-9]|1[0-2])$/.exec(code);
    if (m) return 0x70 + Number(m[1]) - 1;
    return 0xFF;
  }

  document.addEventListener('keydown', (event) => {
    if (!page.running) return;
    const code = virtualKey(event.code);
    if (code === 0x20 || code === 0x1B || code === 0x12 || event.altKey) event.preventDefault();
    page.keys.push({code, alt: event.altKey, repeat: event.repeat});
    if (page.wake) page.wake();
  });

  function animationFrame() {
    if (!page.running) return;
    if (page.framesShown !== page.lastShown) {
      page.lastShown = page.framesShown;
      noteShown();
    }
    if (page.framesShown < hold) {
      page.frames++;
      if (page.wake) page.wake();
    }
    requestAnimationFrame(animationFrame);
  }

  async function openAudio() {
    try {
      // Made inside the click: only a page gesture lets the sound start.
      const context = new AudioContext({sampleRate: 44100, latencyHint: 'interactive'});
      context.resume();
      await context.audioWorklet.addModule('orv-audio.js');
      const node = new AudioWorkletNode(context, 'orv-output',
                                        {numberOfInputs: 0, outputChannelCount: [2]});
      node.port.onmessage = (event) => {
        audio.report = event.data;
        // A hidden page gets no animation frames and slowed timers; the output's reports
        // still come, and keep the sound topped up.
        if (document.hidden && page.wake) page.wake();
      };
      node.connect(context.destination);
      audio.context = context;
      audio.node = node;
      requestAnimationFrame(watchFrames);
    } catch (error) {
      page.errors.push('no audio output: ' + error);
    }
  }

  async function loadMusic() {
    try {
      const response = await fetch('orv.xm');
      if (response.ok) Module.FS.writeFile('orv.xm', new Uint8Array(await response.arrayBuffer()));
    } catch (error) {
      page.errors.push('orv.xm: ' + error);
    }
  }

  async function start() {
    startScreen.textContent = 'starting…';
    await Promise.all([openAudio(), loadMusic()]);
    startScreen.hidden = true;
    page.running = true;
    requestAnimationFrame(animationFrame);
    Module.callMain([]);
  }
})();
