// Drives the web player in headless Chromium: the demo by URL plays and
// draws the same pictures as the Linux render tool, Escape returns to the
// page ready to play again, a zip with a missing file still plays, and
// presentations that cannot play say why in one sentence.
// Usage: node web_player.mjs SITE_URL REFERENCE_DIR BROKEN_ZIP_NAME
import puppeteer from 'puppeteer-core';
import { readFileSync, readdirSync } from 'node:fs';
import { inflateSync } from 'node:zlib';

const [siteUrl, referenceDir, brokenZip] = process.argv.slice(2);
const WIDTH = 800, HEIGHT = 600;

let step = 'starting';
function fail(message) {
  console.error(`FAIL: ${step}: ${message}`);
  process.exit(1);
}
async function named(name, ms, body) {
  step = name;
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

// The checked points: a grid over the picture.
const POINTS = [];
for (let gy = 1; gy <= 5; ++gy) for (let gx = 1; gx <= 7; ++gx) POINTS.push([Math.round(gx * WIDTH / 8), Math.round(gy * HEIGHT / 6)]);
const TOLERANCE = 40;  // per channel: the show moves on while the frame is read

function distance(frame, sample) {
  let worst = 0;
  POINTS.forEach(([x, y], i) => {
    for (let c = 0; c < 3; ++c) worst = Math.max(worst, Math.abs(frame.pixels[(y * WIDTH + x) * 3 + c] - sample[i][c]));
  });
  return worst;
}

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--disable-gpu', `--window-size=${WIDTH},${HEIGHT}`],
});
const page = await browser.newPage();
await page.setViewport({ width: WIDTH, height: HEIGHT });
const problems = [];
page.on('pageerror', (error) => problems.push(String(error)));
page.on('console', (message) => { if (process.env.VERBOSE) console.log('page:', message.text()); });

const showVisible = () => page.evaluate(() => !document.getElementById('stage').hidden);
const launcherReady = () => page.waitForFunction(() =>
  document.getElementById('stage').hidden && !document.getElementById('launcher').hidden, { timeout: 10000 });
const errorText = () => page.evaluate(() => document.getElementById('error').hidden ? '' : document.getElementById('error').textContent);
// The canvas's pixels at the checked points, as the page's 2D context holds them.
const samplePoints = () => page.evaluate((points) => {
  const canvas = document.getElementById('canvas');
  const context = canvas.getContext('2d');
  const sx = canvas.width / 800, sy = canvas.height / 600;
  return points.map(([x, y]) => [...context.getImageData(Math.floor(x * sx), Math.floor(y * sy), 1, 1).data].slice(0, 3));
}, POINTS);

try {
  await named('the demo opens by URL and plays at 800x600x32', 30000, async () => {
    await page.goto(`${siteUrl}/index.html?p=demo.zip&mode=800x600x32&run=1`);
    await page.waitForFunction(() => {
      const c = document.getElementById('canvas');
      return !document.getElementById('stage').hidden && c.width === 800 && c.height === 600;
    }, { timeout: 20000 });
    const caption = await page.evaluate(() => [document.title, document.getElementById('caption').textContent]);
    if (caption[0] !== 'RodaZaro - Starlight Harbour' || caption[1] !== caption[0]) fail(`caption ${JSON.stringify(caption)}`);
  });

  await named('the first scene matches the render tool at the checked points', 30000, async () => {
    const frames = readdirSync(referenceDir).filter((f) => /^frame_\d+\.png$/.test(f)).sort().map((f) => readPng(`${referenceDir}/${f}`));
    if (frames.length === 0 || frames[0].width !== WIDTH) fail('no reference frames');
    await new Promise((r) => setTimeout(r, 2500));
    const sample = await samplePoints();
    if (sample.every((rgb) => rgb.every((v) => v === 0))) fail('the canvas is black at every checked point');
    let best = Infinity, bestIndex = -1;
    frames.forEach((frame, i) => { const d = distance(frame, sample); if (d < best) { best = d; bestIndex = i; } });
    const lit = POINTS.filter((_, i) => sample[i].some((v) => v > 16)).length;
    console.log(`   nearest reference frame ${bestIndex + 1}: worst channel difference ${best}, ${lit} lit points`);
    if (best > TOLERANCE) fail(`no reference frame within ${TOLERANCE} at every checked point (nearest: frame ${bestIndex + 1}, ${best})`);
    if (lit < 3) fail(`only ${lit} checked points are lit`);
  });

  await named('Escape ends the show and returns to the page', 15000, async () => {
    await page.keyboard.press('Escape');
    await launcherReady();
    if (await errorText()) fail(`the page says: ${await errorText()}`);
  });

  await named('Run plays again after the show ended', 20000, async () => {
    await page.click('#run');
    await page.waitForFunction(() => !document.getElementById('stage').hidden, { timeout: 5000 });
    await new Promise((r) => setTimeout(r, 1500));
    if (!(await showVisible())) fail('the show ended by itself');
    await page.keyboard.press('Escape');
    await launcherReady();
  });

  await named('a zip with a missing picture still plays', 30000, async () => {
    await page.goto(`${siteUrl}/index.html?p=${brokenZip}&mode=640x480x32&run=1`);
    await page.waitForFunction(() => !document.getElementById('stage').hidden &&
      document.getElementById('canvas').width === 640, { timeout: 20000 });
    await new Promise((r) => setTimeout(r, 1500));
    if (!(await showVisible())) fail(`the show ended: ${await errorText()}`);
    await page.keyboard.press('Escape');
    await launcherReady();
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
