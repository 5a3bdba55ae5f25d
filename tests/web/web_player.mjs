// Drives the web player in headless Chromium or Firefox: the demo by URL plays, is
// heard, and draws the same pictures as the Linux render tool at 32 and 16
// bits; the page tells the turns a second; the show keys mute, pause and
// resume it and save the frame as a download; Escape returns to the page
// ready to play again; a zip with a missing file still plays; a dropped zip
// and a dropped folder play; presentations that cannot play say why in one
// sentence.  Firefox takes every step but the chosen folder.
// Usage: node web_player.mjs chromium|firefox SITE_URL REFERENCE_DIR_32 REFERENCE_DIR_16 BROKEN_ZIP_NAME DEMO_FOLDER DOWNLOAD_DIR
// The reference folders hold the render tool's first 510 frames of the demo
// (800x600x32 and 800x600x16); downloads land in DOWNLOAD_DIR.
import puppeteer from 'puppeteer-core';
import { readFileSync, readdirSync } from 'node:fs';
import { inflateSync } from 'node:zlib';

const [browserName, siteUrl, referenceDir32, referenceDir16, brokenZip, demoFolder, downloadDir] = process.argv.slice(2);
if (!['chromium', 'firefox'].includes(browserName)) throw new Error(`no browser '${browserName}': chromium or firefox`);
const firefox = browserName === 'firefox';
const WIDTH = 800, HEIGHT = 600;

let step = 'starting';
function fail(message) {
  console.error(`FAIL: ${browserName}: ${step}: ${message}`);
  process.exit(1);
}
// Steps the Firefox driver cannot take, and why.
const notInFirefox = {
  'a folder chosen on the page plays': 'WebDriver BiDi gives a file input files, not a folder',
};
async function named(name, ms, body) {
  step = name;
  if (firefox && notInFirefox[name]) {
    console.log(`-- ${name}: not in Firefox (${notInFirefox[name]})`);
    return undefined;
  }
  console.log(`-- ${name}`);
  let timer;
  const timeout = new Promise((_, reject) => { timer = setTimeout(() => reject(new Error(`no result in ${ms} ms`)), ms); });
  try { return await Promise.race([body(), timeout]); } catch (error) { fail(error.message); } finally { clearTimeout(timer); }
}

// An 8-bit RGB or RGBA PNG (what the render tool writes), as rows of RGB.
function readPng(path) {
  const data = readFileSync(path);
  let at = 8, width = 0, height = 0, channels = 0;
  const idat = [];
  while (at < data.length) {
    const length = data.readUInt32BE(at), type = data.toString('latin1', at + 4, at + 8);
    const body = data.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0); height = body.readUInt32BE(4);
      channels = { 2: 3, 6: 4 }[body[9]];
      if (body[8] !== 8 || !channels || body[12] !== 0) throw new Error(`${path}: not a plain 8-bit RGB PNG`);
    } else if (type === 'IDAT') idat.push(body);
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(idat));
  const stride = width * channels, pixels = Buffer.alloc(width * height * 3);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)], line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? line[i - channels] : 0, b = previous[i], c = i >= channels ? previous[i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predictor = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      line[i] = (line[i] + predictor) & 255;
    }
    for (let x = 0; x < width; ++x) line.copy(pixels, (y * width + x) * 3, x * channels, x * channels + 3);
    previous = line;
  }
  return { width, height, pixels };
}

// The checked points: pixels of the first scene that stand still in the
// reference frames while its title is shown (the stars drift past under
// them), with the colour the render tool gives them.
const STEADY_FROM = 390, STEADY_TO = 510;  // frames (60 fps) in which the title stands
const TOLERANCE = 24;                       // per channel
function checkedPoints(frames) {
  const points = [];
  for (let y = 8; y < HEIGHT; y += 8) {
    for (let x = 8; x < WIDTH; x += 8) {
      const at = (y * WIDTH + x) * 3;
      const first = frames[0].pixels.subarray(at, at + 3);
      let steady = true;
      for (let k = 1; k < frames.length && steady; ++k) {
        const p = frames[k].pixels;
        for (let c = 0; c < 3; ++c) steady = steady && Math.abs(p[at + c] - first[c]) <= 4;
      }
      if (steady) points.push({ x, y, rgb: [...first], lit: Math.max(...first) > 96 });
    }
  }
  // All the lit ones (the title's letters) and as many dark ones, spread out.
  const lit = points.filter((p) => p.lit), dark = points.filter((p) => !p.lit);
  const step = Math.max(1, Math.floor(dark.length / Math.max(1, lit.length)));
  return lit.concat(dark.filter((_, i) => i % step === 0).slice(0, lit.length));
}

// Firefox is driven over WebDriver BiDi; its preferences play sound without
// a click and save downloads to the test's folder without asking.
step = 'the browser starts headless';
const browser = await puppeteer.launch(firefox ? {
  browser: 'firefox',
  executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
  headless: true,
  extraPrefsFirefox: {
    'media.autoplay.default': 0,
    // No sound device here: Firefox's stand-in output still runs the audio
    // graph, so the analysers hear the show.
    'media.cubeb.force_mock_context': true,
    'browser.download.folderList': 2,
    'browser.download.dir': downloadDir,
    'browser.download.useDownloadDir': true,
    'browser.download.always_ask_before_handling_new_types': false,
    // The downloads panel would take the focus from the page, and the show
    // waits while its window is in the background.
    'browser.download.alwaysOpenPanel': false,
  },
} : {
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--disable-gpu', `--window-size=${WIDTH},${HEIGHT}`],
}).catch((error) => fail(error.message));
const page = await browser.newPage();
if (!firefox) {
  // The page's downloads (a saved frame) go to a folder the test reads.
  const browserSession = await browser.target().createCDPSession();
  await browserSession.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloadDir });
}
await page.setViewport({ width: WIDTH, height: HEIGHT });
// Every node that plays into a destination passes an analyser first, so that
// the test can hear the show.
await page.evaluateOnNewDocument(() => {
  window.analysers = [];
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    if (target instanceof AudioDestinationNode && !(this instanceof AnalyserNode)) {
      const analyser = this.context.createAnalyser();
      analyser.fftSize = 2048;
      window.analysers.push(analyser);
      connect.call(this, analyser);
      return connect.call(analyser, target, ...rest);
    }
    return connect.call(this, target, ...rest);
  };
});
const loudness = () => page.evaluate(() => Math.max(0, ...window.analysers.map((analyser) => {
  const samples = new Float32Array(analyser.fftSize);
  analyser.getFloatTimeDomainData(samples);
  return Math.max(...samples.map(Math.abs));
})));
const problems = [];
page.on('pageerror', (error) => problems.push(String(error)));
page.on('console', (message) => { if (process.env.VERBOSE) console.log('page:', message.text()); });

const showVisible = () => page.evaluate(() => !document.getElementById('stage').hidden);
const launcherReady = () => page.waitForFunction(() =>
  document.getElementById('stage').hidden && !document.getElementById('run').disabled, { timeout: 10000 });
const errorText = () => page.evaluate(() => document.getElementById('error').hidden ? '' : document.getElementById('error').textContent);
// The canvas's pixels at the given points, as the page's 2D context holds them.
const samplePoints = (points) => page.evaluate((points) => {
  const canvas = document.getElementById('canvas');
  const context = canvas.getContext('2d');
  const sx = canvas.width / 800, sy = canvas.height / 600;
  return points.map(({ x, y }) => [...context.getImageData(Math.floor(x * sx), Math.floor(y * sy), 1, 1).data].slice(0, 3));
}, points);

// A digest of every pixel on the canvas: equal digests, equal pictures.
const canvasDigest = () => page.evaluate(() => {
  const canvas = document.getElementById('canvas');
  const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let hash = 2166136261;
  for (let i = 0; i < data.length; ++i) hash = Math.imul(hash ^ data[i], 16777619) >>> 0;
  return hash;
});
const pause = (ms) => new Promise((r) => setTimeout(r, ms));

// Looks until the show's picture matches the reference at the checked
// points: the show reaches its title after its loads.
async function matchReference(points) {
  const lit = points.filter((p) => p.lit).length;
  let worst = Infinity;
  for (let tries = 0; tries < 80; ++tries) {
    await pause(250);
    if (!(await showVisible())) fail('the show ended by itself');
    const sample = await samplePoints(points);
    worst = Math.max(...points.map((p, i) => Math.max(...p.rgb.map((v, c) => Math.abs(v - sample[i][c])))));
    if (process.env.VERBOSE) {
      const i = points.findIndex((p, i) => Math.max(...p.rgb.map((v, c) => Math.abs(v - sample[i][c]))) === worst);
      const size = await page.evaluate(() => [canvas.width, canvas.height, innerWidth, innerHeight]);
      console.log(`   try ${tries}: worst ${worst} at ${points[i].x},${points[i].y}: ${sample[i]} for ${points[i].rgb}; ${size}`);
    }
    if (worst <= TOLERANCE) {
      console.log(`   ${points.length} points (${lit} on the title) within ${worst} of the render tool's frames`);
      return;
    }
  }
  fail(`the title never matched the render tool's frames within ${TOLERANCE} (last worst difference ${worst})`);
}

// The loudest sample the analysers hold, over `reads` reads 100 ms apart.
async function loudestOver(reads) {
  let loudest = 0;
  for (let k = 0; k < reads; ++k) {
    loudest = Math.max(loudest, await loudness());
    await pause(100);
  }
  return loudest;
}

const expectCaption = async (expected) => {
  const caption = await page.evaluate(() => document.getElementById('caption').textContent);
  if (caption !== expected) fail(`the heading says '${caption}'`);
};
// A presentation is ready on the page: Run plays it, the show stays on for
// a while, and Escape returns to the page.
async function runPlaysUntilEscape(title) {
  await page.waitForFunction(() => !document.getElementById('run').disabled, { timeout: 10000 });
  await expectCaption(title);
  await page.click('#run');
  await page.waitForFunction(() => !document.getElementById('stage').hidden, { timeout: 5000 });
  await pause(1000);
  if (!(await showVisible())) fail(`the show ended: ${await errorText()}`);
  await page.keyboard.press('Escape');
  await launcherReady();
}

try {
  const points = {};
  await named('the checked points stand still in the render tool\'s frames', 60000, async () => {
    for (const [depth, folder] of [[32, referenceDir32], [16, referenceDir16]]) {
      const frames = [];
      for (let k = STEADY_FROM; k <= STEADY_TO; ++k) {
        frames.push(readPng(`${folder}/frame_${String(k).padStart(5, '0')}.png`));
      }
      if (frames[0].width !== WIDTH || frames[0].height !== HEIGHT) fail(`the ${depth}-bit frames are not 800x600`);
      points[depth] = checkedPoints(frames);
      const lit = points[depth].filter((p) => p.lit).length;
      if (lit < 20) fail(`the ${depth}-bit reference has only ${lit} steady lit points`);
    }
  });

  await named('the demo opens by URL and plays at 800x600x32', 30000, async () => {
    await page.goto(`${siteUrl}/index.html?p=demo.zip&mode=800x600x32&run=1`);
    await page.waitForFunction(() => {
      const c = document.getElementById('canvas');
      return !document.getElementById('stage').hidden && c.width === 800 && c.height === 600;
    }, { timeout: 20000 });
    await expectCaption('RodaZaro - Starlight Harbour');
  });

  await named('the first scene matches the render tool at the checked points', 30000, () => matchReference(points[32]));

  await named('the show is heard', 10000, async () => {
    let loudest = 0;
    for (let tries = 0; tries < 20 && loudest < 0.01; ++tries) {
      loudest = Math.max(loudest, await loudness());
      await pause(200);
    }
    if (loudest < 0.01) fail(`the sound output stays silent (peak ${loudest})`);
    console.log(`   peak ${loudest.toFixed(3)}`);
  });

  await named('the page tells the turns a second while the show plays', 10000, async () => {
    await page.waitForFunction(() => document.getElementById('stage').dataset.turnsPerSecond !== undefined,
      { timeout: 5000 });
    await pause(1100);  // a whole second of the show's own turns
    const rate = Number(await page.evaluate(() => document.getElementById('stage').dataset.turnsPerSecond));
    console.log(`   ${rate} turns a second`);
    if (!(rate > 5)) fail(`the page says ${rate} turns a second`);
  });

  await named('M mutes the show and M again brings its sound back', 15000, async () => {
    await page.keyboard.press('KeyM');
    await pause(500);
    const muted = await loudestOver(10);
    if (muted > 0.001) fail(`the muted show still sounds (peak ${muted})`);
    await page.keyboard.press('KeyM');
    let back = 0;
    for (let tries = 0; tries < 10 && back < 0.01; ++tries) back = Math.max(back, await loudestOver(3));
    if (back < 0.01) fail(`the sound stays away after the second M (peak ${back})`);
    console.log(`   muted peak ${muted.toFixed(4)}, then ${back.toFixed(3)}`);
  });

  let pausedDigest = 0;
  await named('Space freezes the picture and the sound', 10000, async () => {
    const moving = await canvasDigest();
    await page.keyboard.press(' ');  // Space, by the name both drivers know
    await pause(300);
    pausedDigest = await canvasDigest();
    const silence = await loudestOver(10);
    const later = await canvasDigest();
    if (later !== pausedDigest) fail('the picture changed in the second after the pause');
    if (pausedDigest === moving) fail('the picture stood still before the pause too: nothing to tell');
    if (silence > 0.001) fail(`the paused show still sounds (peak ${silence})`);
  });

  await named('F12 saves the frame shown as a PNG download', 15000, async () => {
    await page.keyboard.press('F12');
    let saved = [];
    for (let tries = 0; tries < 50 && saved.length === 0; ++tries) {
      await pause(200);
      saved = readdirSync(downloadDir).filter((name) => name.endsWith('.png'));
    }
    if (saved.length !== 1) fail(`the download folder holds ${JSON.stringify(readdirSync(downloadDir))}`);
    if (!/^Starlight_Harbour-\d{4}-\d\d-\d\d-\d{6}\.png$/.test(saved[0])) fail(`the frame is named ${saved[0]}`);
    const frame = readPng(`${downloadDir}/${saved[0]}`);
    if (frame.width !== WIDTH || frame.height !== HEIGHT) fail(`the frame is ${frame.width}x${frame.height}`);
    // The show is paused: the saved frame is the picture on the canvas.
    const grid = [];
    for (let y = 4; y < HEIGHT; y += 16) for (let x = 4; x < WIDTH; x += 16) grid.push({ x, y });
    const shown = await samplePoints(grid);
    const worst = Math.max(...grid.map(({ x, y }, i) =>
      Math.max(...[0, 1, 2].map((c) => Math.abs(frame.pixels[(y * WIDTH + x) * 3 + c] - shown[i][c])))));
    if (worst > 2) fail(`the saved frame differs from the canvas by up to ${worst}`);
    console.log(`   ${saved[0]}, ${grid.length} pixels within ${worst} of the canvas`);
  });

  await named('the Pause key resumes the show', 10000, async () => {
    await page.keyboard.press('Pause');
    const sound = await loudestOver(10);
    if (await canvasDigest() === pausedDigest) fail('the picture still stands a second after resuming');
    if (sound < 0.01) fail(`the sound stays away after resuming (peak ${sound})`);
    if (!(await showVisible())) fail('the show ended');
  });

  await named('Escape ends the show and returns to the page', 15000, async () => {
    await page.keyboard.press('Escape');
    await launcherReady();
    if (await errorText()) fail(`the page says: ${await errorText()}`);
    const title = await page.evaluate(() => document.title);
    if (title !== 'RodaZaro - Starlight Harbour') fail(`the page's title is '${title}'`);
    const status = await page.evaluate(() => document.getElementById('status').textContent);
    if (!/^The show ran at \d+\.\d turns a second\.$/.test(status)) fail(`the page's status line says '${status}'`);
    console.log(`   ${status}`);
  });

  await named('Run plays again after the show ended', 20000, () => runPlaysUntilEscape('RodaZaro - Starlight Harbour'));

  await named('a still scene at 800x600x16 matches the render tool at the checked points', 40000, async () => {
    await page.goto(`${siteUrl}/index.html?p=demo.zip&mode=800x600x16&run=1`);
    await page.waitForFunction(() => !document.getElementById('stage').hidden &&
      document.getElementById('canvas').width === 800, { timeout: 20000 });
    await matchReference(points[16]);
    await page.keyboard.press('Escape');
    await launcherReady();
  });

  await named('a zip with a missing picture still plays', 30000, async () => {
    await page.goto(`${siteUrl}/index.html?p=${brokenZip}&mode=640x480x32&run=1`);
    await page.waitForFunction(() => !document.getElementById('stage').hidden &&
      document.getElementById('canvas').width === 640, { timeout: 20000 });
    await pause(1500);
    if (!(await showVisible())) fail(`the show ended: ${await errorText()}`);
    await page.keyboard.press('Escape');
    await launcherReady();
  });

  await named('a script that says QUIT returns to the page by itself', 20000, async () => {
    await page.goto(`${siteUrl}/index.html?p=quit.zip&mode=640x480x16&run=1`);
    await page.waitForFunction(() => !document.getElementById('stage').hidden, { timeout: 10000 });
    await launcherReady();
    await expectCaption('RodaZaro - Quits at once');
    if (await errorText()) fail(`the page says: ${await errorText()}`);
  });

  await named('the demo plays in one click', 20000, async () => {
    await page.goto(`${siteUrl}/index.html`);
    await page.select('#modes', '640x480x32');
    await page.click('#demo');
    await page.waitForFunction(() => !document.getElementById('stage').hidden &&
      document.getElementById('canvas').width === 640, { timeout: 10000 });
    await page.keyboard.press('Escape');
    await launcherReady();
  });

  await named('a folder chosen on the page plays', 20000, async () => {
    await page.goto(`${siteUrl}/index.html`);
    const input = await page.$('#folder');
    await input.uploadFile(demoFolder);
    await runPlaysUntilEscape('RodaZaro - Starlight Harbour');
  });

  await named('a zip dropped on the page plays', 20000, async () => {
    await page.goto(`${siteUrl}/index.html`);
    // A drop as the browser makes it: a DataTransfer holding the file.
    await page.evaluate(async () => {
      const bytes = await (await fetch('demo.zip')).arrayBuffer();
      const transfer = new DataTransfer();
      transfer.items.add(new File([bytes], 'demo.zip', { type: 'application/zip' }));
      document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    });
    await runPlaysUntilEscape('RodaZaro - Starlight Harbour');
  });

  // A dropped folder comes as a tree of entries, which a test cannot make
  // the browser build: the page's drop reader walks one built of look-alike
  // entries that hand out their children one at a time.
  await named('a dropped folder is walked into its data folder and plays', 20000, async () => {
    await page.goto(`${siteUrl}/index.html`);
    const files = await page.evaluate(async () => {
      const file = (name, text) => ({ isFile: true, isDirectory: false, name,
        file: (ok) => setTimeout(() => ok(new File([text], name))) });
      const folder = (name, children) => ({ isFile: false, isDirectory: true, name, children,
        createReader() {
          let next = 0;
          return { readEntries: (ok) => setTimeout(() => ok(children.slice(next, next += 1))) };
        } });
      const tree = folder('harbour', [
        file('notes.txt', 'not part of the show'),
        folder('data', [file('vuze.kel', 'Dropped folder\r\nWFOR 0300\r\nQUIT\r\n'),
          folder('gfx', [file('dot.png', 'not a picture')])]),
      ]);
      const place = (entry, at) => {
        entry.fullPath = `${at}/${entry.name}`;
        for (const child of entry.children || []) place(child, entry.fullPath);
      };
      place(tree, '');
      await loadDrop({ files: [], items: [{ kind: 'file', webkitGetAsEntry: () => tree }] });
      return [...show.files.keys()].sort();
    });
    if (JSON.stringify(files) !== '["gfx/dot.png","vuze.kel"]') fail(`the show holds ${JSON.stringify(files)}`);
    await expectCaption('RodaZaro - Dropped folder');
    // Its script reaches the player: the show ends by itself.
    await page.click('#run');
    await page.waitForFunction(() => !document.getElementById('stage').hidden, { timeout: 5000 });
    await launcherReady();
    if (await errorText()) fail(`the page says: ${await errorText()}`);
  });

  // Presentations that cannot play: one sentence on the page, no show.
  const refusals = [
    ['a failed download', 'index.html?p=no-such-show.zip&run=1', /could not be downloaded/],
    ['a zip without data/vuze.kel', 'index.html?p=no-script.zip&run=1', /no script/],
    ['a file that is no zip', 'index.html?p=index.html&run=1', /not a zip/],
  ];
  for (const [name, url, expected] of refusals) {
    await named(`${name} is told on the page`, 15000, async () => {
      await page.goto(`${siteUrl}/${url}`);
      await page.waitForFunction(() => !document.getElementById('error').hidden, { timeout: 10000 });
      const text = await errorText();
      if (!expected.test(text) || (text.match(/\.\s/g) || []).length > 0) fail(`the page says '${text}'`);
      if (await showVisible()) fail('a show started');
    });
  }

  step = 'the page ran without script errors';
  if (problems.length > 0) fail(problems.join('; '));
  console.log('PASS');
} finally {
  await browser.close();
}
