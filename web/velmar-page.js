// The page around the show: the start panel (its Start click is the one that lets the browser
// play sound), the program's start, its messages, and the cue lines at the end. URL parameters
// serve the tests: render=WxH&fps=F[&from=S][&to=S][&stills=T,T,...]&report=1 draws frames
// on the virtual clock, as velmar --render does (stills: only the frames at those music
// times are written), and posts them as PNG files to /report/ on the page's own origin
// (keep=n,n,...: only those); program=clip_twin (or gl_contexts) runs that test program
// instead of the show. A link to the page is anyone's to write, so no parameter names a
// script or an address: each is held to its form, and a link with any bad one starts nothing
// and says why on the page.
//
// For viewers: t=SECONDS (or 4m30s, in the query or as #t=) starts the show at that moment, as
// velmar --start does; the page counts the bytes it loads on a bar and names a file that failed;
// a service worker (velmar-sw.js) keeps the files for visits without a network.
'use strict';
(function () {
  const params = new URLSearchParams(location.search);
  // A link to a moment may also say it after the '#'.
  for (const [name, value] of new URLSearchParams(location.hash.slice(1))) params.append(name, value);
  const $ = id => document.getElementById(id);
  const page = window.velmarPage = {frames: 0, firstFrameMs: null, clickMs: null, ended: false, exitCode: null,
                                   log: [], frameTimes: [], clock: null};

  // The programs a link may start, each its own script beside the page.
  const PROGRAMS = ['velmar', 'clip_twin', 'gl_contexts'];
  // Every other parameter and the form its value must have.
  const FORMS = new Map([
    ['render', /^\d{1,5}x\d{1,5}$/],
    ['fps', /^\d+(?:\.\d+)?$/],
    ['from', /^\d+(?:\.\d+)?$/],
    ['to', /^\d+(?:\.\d+)?$/],
    ['stills', /^\d+(?:\.\d+)?(?:,\d+(?:\.\d+)?)*$/],
    ['keep', /^\d+(?:,\d+)*$/],
    ['stats', /^[01]$/],
    ['report', /^1$/],
    ['args', /^[A-Za-z0-9_.,=+-]+(?: [A-Za-z0-9_.,=+-]+)*$/],
    ['t', /^(?:\d{1,3}(?:\.\d{1,3})?s?|\d{1,2}m(?:\d{1,2}(?:\.\d{1,3})?s)?)$/],
    ['shots', /^[1-9]$/],
  ]);
  const SHOW_SECONDS = 312;
  // A moment of the show in seconds: 250, 250.5, 30s, 4m, 4m30s.
  function seconds(text) {
    const m = /^(?:(\d+)m)?(?:(\d+(?:\.\d+)?)s?)?$/.exec(text);
    return m ? Number(m[1] || 0) * 60 + Number(m[2] || 0) : NaN;
  }
  function refusals() {
    const bad = [];
    for (const [name, value] of params) {
      if (name === 'program') {
        if (!PROGRAMS.includes(value)) bad.push("Unknown test program '" + value + "'");
      } else if (!FORMS.has(name)) {
        bad.push("Unknown parameter '" + name + "'");
      } else if (!FORMS.get(name).test(value) || (name === 't' && !(seconds(value) < SHOW_SECONDS))) {
        bad.push('Bad value for ' + name);
      }
    }
    return bad;
  }

  const program = params.get('program') || 'velmar';
  const render = params.get('render');
  const report = params.get('report') === '1';
  const live = program === 'velmar' && !render;
  // Where the show starts: the linked moment, else its beginning.
  const startAt = live && params.get('t') ? seconds(params.get('t')) : 0;
  // A run ahead counts the manual timer from 1 s at music time 0 (app/app_render.cpp), and the
  // show starts at the linked moment with the timer there.
  const TIMER_ORIGIN_MS = 1000;

  // Reports go to this origin alone, under one fixed path.
  function post(name, body) {
    return fetch(location.origin + '/report/' + name, {method: 'POST', body: body});
  }
  function print(text) {
    page.log.push(text);
    console.log(text);
  }

  const Module = window.Module = {
    canvas: $('canvas'),
    arguments: [],
    print: print,
    printErr: text => { page.log.push(text); console.warn(text); },
    velmarMessage: (caption, text) => { $('message').textContent = caption + ': ' + text; },
    // Each frame, with the show's clock then: page.clock is [the page's clock, the show's] at
    // the latest frame, both in ms.
    velmarOnFrame: (timerMs, startMs) => {
      const now = performance.now();
      if (page.frames === 0 && page.clickMs !== null) page.firstFrameMs = now - page.clickMs;
      page.frames++;
      page.clock = [now, timerMs];
      if (page.firstTimer === undefined) page.firstTimer = timerMs;
      if (page.seeking) arrived(now);
      if (page.arrivedMs !== null) shoot(startMs < 0 ? startAt : (startMs - TIMER_ORIGIN_MS) / 1000);
    },
    // Every tenth of a second of a run ahead: how far it has got.
    velmarOnBreath: manualMs => {
      if (!startAt || manualMs < 0 || page.arrivedMs !== null) return;
      page.seeking = true;
      const at = Math.max(0, (manualMs - TIMER_ORIGIN_MS) / 1000);
      $('seek').hidden = false;
      $('seek-bar').value = Math.min(1, at / startAt);
      $('seek-text').textContent = 'Going to ' + clockText(startAt) + ': at ' + clockText(at);
    },
    onRuntimeInitialized: () => {
      if (!live) return run(programArgs());
      $('go').disabled = false;
      $('go').hidden = false;
      $('status').textContent = startAt ? 'Ready to start at ' + clockText(startAt) + '.' : 'Ready.';
      page.readyMs = performance.now();
    },
  };
  page.arrivedMs = null;
  page.shots = [];

  function clockText(t) {
    const m = Math.floor(t / 60), s = t - m * 60;
    return m + ':' + (s < 10 ? '0' : '') + s.toFixed(s === Math.floor(s) ? 0 : 1);
  }

  // The run ahead has reached the linked moment: its first frames (the two drawn in full before
  // the moment, then the moment's) are on the screen.
  function arrived(now) {
    page.seeking = false;
    page.arrivedMs = now;
    $('seek').hidden = true;
  }

  // shots=N (with report=1): the first N frames after a run ahead, as shown, each with the music
  // time the show drew it for, go to the report; a test holds them to the native frames.
  function shoot(time) {
    const n = Number(params.get('shots') || 0);
    if (!report || page.shots.length >= n) return;
    // The drawing buffer still holds the frame until control goes back to the browser, and
    // toBlob takes its copy at once.
    page.shots.push(time);
    const name = 'shot' + (page.shots.length - 1) + '.png';
    Module.canvas.toBlob(b => post(name, b), 'image/png');
  }

  // Where the show is now, in music time: the heard position of the music where it plays, else
  // the show's clock since its first frame.
  function musicTime() {
    const streams = Module.velmarStreams || {};
    let heard = null;
    for (const id in streams) {
      const s = streams[id];
      if (s && s.source && !s.stopped && s.buffer && s.buffer.duration > 60)
        heard = (performance.now() - s.heard) / 1000 + s.offset;
    }
    if (heard !== null) return Math.max(0, heard);
    if (!page.clock) return startAt;
    if (startAt) return (page.clock[1] - TIMER_ORIGIN_MS) / 1000;
    return page.firstTimer === undefined ? 0 : (page.clock[1] - page.firstTimer) / 1000;
  }

  function momentLink() {
    const t = Math.min(SHOW_SECONDS - 1, Math.max(0, musicTime()));
    const u = new URL(location.href);
    u.hash = '';
    u.search = '?t=' + t.toFixed(1);
    return u.href;
  }

  // Copies the link to the clipboard where the page may, and shows it in any case.
  function copyLink(output) {
    const link = momentLink();
    $(output).textContent = link;
    page.lastLink = link;
    if (navigator.clipboard && navigator.clipboard.writeText) navigator.clipboard.writeText(link).catch(() => {});
  }

  function programArgs() {
    if (program !== 'velmar') return (params.get('args') || '').split(' ').filter(a => a);
    if (!render) return params.get('stats') ? ['--stats'] : [];
    const a = ['--render', '/frames/', '--size', render, '--fps', params.get('fps') || '10'];
    if (params.get('from')) a.push('--from', params.get('from'));
    if (params.get('to')) a.push('--to', params.get('to'));
    if (params.get('stills')) a.push('--stills', params.get('stills'));
    return a;
  }

  // A render's frames: each one that has its name (the program writes NAME.part, then renames
  // it) is posted if it is kept, then removed. The page looks whenever the program hands it
  // control, which a render does every tenth of a second.
  function takeFrames(keep, pending) {
    let names = [];
    try { names = Module.FS.readdir('/frames'); } catch (e) { return; }
    for (const name of names) {
      const m = /^frame(\d+)\.png$/.exec(name);
      if (!m) continue;
      const path = '/frames/' + name;
      if (!keep || keep.has(Number(m[1]))) {
        page.framesKept++;
        if (report) pending.push(post(name, Module.FS.readFile(path)));
      }
      Module.FS.unlink(path);
    }
  }
  function collectFrames() {
    const keep = params.get('keep') ? new Set(params.get('keep').split(',').map(Number)) : null;
    const pending = [];
    page.framesKept = 0;
    const timer = setInterval(() => takeFrames(keep, pending), 20);
    pending.stop = () => { clearInterval(timer); takeFrames(keep, pending); };
    return pending;
  }

  // argv in the program's memory.
  function argv(args) {
    const list = ['velmar'].concat(args);
    const table = Module._malloc(4 * (list.length + 1));
    list.forEach((a, i) => {
      const n = Module.lengthBytesUTF8(a) + 1, p = Module._malloc(n);
      Module.stringToUTF8(a, p, n);
      Module.HEAPU32[(table >> 2) + i] = p;
    });
    Module.HEAPU32[(table >> 2) + list.length] = 0;
    return [list.length, table];
  }

  async function run(args) {
    const pending = render ? collectFrames() : [];
    if (startAt) args = args.concat(['--start', String(startAt)]);
    page.started = performance.now();
    try {
      // The show waits by handing control back to the page, so main runs as an async call
      // that settles when main returns.
      page.exitCode = await Module.ccall('main', 'number', ['number', 'number'], argv(args), {async: true});
    } catch (e) {
      page.exitCode = -1;
      page.log.push('error: ' + (e && e.stack ? e.stack : e));
    }
    page.ended = true;
    page.endedMs = performance.now();
    if (pending.stop) pending.stop();
    await Promise.all(pending);
    finished();
  }

  // The program returned (or exited): its status, its cue lines, and the end panel.
  function finished() {
    if (report) post('done', JSON.stringify({exit: page.exitCode, log: page.log, frames: page.frames,
                                          firstFrameMs: page.firstFrameMs}));
    if (!live) return;
    $('overlay').hidden = true;
    $('seek').hidden = true;
    copyLink('end-url');
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    try {
      const cues = Module.FS.readFile('/keypress.txt');
      const a = $('cues');
      a.href = URL.createObjectURL(new Blob([cues], {type: 'text/plain'}));
      a.hidden = false;
    } catch (e) {}
    $('end').hidden = false;
  }

  $('go').addEventListener('click', async () => {
    page.clickMs = performance.now();
    const sound = $('sound').checked, full = $('fullscreen').checked;
    Module.velmarChoices = {shadows: $('shadows').checked, sound: sound, fullscreen: full};
    // The click is what lets the page make sound, and go full screen.
    if (sound) {
      const Ctx = window.AudioContext || window.webkitAudioContext;
      if (Ctx) {
        Module.velmarAudioContext = new Ctx({latencyHint: 'interactive'});
        Module.velmarAudioContext.resume();
      }
    }
    // Asked for before anything is awaited, while the tap or click still counts as one; Safari
    // on a phone has only its prefixed call.
    const root = document.documentElement;
    const whole = root.requestFullscreen || root.webkitRequestFullscreen;
    if (full && whole) {
      try {
        await whole.call(root);
        if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']).catch(() => {});
      } catch (e) {}
    }
    $('start').hidden = true;
    $('canvas').focus();
    showOverlay();
    run(programArgs());
  });

  // The overlay during the show: a tap, the mouse or L brings it up, and it fades again.
  let fadeTimer = null;
  function showOverlay() {
    if (!live || page.ended || page.clickMs === null) return;
    $('overlay').hidden = false;
    $('overlay').classList.remove('faded');
    clearTimeout(fadeTimer);
    fadeTimer = setTimeout(() => $('overlay').classList.add('faded'), 3000);
  }
  $('link').addEventListener('click', () => { copyLink('url'); showOverlay(); });
  $('end-link').addEventListener('click', () => copyLink('end-url'));
  window.addEventListener('keydown', e => {
    if (e.key.toLowerCase() !== 'l' || page.clickMs === null || page.ended) return;
    copyLink('url');
    showOverlay();
  });
  window.addEventListener('mousemove', showOverlay);

  // Ends the show as its Escape key does, for screens that have none.
  function escape() {
    for (const type of ['keydown', 'keyup']) {
      const e = new KeyboardEvent(type, {key: 'Escape', code: 'Escape', bubbles: true});
      Object.defineProperty(e, 'keyCode', {get: () => 27});
      Object.defineProperty(e, 'which', {get: () => 27});
      window.dispatchEvent(e);
    }
  }
  $('close').addEventListener('click', escape);
  // Two fingers on the screen at once end the show; one brings up the overlay.
  $('canvas').addEventListener('touchstart', e => {
    if (page.clickMs === null || page.ended) return;
    e.preventDefault();
    if (e.touches.length >= 2) escape();
    else showOverlay();
  }, {passive: false});

  // Loading: the program and the content pack, each byte counted on the bar. velmar-build.json
  // gives the sizes (a server that compresses may not say them); a file that does not come says
  // so by name, and Try again fetches what is still missing.
  const have = {}, coming = {}, loaded = {};
  let sizes = {};
  function shown(loaded) {
    if (page.loadError) return;
    const total = Object.values(sizes).reduce((a, b) => a + b, 0);
    const done = Object.values(loaded).reduce((a, b) => a + b, 0);
    $('bar').value = total ? Math.min(1, done / total) : 0;
    $('status').dataset.bytes = done;
    $('status').textContent = 'Loading ' + (done / 1048576).toFixed(1) + ' of ' + (total / 1048576).toFixed(1) + ' MB';
  }
  function refused(name, why) {
    const e = new Error(name + ' could not be loaded (' + why + ')');
    e.file = name;
    return e;
  }
  async function fetchCounted(name, loaded) {
    let response;
    try {
      response = await fetch(name);
    } catch (e) {
      throw refused(name, 'no connection');
    }
    if (!response.ok) throw refused(name, 'HTTP ' + response.status);
    if (!sizes[name]) sizes[name] = Number(response.headers.get('Content-Length')) || 0;
    const reader = response.body.getReader(), parts = [];
    let n = 0;
    try {
      for (;;) {
        const {done, value} = await reader.read();
        if (done) break;
        parts.push(value);
        n += value.length;
        loaded[name] = n;
        shown(loaded);
      }
    } catch (e) {
      throw refused(name, 'the connection broke');
    }
    const bytes = new Uint8Array(n);
    let at = 0;
    for (const part of parts) {
      bytes.set(part, at);
      at += part.length;
    }
    return bytes.buffer;
  }
  function loadScript(name, loaded) {
    return new Promise((resolve, reject) => {
      const s = document.createElement('script');
      s.src = name;
      s.onload = () => {
        loaded[name] = sizes[name] || 0;
        shown(loaded);
        resolve();
      };
      s.onerror = () => {
        s.remove();
        reject(refused(name, 'no connection or no such file'));
      };
      document.body.appendChild(s);
    });
  }

  // The service worker, for a live show only (the tests' renders and programs go without):
  // the first visit waits for it to take the page, so that what the page loads is kept; a
  // newer build waiting to take over does so, and the page starts again under it.
  async function worker() {
    if (!live || !('serviceWorker' in navigator) || !window.isSecureContext) return;
    try {
      const registration = await navigator.serviceWorker.register('velmar-sw.js');
      if (registration.waiting && navigator.serviceWorker.controller) {
        navigator.serviceWorker.addEventListener('controllerchange', () => location.reload());
        registration.waiting.postMessage('take-over');
        await new Promise(() => {});
      }
      if (!navigator.serviceWorker.controller)
        await Promise.race([new Promise(r => navigator.serviceWorker.addEventListener('controllerchange', r)),
                            new Promise(r => setTimeout(r, 5000))]);
    } catch (e) {
      page.log.push('no service worker: ' + e);
    }
  }

  async function load() {
    page.loadError = null;
    $('retry').hidden = true;
    $('status').classList.remove('error');
    try {
      if (!page.loadStartMs) {
        page.loadStartMs = performance.now();
        await worker();
        try {
          sizes = (await (await fetch('velmar-build.json')).json()).files || {};
        } catch (e) {}
        sizes = {[program + '.wasm']: sizes[program + '.wasm'] || 0, 'velmar.data': sizes['velmar.data'] || 0,
                 'velmar-data.js': sizes['velmar-data.js'] || 0, [program + '.js']: sizes[program + '.js'] || 0};
      }
      shown(loaded);
      // A download still under way when another failed goes on, and Try again waits for it.
      await Promise.all([program + '.wasm', 'velmar.data'].filter(n => !have[n]).map(n => {
        coming[n] = coming[n] || fetchCounted(n, loaded).then(bytes => { have[n] = bytes; },
                                                             e => { delete coming[n]; loaded[n] = 0; throw e; });
        return coming[n];
      }));
      Module.wasmBinary = have[program + '.wasm'];
      Module.getPreloadedPackage = () => have['velmar.data'];
      for (const n of ['velmar-data.js', program + '.js']) {
        if (have[n]) continue;
        await loadScript(n, loaded);
        have[n] = true;
      }
      $('bar').value = 1;
      page.loadedMs = performance.now();
    } catch (e) {
      if (!e.file) throw e;
      page.loadError = e.message;
      failed(e.message);
      $('status').textContent = e.message + '.';
      $('status').classList.add('error');
      $('retry').hidden = false;
    }
  }
  $('retry').addEventListener('click', load);

  // A test hears of a page that failed at once rather than at its time-out.
  function failed(text) {
    page.log.push('error: ' + text);
    if (report && !page.ended) post('done', JSON.stringify({exit: 'error', log: page.log}));
  }
  $('again').addEventListener('click', () => location.reload());

  const bad = refusals();
  if (bad.length) {
    // Nothing loads: no program, no content pack, no report.
    $('start').hidden = true;
    for (const text of bad) {
      const p = document.createElement('p');
      p.textContent = text;
      $('refused').appendChild(p);
    }
    $('refused').hidden = false;
    return;
  }
  window.addEventListener('error', e => failed(e.message));
  window.addEventListener('unhandledrejection', e => failed(String(e.reason)));
  load();
})();
