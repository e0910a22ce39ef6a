// Drives the web page in headless Chromium (SwiftShader WebGL) over the DevTools pipe, with node
// alone (no npm modules), for scripts/check-web.sh:
//   node page_run.js still URL OUT.png   waits for the title "still MS ready", then takes OUT.png
//   node page_run.js live URL PREFIX      presses Launch (music on, no full screen) and takes
//                                         PREFIX-MS.png at the times in $SHOTS (ms after Launch)
//   node page_run.js phone URL PREFIX     a phone (mobile emulation, touch, pixel ratio $DPR,
//                                         default 3): taps Launch in portrait, PREFIX-portrait.png
//                                         after 2 s, turns it, PREFIX-landscape.png after 2 s more
// Console lines go to stdout with their level; the exit status is 1 when the page logged an error,
// threw, or never got where it should. Window size: $W x $H (default 320x180).
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [mode, url, out] = process.argv.slice(2);
const width = +(process.env.W || 320);
const height = +(process.env.H || 180);
const shots = (process.env.SHOTS || '').split(',').filter(Boolean).map(Number);
const pixelRatio = +(process.env.DPR || 3);
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'nightloom-chromium-'));
const chrome = spawn('chromium', [
  '--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--no-first-run', '--no-default-browser-check', '--user-data-dir=' + profile,
  `--window-size=${width},${height}`, '--hide-scrollbars',
  '--autoplay-policy=no-user-gesture-required', '--remote-debugging-pipe', 'about:blank',
], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
const toChrome = chrome.stdio[3];
const fromChrome = chrome.stdio[4];
const pending = new Map();
let nextId = 0;
let buffer = '';
let errors = 0;
let sessionId;
const startedAt = Date.now();
const stamp = () => ((Date.now() - startedAt) / 1000).toFixed(2).padStart(6);
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

function send(method, params = {}, session = sessionId) {
  const message = { id: ++nextId, method, params };
  if (session) message.sessionId = session;
  toChrome.write(JSON.stringify(message) + '\0');
  return new Promise((resolve, reject) => pending.set(message.id, { resolve, reject }));
}

function report(level, text) {
  console.log(`${stamp()} [${level}] ${text}`);
  if (level === 'error' || level === 'exception') ++errors;
}

function handle(message) {
  const waiting = pending.get(message.id);
  if (waiting) {
    pending.delete(message.id);
    if (message.error) waiting.reject(new Error(JSON.stringify(message.error)));
    else waiting.resolve(message.result);
    return;
  }
  const p = message.params || {};
  if (message.method === 'Runtime.consoleAPICalled') {
    report(p.type, p.args.map((a) => (a.value !== undefined ? a.value : a.description)).join(' '));
  } else if (message.method === 'Runtime.exceptionThrown') {
    const details = p.exceptionDetails;
    report('exception', (details.exception || {}).description || details.text);
  } else if (message.method === 'Log.entryAdded') {
    report(p.entry.level, `${p.entry.text} ${p.entry.url || ''}`);
  }
}

fromChrome.on('data', (data) => {
  buffer += data.toString();
  for (let end = buffer.indexOf('\0'); end >= 0; end = buffer.indexOf('\0')) {
    handle(JSON.parse(buffer.slice(0, end)));
    buffer = buffer.slice(end + 1);
  }
});

async function evaluate(expression) {
  const { result } = await send('Runtime.evaluate', { expression, returnByValue: true });
  return result.value;
}

async function waitFor(expression, seconds) {
  for (const until = Date.now() + seconds * 1000; Date.now() < until; await sleep(100)) {
    if (await evaluate(expression)) return true;
  }
  throw new Error(`gave up after ${seconds} s waiting for ${expression}`);
}

async function screenshot(file) {
  const { data } = await send('Page.captureScreenshot', { format: 'png' });
  fs.writeFileSync(file, Buffer.from(data, 'base64'));
  report('shot', `${file} title="${await evaluate('document.title')}"`);
}

async function runStill() {
  const ms = new URL(url).searchParams.get('still');
  await waitFor(`document.title === 'still ${ms} ready'`, 240);
  await screenshot(out);
}

async function phone(portrait) {
  const [w, h] = portrait ? [width, height] : [height, width];
  await send('Emulation.setDeviceMetricsOverride', {
    width: w, height: h, deviceScaleFactor: pixelRatio, mobile: true,
    screenOrientation: portrait ? { type: 'portraitPrimary', angle: 0 }
                                : { type: 'landscapePrimary', angle: 90 } });
}

async function tap(selector) {
  const box = await evaluate(`JSON.stringify(document.querySelector('${selector}')` +
                             '.getBoundingClientRect())');
  const { x, y, width: w, height: h } = JSON.parse(box);
  const point = { x: x + w / 2, y: y + h / 2 };
  await send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [point] });
  await send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
}

// The canvas must be the window's size in device pixels: the show's letterbox is fitted to it.
async function expectCanvasFollowsWindow(turn) {
  const sizes = JSON.parse(await evaluate(
      'JSON.stringify({ canvas: [canvas.width, canvas.height], wanted: ' +
      '[canvas.clientWidth, canvas.clientHeight].map((v) => Math.round(v * devicePixelRatio)) })'));
  const [canvas, wanted] = [sizes.canvas.join('x'), sizes.wanted.join('x')];
  report(canvas === wanted ? 'canvas' : 'error',
         `${turn}: canvas ${canvas}, window ${wanted} device pixels`);
}

async function runPhone() {
  await waitFor("!document.getElementById('go').disabled", 60);
  await screenshot(`${out}-panel.png`);
  await tap('#go');
  await waitFor('running', 10);
  await sleep(2000);
  await screenshot(`${out}-portrait.png`);
  await expectCanvasFollowsWindow('portrait');
  await phone(false);
  await sleep(2000);
  await screenshot(`${out}-landscape.png`);
  await expectCanvasFollowsWindow('landscape');
}

async function runLive() {
  await waitFor("!document.getElementById('go').disabled", 60);
  await screenshot(`${out}-panel.png`);
  await evaluate("document.getElementById('fullscreen').checked = false;" +
                 "document.getElementById('go').click()");
  const launchedAt = Date.now();
  for (const at of shots) {
    await sleep(Math.max(0, launchedAt + at - Date.now()));
    await screenshot(`${out}-${at}.png`);
  }
  const audio = await evaluate('JSON.stringify({state: Module.SDL2 && Module.SDL2.audioContext && ' +
                               'Module.SDL2.audioContext.state, seconds: Module.SDL2 && ' +
                               'Module.SDL2.audioContext && Module.SDL2.audioContext.currentTime})');
  report('audio', audio);
}

(async () => {
  // A target made over the pipe gets a viewport shorter than --window-size: it is set explicitly.
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' }, null);
  ({ sessionId } = await send('Target.attachToTarget', { targetId, flatten: true }, null));
  for (const domain of ['Runtime', 'Log', 'Page']) await send(domain + '.enable');
  if (mode === 'phone') {
    await send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
    await phone(true);
  } else {
    await send('Emulation.setDeviceMetricsOverride',
               { width, height, deviceScaleFactor: 1, mobile: false });
  }
  await send('Page.navigate', { url });
  const runs = { still: runStill, live: runLive, phone: runPhone };
  await runs[mode]();
  await send('Browser.close', {}, null).catch(() => {});
})()
  .catch((error) => report('exception', 'page_run: ' + error.message))
  .finally(() => {
    process.exitCode = errors ? 1 : 0;
    setTimeout(() => chrome.kill(), 2000).unref();
  });
chrome.on('exit', () => fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5 }));
