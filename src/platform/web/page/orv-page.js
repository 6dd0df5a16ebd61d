// The page around the demo: the front door (the name, the keys, "click or tap to start": browsers
// start sound only after a gesture), the music a visitor brings (dropped, chosen, or ?music=URL),
// full screen, the audio output, keys, one animation-frame count per browser frame, snapshots
// offered as downloads, and the end of a run with the offer to play again. Every run is a fresh
// instance of the demo (OrvDemo, orv.js) from the one compiled orv.wasm. The demo's side of it is
// in src/platform/web/.
//
// Page options: ?music=URL plays that file (beside the page) instead of the demo's own tune.
// For the tests: ?record keeps a script and trace of the run (orv.script, orv.trace); ?hold=N
// stops the frames after the Nth has been shown. The page's state is window.orv.
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  const canvas = document.getElementById('screen');
  const door = document.getElementById('door');
  const startButton = document.getElementById('start');
  const endPanel = document.getElementById('end');
  const hold = params.has('hold') ? Number(params.get('hold')) : Infinity;
  const DefaultMusic = 'orv.xm';
  // Larger files are refused before they are read: the demo refuses them too.
  const MaxMusicBytes = 256 << 20;
  // A browser leaves full screen on Esc; an Esc this soon after leaving is the same press.
  const FullScreenEscMs = 500;
  // While the tab is hidden the browser gives no animation frames: frames come this often
  // instead, so that the end of the music still ends the run.
  const HiddenFrameMs = 100;

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
    running: false, starting: false, exitStatus: null, errors: [], failure: null,
    // Sound-to-picture timing of every fired sync: how late it fired after its sound was
    // heard (early: negative), and when the next frame was put on the canvas after it
    // (milliseconds).
    syncTimes: [], firedAt: [],
    // What the timer messages (each a frame drawn and put on the canvas) cost, in milliseconds.
    frameCost: {count: 0, total: 0, max: 0},
    // The runs started, and the music of the last: {name, bytes}, or null for the demo's own;
    // why the demo's check refused the last file it was given (set by the demo).
    runs: 0, music: null, musicWhy: '',
    // When the page last left full screen (performance.now()).
    leftFullScreen: -Infinity,
    // The running demo's instance.
    instance: null,

    // Snapshot names offered in this page, over all its runs: numbered files move on.
    offered: new Set(),
    // A new file from the demo (a snapshot), offered as a download under its name; a TGA
    // picture also as a PNG, converted by a worker. Both after the frame that made it: the
    // frame only takes the bytes (a copy of its own).
    offerDownload(name, bytes) {
      page.offered.add(name);
      setTimeout(() => {
        Download(name, new Blob([bytes], {type: 'application/octet-stream'}));
        if (/\.tga$/i.test(name)) ConvertSnapshot(name.replace(/\.tga$/i, '.png'), bytes);
      }, 0);
      return true;
    },

    // A start-up failure of the demo (display, memory, audio), shown when the run has ended.
    showMessage(caption, text) {
      page.failure = text;
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
  window.orv = page;

  function Download(name, blob) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  // TGA to PNG off the frame path, in a worker (a browser without workers offers the TGA alone).
  let snapshotWorker = null;
  function ConvertSnapshot(name, bytes) {
    if (!snapshotWorker && typeof Worker !== 'undefined') {
      try {
        snapshotWorker = new Worker('orv-snapshot.js');
        snapshotWorker.onmessage = (event) => {
          const result = event.data;
          if (result.png) {
            Download(result.name, result.png);
          } else if (result.rgba) {
            const picture = document.createElement('canvas');
            picture.width = result.width;
            picture.height = result.height;
            picture.getContext('2d').putImageData(
                new ImageData(result.rgba, result.width, result.height), 0, 0);
            picture.toBlob((blob) => blob && Download(result.name, blob), 'image/png');
          }
        };
      } catch (error) {
        snapshotWorker = null;
      }
    }
    if (snapshotWorker) snapshotWorker.postMessage({name, bytes}, [bytes.buffer]);
    else page.errors.push(name + ': no worker to convert the snapshot');
  }

  function noteShown() {
    const now = performance.now();
    for (const fired of page.firedAt) page.syncTimes.push({late: fired.late, toPicture: now - fired.at});
    page.firedAt.length = 0;
  }

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

  // Full screen: the canvas alone, the picture kept 4:3 with black bars (the page's style).
  function toggleFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    } else if (canvas.requestFullscreen) {
      canvas.requestFullscreen({navigationUI: 'hide'}).catch((error) => {
        page.errors.push('no full screen: ' + error.message);
      });
    }
  }
  document.addEventListener('fullscreenchange', () => {
    if (!document.fullscreenElement) page.leftFullScreen = performance.now();
  });
  canvas.addEventListener('dblclick', (event) => {
    event.preventDefault();
    toggleFullScreen();
  });

  // The Esc that takes the browser out of full screen is not the visitor's quit: an Esc that
  // arrives while the page is in full screen, or just after it left, only leaves full screen.
  function fullScreenEsc() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
      return true;
    }
    return performance.now() - page.leftFullScreen < FullScreenEscMs;
  }

  document.addEventListener('keydown', (event) => {
    if (!page.running) return;
    const code = virtualKey(event.code);
    const modified = event.altKey || event.ctrlKey || event.metaKey;
    if (event.code === 'KeyF' && !modified) {
      event.preventDefault();
      if (!event.repeat) toggleFullScreen();
      return;
    }
    if (code === 0x1B && fullScreenEsc()) {
      event.preventDefault();
      return;
    }
    if (code === 0x20 || code === 0x1B || code === 0x12 || event.altKey) event.preventDefault();
    page.keys.push({code, alt: event.altKey, repeat: event.repeat});
    if (page.wake) page.wake();
  });

  function frameDue() {
    if (page.framesShown !== page.lastShown) {
      page.lastShown = page.framesShown;
      noteShown();
    }
    if (page.framesShown < hold) {
      page.frames++;
      if (page.wake) page.wake();
    }
  }

  function animationFrame(run) {
    if (!page.running || run !== page.runs) return;
    frameDue();
    requestAnimationFrame(() => animationFrame(run));
  }

  // A hidden tab gets no animation frames: a timer (and the audio output's reports, which keep
  // coming) give the demo its frames, fewer of them, so that the end of the music ends the run.
  let lastHiddenFrame = 0;
  function hiddenFrame() {
    if (!page.running || !document.hidden) return;
    const now = performance.now();
    if (now - lastHiddenFrame < HiddenFrameMs) return;
    lastHiddenFrame = now;
    frameDue();
  }
  setInterval(hiddenFrame, HiddenFrameMs);

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
        hiddenFrame();
      };
      node.connect(context.destination);
      audio.context = context;
      audio.node = node;
      requestAnimationFrame(watchFrames);
    } catch (error) {
      page.errors.push('no audio output: ' + error);
    }
  }

  // The audio output, made once on the first gesture (only a gesture lets the sound start) and
  // kept for every run after it.
  let audioMade = null;
  function ensureAudio() {
    if (!audioMade) {
      // Tried again on the next gesture when it failed.
      audioMade = openAudio().then(() => {
        if (!audio.node) audioMade = null;
      });
    }
    if (audio.context && audio.context.state === 'suspended') audio.context.resume();
    return audioMade;
  }

  // orv.wasm compiled once, for every run's instance; a host that serves it with another type
  // than application/wasm still works, compiled from its bytes.
  const compiled = (async () => {
    if (WebAssembly.compileStreaming) {
      try {
        return await WebAssembly.compileStreaming(fetch('orv.wasm'));
      } catch (error) { /* below */ }
    }
    const response = await fetch('orv.wasm');
    if (!response.ok) throw new Error('orv.wasm: ' + response.status + ' ' + response.statusText);
    return WebAssembly.compile(await response.arrayBuffer());
  })();

  // The demo's own tune, fetched once.
  let defaultBytes = null;
  async function fetchMusic(url) {
    const response = await fetch(url);
    if (!response.ok) throw new Error(`${response.status} ${response.statusText}`.trim());
    const length = Number(response.headers.get('Content-Length'));
    if (length > MaxMusicBytes) throw new Error('larger than 256 MiB');
    return new Uint8Array(await response.arrayBuffer());
  }

  function musicName(music) {
    return music ? music.name : "the demo's own tune";
  }

  function showProblem(text) {
    const problem = document.getElementById('problem');
    problem.textContent = text;
    problem.hidden = !text;
  }

  function showDoor() {
    endPanel.hidden = true;
    door.hidden = false;
    document.getElementById('music-name').textContent = musicName(page.music);
    document.getElementById('use-default').hidden = !page.music;
    startButton.textContent = 'click or tap to start';
    startButton.disabled = false;
  }

  function showEnd(status) {
    door.hidden = true;
    endPanel.hidden = false;
    const title = document.getElementById('end-title');
    const detail = document.getElementById('end-detail');
    title.textContent = status === 1 ? 'The music has ended.' : 'The demo has stopped.';
    // The failure once: the demo also writes it to standard error.
    const problems = page.failure ? [page.failure, ...page.errors.filter((e) => !e.endsWith(page.failure))]
                                  : page.errors;
    detail.textContent = problems.join('\n');
    detail.hidden = status === 1 || problems.length === 0;
    document.getElementById('end-music').textContent = musicName(page.music);
    document.getElementById('again-default').hidden = !page.music;
  }

  // The run's fresh state: nothing of the last run is seen by the next.
  function resetRun() {
    Object.assign(page, {
      frames: 0, framesShown: 0, lastShown: undefined, keys: [], wake: null, script: [], trace: [],
      exitStatus: null, errors: [], failure: null, syncTimes: [], firedAt: [], musicWhy: '',
      frameCost: {count: 0, total: 0, max: 0},
    });
  }

  // Starts a run with page.music; a file the demo cannot play sends the visitor back to the
  // door with the reason, the demo's own tune chosen again.
  async function startRun() {
    if (page.running || page.starting) return;
    page.starting = true;
    resetRun();
    const audioReady = ensureAudio();
    showProblem('');
    door.hidden = false;
    endPanel.hidden = true;
    startButton.textContent = 'starting…';
    startButton.disabled = true;
    const music = page.music;
    document.getElementById('music-name').textContent = musicName(music);
    let instance;
    try {
      if (!music && !defaultBytes) defaultBytes = await fetchMusic(DefaultMusic);
      const module = await compiled;
      await audioReady;
      instance = await OrvDemo({
        canvas, orv: page, noInitialRun: true,
        print: (text) => console.log(text),
        printErr: (text) => {
          page.errors.push(text);
          console.error(text);
        },
        instantiateWasm(imports, receive) {
          WebAssembly.instantiate(module, imports).then((made) => receive(made, module));
          return {};
        },
        onExit: (status) => runEnded(instance, status),
      });
    } catch (error) {
      page.starting = false;
      showDoor();
      showProblem(`The demo could not start: ${error.message || error}`);
      return;
    }
    let args = [];
    if (music) {
      // The visitor's file under its own name (its last part), in a folder of its own.
      const name = music.name.replace(/^.*[\\/]/, '').replace(/[^\w.+-]/g, '_') || 'music';
      instance.FS.mkdir('/music');
      instance.FS.writeFile('/music/' + name, music.bytes);
      args = ['/music/' + name];
      if (!instance.ccall('orv_music_check', 'number', ['string'], [args[0]])) {
        page.starting = false;
        page.music = null;
        showDoor();
        showProblem(`${music.name} cannot be played: ${page.musicWhy}.\n` +
                    "It is not a module libxmp can load (nor a WAV file). " +
                    "The demo's own tune is ready: click or tap to start it, or choose another file.");
        return;
      }
    } else {
      instance.FS.writeFile(DefaultMusic, defaultBytes);
    }
    page.instance = instance;
    page.runs++;
    page.starting = false;
    page.running = true;
    door.hidden = true;
    const run = page.runs;
    requestAnimationFrame(() => animationFrame(run));
    instance.callMain(args);
  }

  let afterExit = null;
  function runEnded(instance, status) {
    if (instance !== page.instance) return;
    page.running = false;
    page.exitStatus = status;
    page.instance = null;
    page.wake = null;
    canvas.style.cursor = '';
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    const next = afterExit;
    afterExit = null;
    // Out of the demo's call stack before anything new starts.
    setTimeout(() => {
      if (next) next();
      else if (status === 0) showDoor();
      else showEnd(status);
    }, 0);
  }

  // A new music: the running demo is ended the way a visitor ends it (a system key), then the
  // next run starts with that music.
  function useMusic(music) {
    page.music = music;
    if (page.running) {
      afterExit = startRun;
      page.keys.push({code: 0x12, alt: true, repeat: false});
      if (page.wake) page.wake();
    } else if (!page.starting) {
      const activated = navigator.userActivation ? navigator.userActivation.hasBeenActive : audioMade;
      if (activated) {
        startRun();
      } else {
        // No gesture yet (a file dropped on a fresh page): the sound, so the start, waits for one.
        showDoor();
      }
    }
  }

  async function useFile(file) {
    if (!file) return;
    if (file.size > MaxMusicBytes) {
      showDoor();
      showProblem(`${file.name} is larger than 256 MiB: no music for the demo.`);
      return;
    }
    try {
      useMusic({name: file.name, bytes: new Uint8Array(await file.arrayBuffer())});
    } catch (error) {
      showDoor();
      showProblem(`${file.name} could not be read: ${error.message || error}`);
    }
  }

  // The front door and the end: a click or tap anywhere but on their controls starts.
  door.addEventListener('click', (event) => {
    if (startButton.disabled || event.target.closest('label, input, #use-default')) return;
    startRun();
  });
  document.getElementById('use-default').addEventListener('click', () => {
    page.music = null;
    showProblem('');
    showDoor();
  });
  document.getElementById('again').addEventListener('click', () => startRun());
  document.getElementById('again-default').addEventListener('click', () => {
    page.music = null;
    startRun();
  });
  for (const id of ['file', 'end-file']) {
    const input = document.getElementById(id);
    // The click that opens the chooser is the gesture the sound needs.
    input.addEventListener('click', () => ensureAudio());
    input.addEventListener('change', () => {
      const file = input.files[0];
      input.value = '';
      useFile(file);
    });
  }
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', (event) => {
    if (!event.relatedTarget) document.body.classList.remove('dragging');
  });
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    useFile(event.dataTransfer.files[0]);
  });

  // ?music=URL: a file served beside the page, fetched now, played on the first start.
  async function openPage() {
    const url = params.get('music');
    if (url) {
      document.getElementById('music-name').textContent = url;
      try {
        page.music = {name: url.replace(/[?#].*$/, '').replace(/^.*\//, '') || url,
                      bytes: await fetchMusic(new URL(url, location.href))};
      } catch (error) {
        page.music = null;
        showProblem(`${url} could not be fetched: ${error.message || error}. ` +
                    "The demo's own tune is ready instead.");
      }
    }
    try {
      await compiled;
      showDoor();
    } catch (error) {
      startButton.textContent = 'the demo could not be loaded';
      showProblem(`${error.message || error}. A host must serve orv.wasm beside the page.`);
    }
  }
  openPage();
})();
