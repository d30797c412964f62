// The page around the show: the start panel (its Start click is the one that lets the browser
// play sound), the program's start, its messages, and the cue lines at the end. URL parameters
// serve the tests: render=WxH&fps=F[&from=S][&to=S][&stills=T,T,...]&report=1 draws frames
// on the virtual clock, as velmar --render does (stills: only the frames at those music
// times are written), and posts them as PNG files to /report/ on the page's own origin
// (keep=n,n,...: only those); program=clip_twin (or gl_contexts) runs that test program
// instead of the show. A link to the page is anyone's to write, so no parameter names a
// script or an address: each is held to its form, and a link with any bad one starts nothing
// and says why on the page.
'use strict';
(function () {
  const params = new URLSearchParams(location.search);
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
  ]);
  function refusals() {
    const bad = [];
    for (const [name, value] of params) {
      if (name === 'program') {
        if (!PROGRAMS.includes(value)) bad.push("Unknown test program '" + value + "'");
      } else if (!FORMS.has(name)) {
        bad.push("Unknown parameter '" + name + "'");
      } else if (!FORMS.get(name).test(value)) {
        bad.push('Bad value for ' + name);
      }
    }
    return bad;
  }

  const program = params.get('program') || 'velmar';
  const render = params.get('render');
  const report = params.get('report') === '1';

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
    velmarOnFrame: timerMs => {
      const now = performance.now();
      if (page.frames === 0 && page.clickMs !== null) page.firstFrameMs = now - page.clickMs;
      page.frames++;
      page.clock = [now, timerMs];
    },
    onRuntimeInitialized: () => {
      if (render || program !== 'velmar') return run(programArgs());
      $('go').disabled = false;
      $('status').textContent = 'Ready.';
    },
  };

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
    if (render || program !== 'velmar') return;
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
    if (full && document.documentElement.requestFullscreen) {
      try {
        await document.documentElement.requestFullscreen();
        if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']).catch(() => {});
      } catch (e) {}
    }
    $('start').hidden = true;
    $('canvas').focus();
    run(programArgs());
  });

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
  for (const src of ['velmar-data.js', program + '.js']) {
    const s = document.createElement('script');
    s.src = src;
    s.async = false;
    document.body.appendChild(s);
  }
})();
