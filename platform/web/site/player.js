// The page around the web player: it gathers a presentation (the demo, a
// folder, a dropped folder or zip, or ?p=URL), offers the launcher's screen
// modes, and plays the show in a fresh player module each time Run is
// pressed.  The module sees the presentation as the folder /show/data.
'use strict';

const MODES = ['1024x768x32', '800x600x32', '640x480x32', '1024x768x16', '800x600x16', '640x480x16'];
// The player's own limits for a zip, so that no archive floods the page.
const MAX_ENTRY = 256 * 1024 * 1024, MAX_TOTAL = 1024 * 1024 * 1024, MAX_ENTRIES = 65536;

const $ = (id) => document.getElementById(id);
let show = null;      // { title, files: Map(path under data/ -> Uint8Array) }
let playing = false;

function setError(text) {
  $('error').textContent = text || '';
  $('error').hidden = !text;
}
function setStatus(text) { $('status').textContent = text || ''; }

// Line 1 of the script: UTF-8 when it is valid UTF-8, else Windows-1252.
function titleOf(script) {
  let end = script.findIndex((b) => b === 10 || b === 13 || b === 0);
  if (end < 0) end = script.length;
  const bytes = script.subarray(0, end);
  try { return new TextDecoder('utf-8', { fatal: true }).decode(bytes); }
  catch { return new TextDecoder('windows-1252').decode(bytes); }
}

// Takes the files of a presentation (relative paths) and keeps those under
// its data folder, found as the player finds it: data/vuze.kel at the top or
// under one folder, or vuze.kel at the top (the data folder itself).  A
// chosen folder's paths start with its own name, which may be the data
// folder's.
function acceptFiles(entries, where, chosenFolder = false) {
  let best = null;
  for (const [path] of entries) {
    const parts = path.split('/');
    const inData = parts.length >= 2 && parts[parts.length - 2].toLowerCase() === 'data';
    const depth = parts.length - (chosenFolder ? 1 : 0);
    if (parts[parts.length - 1].toLowerCase() !== 'vuze.kel') continue;
    if (!(depth === 1 || (inData && depth <= (chosenFolder ? 2 : 3)))) continue;
    if (best === null || parts.length < best.length) best = parts;
  }
  if (best === null) throw new Error(`${where} holds no script (data/vuze.kel).`);
  const prefix = best.slice(0, -1).join('/');
  const files = new Map();
  for (const [path, bytes] of entries) {
    if (prefix && !path.startsWith(prefix + '/')) continue;
    files.set(prefix ? path.slice(prefix.length + 1) : path, bytes);
  }
  const script = [...files].find(([p]) => p.toLowerCase() === 'vuze.kel')[1];
  show = { title: titleOf(script), files };
  const caption = 'RodaZaro - ' + show.title;
  $('caption').textContent = caption;
  document.title = caption;
  $('run').disabled = false;
  setError('');
  $('run').focus();
}

function cleanPath(name) {
  const path = name.replace(/\\/g, '/');
  if (path.startsWith('/') || /^[A-Za-z]:/.test(path) || path.split('/').includes('..')) return null;
  return path;
}

// --- Zip archives: the central directory, stored and deflated entries. ---
async function inflate(data) {
  const stream = new Blob([data]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

async function unzip(buffer, where) {
  const bytes = new Uint8Array(buffer);
  const view = new DataView(buffer);
  let eocd = -1;
  for (let i = bytes.length - 22; i >= Math.max(0, bytes.length - 22 - 65535); --i) {
    if (view.getUint32(i, true) === 0x06054b50) { eocd = i; break; }
  }
  if (eocd < 0) throw new Error(`${where} is not a zip archive.`);
  const count = view.getUint16(eocd + 10, true);
  let at = view.getUint32(eocd + 16, true);
  if (count > MAX_ENTRIES) throw new Error(`${where} holds too many files.`);
  const entries = [];
  let total = 0;
  for (let n = 0; n < count; ++n) {
    if (at + 46 > bytes.length || view.getUint32(at, true) !== 0x02014b50) {
      throw new Error(`${where} is a damaged zip archive.`);
    }
    const method = view.getUint16(at + 10, true);
    const packed = view.getUint32(at + 20, true), size = view.getUint32(at + 24, true);
    const nameLength = view.getUint16(at + 28, true);
    const extra = view.getUint16(at + 30, true), comment = view.getUint16(at + 32, true);
    const local = view.getUint32(at + 42, true);
    const name = new TextDecoder().decode(bytes.subarray(at + 46, at + 46 + nameLength));
    at += 46 + nameLength + extra + comment;
    if (name.endsWith('/')) continue;
    const path = cleanPath(name);
    if (path === null) throw new Error(`${where} holds a file outside its folder (${name}).`);
    total += size;
    if (size > MAX_ENTRY || total > MAX_TOTAL || (size > 1 << 20 && size > packed * 200)) {
      throw new Error(`${where} unpacks to more than this player takes.`);
    }
    if (local + 30 > bytes.length) continue;
    const start = local + 30 + view.getUint16(local + 26, true) + view.getUint16(local + 28, true);
    const data = bytes.subarray(start, start + packed);
    try {
      // A damaged entry is a file that fails to load: it stays away.
      const content = method === 0 ? data.slice() : method === 8 ? await inflate(data) : null;
      if (content !== null && content.length === size) entries.push([path, content]);
    } catch { /* left out */ }
  }
  return entries;
}

// --- Where presentations come from. ---
async function loadZipBuffer(buffer, where) {
  acceptFiles(await unzip(buffer, where), where);
}

async function loadUrl(url) {
  setStatus('Loading ' + url + ' …');
  let response;
  try { response = await fetch(url); } catch { response = null; }
  if (!response || !response.ok) {
    throw new Error(`The presentation ${url} could not be downloaded` +
                    (response ? ` (${response.status} ${response.statusText}).` : '.'));
  }
  await loadZipBuffer(await response.arrayBuffer(), url);
  setStatus('');
}

async function loadFileList(list) {
  const entries = [];
  for (const file of list) {
    const path = cleanPath(file.webkitRelativePath || file.name);
    if (path !== null) entries.push([path, new Uint8Array(await file.arrayBuffer())]);
  }
  acceptFiles(entries, 'The folder', true);
}

// A dropped folder, walked through the entries API.
async function readEntry(entry, entries) {
  if (entry.isFile) {
    const file = await new Promise((ok, fail) => entry.file(ok, fail));
    entries.push([entry.fullPath.replace(/^\//, ''), new Uint8Array(await file.arrayBuffer())]);
    return;
  }
  const reader = entry.createReader();
  for (;;) {
    const batch = await new Promise((ok, fail) => reader.readEntries(ok, fail));
    if (batch.length === 0) break;
    for (const child of batch) await readEntry(child, entries);
  }
}

// What was dropped: one zip, or folders and files.  The drop's items are
// read at once (they are gone once the event is over); a browser without
// the entries API, or a drop made by a script, gives plain files, which
// count as one zip or as the files of a folder without subfolders.
async function loadDrop(transfer) {
  const files = [...(transfer.files || [])];
  const entries = [...(transfer.items || [])].filter((item) => item.kind === 'file')
    .map((item) => (item.webkitGetAsEntry ? item.webkitGetAsEntry() : null));
  const walkable = entries.length > 0 && entries.every(Boolean);
  const single = walkable && entries.length === 1 ? entries[0] : null;
  if (single ? single.isFile && /\.zip$/i.test(single.name)
             : !walkable && files.length === 1 && /\.zip$/i.test(files[0].name)) {
    const zip = single ? await new Promise((ok, fail) => single.file(ok, fail)) : files[0];
    await loadZipBuffer(await zip.arrayBuffer(), zip.name);
    return;
  }
  const found = [];
  if (walkable) {
    for (const entry of entries) await readEntry(entry, found);
  } else {
    for (const file of files) found.push([file.name, new Uint8Array(await file.arrayBuffer())]);
  }
  if (found.length === 0) throw new Error('Nothing that was dropped is a presentation folder or a zip.');
  acceptFiles(found, 'The dropped folder', single !== null && single.isDirectory);
}

function guarded(task) {
  return async (...args) => {
    if (playing) return;
    try { await task(...args); } catch (error) { setStatus(''); setError(error.message); }
  };
}

// --- The show. ---
// Turns a second: the program counts its main-loop turns (one pause each)
// in the module's `turns`; the page samples it every second while a show
// plays, into the stage's data-turns-per-second, and tells the show's
// average on the page when it ends.
const turns = { timer: 0, start: 0, last: 0, lastCount: 0 };

function turnCount() {
  return (window.rodazaroPlayer && window.rodazaroPlayer.turns) || 0;
}

function startTurnCount() {
  turns.start = turns.last = performance.now();
  turns.lastCount = 0;
  delete $('stage').dataset.turnsPerSecond;
  turns.timer = setInterval(() => {
    const now = performance.now(), count = turnCount();
    const rate = ((count - turns.lastCount) * 1000) / (now - turns.last);
    $('stage').dataset.turnsPerSecond = rate.toFixed(1);
    turns.last = now;
    turns.lastCount = count;
  }, 1000);
}

function stopTurnCount() {
  if (turns.timer === 0) return '';
  clearInterval(turns.timer);
  turns.timer = 0;
  const seconds = (performance.now() - turns.start) / 1000;
  if (seconds < 1) return '';
  return `The show ran at ${(turnCount() / seconds).toFixed(1)} turns a second.`;
}

// F12 saves the frame shown into the module's file system (the program
// says so on its error output): the page hands it over as a download and
// lets the module forget it.
const FRAME_FOLDER = '/pictures';
function offerSavedFrame(module, text) {
  const saved = /^rodazaro: saved (\/.+\.png)$/.exec(text);
  if (!saved || !saved[1].startsWith(FRAME_FOLDER + '/')) return;
  let bytes;
  try {
    bytes = module.FS.readFile(saved[1]);
    module.FS.unlink(saved[1]);
  } catch { return; }
  const url = URL.createObjectURL(new Blob([bytes], { type: 'image/png' }));
  const link = document.createElement('a');
  link.href = url;
  link.download = saved[1].slice(saved[1].lastIndexOf('/') + 1);
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

function finishShow() {
  if (!playing) return;
  playing = false;
  setStatus(stopTurnCount());
  // The show's sound device is closed; its audio context goes with the module.
  const audio = window.rodazaroPlayer && window.rodazaroPlayer.SDL2 && window.rodazaroPlayer.SDL2.audioContext;
  if (audio && audio.close) audio.close().catch(() => {});
  $('stage').hidden = true;
  $('page').hidden = false;
  // The show's window titled the page with the bare title.
  document.title = $('caption').textContent;
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  $('run').focus();
  document.dispatchEvent(new Event('rodazaro-ended'));
}

async function runShow() {
  if (show === null || playing) return;
  playing = true;
  setError('');
  const mode = MODES[Math.max(0, $('modes').selectedIndex)];
  $('page').hidden = true;
  $('stage').hidden = false;
  const stage = $('stage');
  if (stage.requestFullscreen) stage.requestFullscreen().catch(() => {});
  const canvas = $('canvas');
  canvas.focus();
  const files = show.files;
  let player = null, module = null;
  try {
    player = await RodaZaro({
      canvas,
      noInitialRun: true,
      print: (text) => console.log(text),
      printErr: (text) => {
        console.warn(text);
        if (module !== null) offerSavedFrame(module, text);
      },
      onExit: () => finishShow(),
      onAbort: () => { finishShow(); setStatus(''); setError('The player stopped on an internal error.'); },
      preRun: [(instance) => {
        module = instance;
        module.ENV.SDL_VIDEODRIVER = 'emscripten';
        module.ENV.SDL_RENDER_DRIVER = 'software';
        // Where F12 saves the frame: PICTURES/RodaZaro.
        module.ENV.XDG_PICTURES_DIR = FRAME_FOLDER;
        for (const [path, bytes] of files) {
          const target = '/show/data/' + path;
          module.FS.mkdirTree(target.slice(0, target.lastIndexOf('/')));
          module.FS.writeFile(target, bytes);
        }
      }],
    });
  } catch (error) {
    finishShow();
    setError('The player could not start: ' + error.message);
    return;
  }
  window.rodazaroPlayer = player;
  startTurnCount();
  try { player.callMain(['--mode', mode, '--window', '/show']); } catch (error) {
    if (!(error && error.name === 'ExitStatus')) { finishShow(); setStatus(''); setError('The player stopped: ' + error); }
  }
}

// The program's end unwinds through the browser's callbacks as an ExitStatus:
// that is the show ending, not an error.
window.addEventListener('unhandledrejection', (event) => {
  if (event.reason && event.reason.name === 'ExitStatus') event.preventDefault();
});

// Leaving full screen (the browser keeps Escape for that) ends the show.
document.addEventListener('fullscreenchange', () => {
  if (!document.fullscreenElement && playing && window.rodazaroPlayer) window.rodazaroPlayer._rodazaro_request_end();
});

// --- Wiring. ---
for (const mode of MODES) $('modes').add(new Option(mode, mode));
$('modes').selectedIndex = 0;
$('run').addEventListener('click', runShow);
$('modes').addEventListener('keydown', (event) => { if (event.key === 'Enter') runShow(); });
// The demo in one click: loaded and played in the launcher's chosen mode (the
// click still counts as the viewer's, so the show may go full screen).
$('demo').addEventListener('click', guarded(async () => {
  await loadUrl('demo.zip');
  runShow();
}));
$('folder').addEventListener('change', guarded((event) => loadFileList(event.target.files)));
$('zip').addEventListener('change', guarded(async (event) => {
  const file = event.target.files[0];
  if (file) await loadZipBuffer(await file.arrayBuffer(), file.name);
}));
document.addEventListener('dragover', (event) => { event.preventDefault(); document.body.classList.add('dragging'); });
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', guarded(async (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  await loadDrop(event.dataTransfer);
}));

// index.html?p=URL-of-a-zip&mode=WxHxD&run=1
(async () => {
  const query = new URLSearchParams(location.search);
  const mode = MODES.indexOf(query.get('mode') || '');
  if (mode >= 0) $('modes').selectedIndex = mode;
  const url = query.get('p');
  if (url === null) return;
  await guarded(loadUrl)(new URL(url, location.href).href);
  if (show !== null && query.get('run') === '1') runShow();
})();
