// The <naplps-picture> element in headless Chromium, its pages and pictures
// served from a server of the test's own on 127.0.0.1:
//   - a picture fetched as a slow stream shows before its last bytes are
//     sent, and ends as pdi2png --no-wait draws it;
//   - two elements playing two pictures at once, one with a WAIT and
//     blinking: the pause holds the second half back, and both end right;
//   - more elements than the module holds at once all play;
//   - a new width and height draws the picture again at the new size;
//   - a source that cannot be fetched leaves a message in its place;
//   - the demo page, opened as a file, plays both its pictures.
//
//   node test_web_page.js PDI2PNG PDIENC PNGCMP
//
// Exit status 77 (skipped) without a web build or Chromium, unless CI=true.
'use strict';

const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');

const root = path.resolve(__dirname, '..', '..');
const { Browser, findBrowser } = require(path.join(root, 'scripts', 'web-render.js'));

const [PDI2PNG, PDIENC, PNGCMP] = process.argv.slice(2);
const webDir = path.resolve(process.env.NAPLPS_WEB_DIR || path.join(root, 'build-web'));

function skip(why) {
  if (process.env.CI === 'true') {
    console.log(`web page tests cannot run: ${why}`);
    process.exit(1);
  }
  console.log(`skipped: ${why}`);
  process.exit(77);
}
if (!fs.existsSync(path.join(webDir, 'naplps.js'))) skip(`no web build in ${webDir} (scripts/build-web.sh)`);
if (!findBrowser()) skip('no Chromium (apt-get install chromium)');

const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'naplps-webtest-'));

function encode(text) {
  const out = path.join(tmp, `enc${Math.random().toString(36).slice(2)}.pdi`);
  execFileSync(PDIENC, ['-', out], { input: text });
  return fs.readFileSync(out);
}

// pdi2png --no-wait of bytes at a size, as a PNG file.
function reference(bytes, w, h) {
  const name = `ref${Math.random().toString(36).slice(2)}`;
  const src = path.join(tmp, `${name}.pdi`);
  fs.writeFileSync(src, bytes);
  const png = path.join(tmp, `${name}.png`);
  execFileSync(PDI2PNG, ['--no-wait', '--size', `${w}x${h}`, src, png]);
  return png;
}

// Whether a PNG data URL shows exactly the picture in png.
function samePicture(dataUrl, png) {
  const m = /^data:image\/png;base64,(.*)$/s.exec(dataUrl || '');
  if (!m) return 'no picture';
  const got = path.join(tmp, `got${Math.random().toString(36).slice(2)}.png`);
  fs.writeFileSync(got, Buffer.from(m[1], 'base64'));
  try {
    execFileSync(PNGCMP, [got, png], { stdio: 'pipe' });
    return true;
  } catch (e) {
    return String(e.stdout || e.message).trim();
  }
}

// ---- the server ----

const pictures = new Map();  // name -> bytes
const held = new Map();      // name -> function that sends the rest
const releasedEarly = new Set();
const server = http.createServer((req, res) => {
  const url = new URL(req.url, 'http://127.0.0.1');
  const parts = url.pathname.split('/').filter(Boolean);
  const send = (type, body) => {
    res.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-store' });
    res.end(body);
  };
  if (parts[0] === 'web' && ['naplps.js', 'naplps-picture.js'].includes(parts[1])) {
    send('text/javascript', fs.readFileSync(path.join(webDir, parts[1])));
  } else if (parts[0] === 'page' && fs.existsSync(path.join(tmp, path.basename(parts[1] || '')))) {
    send('text/html', fs.readFileSync(path.join(tmp, path.basename(parts[1]))));
  } else if (parts[0] === 'release') {
    // Before the stream has reached its hold, the hold is let go at once.
    if (held.has(parts[1])) held.get(parts[1])();
    else releasedEarly.add(parts[1]);
    send('text/plain', 'released');
  } else if (parts[0] === 'slow' && pictures.has(parts[1])) {
    // The picture in chunks of `chunk` bytes every `ms`; with `hold`, the
    // bytes from there on only once /release/NAME is asked for (or after
    // 20 s).
    const bytes = pictures.get(parts[1]);
    const chunk = Number(url.searchParams.get('chunk') || 32);
    const ms = Number(url.searchParams.get('ms') || 10);
    const hold = url.searchParams.has('hold') ? Number(url.searchParams.get('hold')) : -1;
    res.writeHead(200, { 'Content-Type': 'image/naplps', 'Cache-Control': 'no-store' });
    let at = 0;
    let waiting = false;
    const next = () => {
      if (res.destroyed) return;
      if (at >= bytes.length) {
        res.end();
        return;
      }
      if (at >= hold && hold >= 0 && !waiting) {
        waiting = true;
        if (releasedEarly.delete(parts[1])) {
          next();
          return;
        }
        const timer = setTimeout(() => held.get(parts[1])(), 20000);
        held.set(parts[1], () => {
          clearTimeout(timer);
          held.delete(parts[1]);
          next();
        });
        return;
      }
      const end = hold >= 0 && at < hold ? Math.min(hold, at + chunk) : at + chunk;
      res.write(bytes.subarray(at, end));
      at = Math.min(end, bytes.length);
      setTimeout(next, ms);
    };
    next();
  } else {
    res.writeHead(404, { 'Content-Type': 'text/plain' });
    res.end('not here');
  }
});

function page(name, body) {
  fs.writeFileSync(path.join(tmp, name), `<!DOCTYPE html>
<html><head><meta charset="utf-8">
<script src="/web/naplps.js"></script>
<script src="/web/naplps-picture.js"></script>
</head><body style="margin:0">
${body}
</body></html>
`);
}

// A page script's helpers: the colour of a canvas pixel, and a promise of
// an element's next load or error.
const helpers = `
function pixelOf(el, x, y) {
  const d = el.canvas.getContext('2d').getImageData(x, y, 1, 1).data;
  return d[3] === 0 ? -1 : (d[0] << 16 | d[1] << 8 | d[2]);
}
// An element may have failed before this page's script ran.
function finished(el) {
  if (el.errorMessage !== null) return Promise.resolve({ ok: false, message: el.errorMessage });
  return new Promise((resolve) => {
    const ok = () => { off(); resolve({ ok: true }); };
    const bad = (e) => { off(); resolve({ ok: false, message: e.detail && e.detail.message }); };
    const off = () => { el.removeEventListener('load', ok); el.removeEventListener('error', bad); };
    el.addEventListener('load', ok);
    el.addEventListener('error', bad);
  });
}
`;

// ---- the checks ----

const results = [];
function check(name, ok, detail) {
  results.push(ok === true);
  console.log(`${ok === true ? 'ok' : 'not ok'} - ${name}${ok === true ? '' : `: ${detail || ok}`}`);
}

const demo = fs.readFileSync(path.join(root, 'examples', 'demo.pdi'));
// Rectangle A, a pause of 15 ticks, then rectangle B that blinks.
const paused = encode(
  'reset domain colour=1 screen=7 blink\n' +
  'select 32\ncolor 255 0 0\nselect 48\ncolor 0 0 255\nselect 192\n' +
  'set-rect-filled 10 10 40 40\n' +
  'wait 30\n' +
  'select 32\nset-rect-filled 150 100 40 40\nblink 48 5 5 0\n' +
  'select 192\npoint-set 0 0\n');
pictures.set('demo.pdi', demo);
pictures.set('paused.pdi', paused);

async function slowStream(browser, port) {
  // The last bytes are held back until the page has shown part of the
  // picture: it must be decoding while the stream is still open.
  page('slow.html', `
<naplps-picture id="p" width="512" height="400" src="/slow/demo.pdi?chunk=16&ms=5&hold=400"></naplps-picture>
<script>${helpers}
const el = document.getElementById('p');
const done = finished(el);
const states = new Set();
let released = false;
function frame() {
  if (el.complete) return;
  const g = el.canvas.getContext('2d').getImageData(0, 0, 512, 400).data;
  let sum = 0;
  for (let i = 0; i < g.length; i += 97) sum = (sum * 31 + g[i]) >>> 0;
  states.add(sum);
  if (!released && pixelOf(el, 256, 398) !== -1) {
    released = true;
    fetch('/release/demo.pdi');
  }
  requestAnimationFrame(frame);
}
requestAnimationFrame(frame);
done.then((r) => naplpsReport(JSON.stringify({ r, released, states: states.size,
  png: el.canvas.toDataURL('image/png') })));
</script>`);
  const rep = JSON.parse(await browser.report(`http://127.0.0.1:${port}/page/slow.html`, 60000));
  check('a slow stream: the picture shows before its last bytes are sent', rep.r.ok && rep.released,
    JSON.stringify({ ok: rep.r.ok, released: rep.released }));
  check('a slow stream: the picture builds up in steps', rep.states >= 3, `${rep.states} states seen`);
  check('a slow stream: the final picture is the one pdi2png draws',
    samePicture(rep.png, reference(demo, 512, 400)));
}

async function twoAtOnce(browser, port) {
  page('two.html', `
<naplps-picture id="a" width="512" height="400" src="/slow/demo.pdi?chunk=8&ms=5"></naplps-picture>
<naplps-picture id="b" width="512" height="400" src="/slow/paused.pdi?chunk=100000&ms=5"></naplps-picture>
<script>${helpers}
const a = document.getElementById('a'), b = document.getElementById('b');
// Rectangle A at (60, 339), B at (340, 159) in pixels. The second picture
// arrives in one piece: only its WAIT keeps B from showing with A.
let pauseSeen = false, bothBusy = false;
function frame() {
  if (!a.complete && !b.complete && pixelOf(b, 60, 339) !== -1) bothBusy = true;
  if (!b.complete) {
    const bg = pixelOf(b, 500, 10);
    if (bg !== -1 && pixelOf(b, 60, 339) !== bg && pixelOf(b, 340, 159) === bg) pauseSeen = true;
    requestAnimationFrame(frame);
  }
}
requestAnimationFrame(frame);
Promise.all([finished(a), finished(b)]).then(([ra, rb]) => naplpsReport(JSON.stringify({
  ra, rb, pauseSeen, bothBusy,
  a: a.canvas.toDataURL('image/png'), b: b.canvas.toDataURL('image/png') })));
</script>`);
  const rep = JSON.parse(await browser.report(`http://127.0.0.1:${port}/page/two.html`, 90000));
  check('two at once: both pictures play together', rep.ra.ok && rep.rb.ok && rep.bothBusy,
    JSON.stringify({ a: rep.ra, b: rep.rb, bothBusy: rep.bothBusy }));
  check('two at once: the WAIT holds the second rectangle back', rep.pauseSeen);
  check('two at once: the first picture ends as pdi2png draws it',
    samePicture(rep.a, reference(demo, 512, 400)));
  check('two at once: the second (paused, blinking) ends as pdi2png draws it',
    samePicture(rep.b, reference(paused, 512, 400)));
}

async function newSize(browser, port) {
  page('size.html', `
<naplps-picture id="p" width="512" height="400" src="/slow/paused.pdi?chunk=64&ms=1"></naplps-picture>
<script>${helpers}
const el = document.getElementById('p');
(async () => {
  const first = await finished(el);
  const big = el.canvas.toDataURL('image/png');
  const again = finished(el);
  el.setAttribute('width', '320');
  el.setAttribute('height', '250');
  const second = await again;
  naplpsReport(JSON.stringify({ first, second, big, small: el.canvas.toDataURL('image/png'),
    w: el.canvas.width, h: el.canvas.height }));
})();
</script>`);
  const rep = JSON.parse(await browser.report(`http://127.0.0.1:${port}/page/size.html`, 90000));
  check('a new size: the picture is drawn again', rep.first.ok && rep.second.ok && rep.w === 320 &&
    rep.h === 250, JSON.stringify({ first: rep.first, second: rep.second, w: rep.w, h: rep.h }));
  check('a new size: first at 512 x 400 as pdi2png draws it', samePicture(rep.big, reference(paused, 512, 400)));
  check('a new size: then at 320 x 250 as pdi2png draws it', samePicture(rep.small, reference(paused, 320, 250)));
}

async function unreachable(browser, port) {
  // A port on this machine where nothing listens.
  const closed = await new Promise((resolve) => {
    const s = http.createServer();
    s.listen(0, '127.0.0.1', () => {
      const p = s.address().port;
      s.close(() => resolve(p));
    });
  });
  const sources = [`/missing.nap`, `http://127.0.0.1:${closed}/picture.nap`, 'file:///nonexistent/picture.nap'];
  page('unreachable.html', `
${sources.map((s, i) => `<naplps-picture id="e${i}" width="300" height="200" src="${s}"></naplps-picture>`).join('\n')}
<script>${helpers}
const els = [...document.querySelectorAll('naplps-picture')];
Promise.all(els.map(finished)).then((rs) => naplpsReport(JSON.stringify(rs.map((r, i) => {
  const m = els[i].shadowRoot.querySelector('.message');
  const box = m.getBoundingClientRect();
  return { r, text: m.textContent, shown: !m.hidden && box.width === 300 && box.height === 200,
           canvasHidden: els[i].canvas.hidden };
}))));
</script>`);
  const rep = JSON.parse(await browser.report(`http://127.0.0.1:${port}/page/unreachable.html`, 60000));
  rep.forEach((e, i) => {
    check(`unreachable ${sources[i]}: a message in place of the picture`,
      !e.r.ok && e.shown && e.canvasHidden && e.text.includes(sources[i]) &&
      e.text.includes('could not be fetched') && e.r.message === e.text, JSON.stringify(e));
  });
}

async function manyAtOnce(browser, port) {
  // More elements than the module holds pictures at once: the last wait
  // for a place and then play like the others.
  const n = 14;
  const stills = [];
  for (let i = 0; i < n; i++) {
    stills.push(encode('reset domain colour=1 screen=7\n' +
      `select ${16 * (1 + (i % 15))}\nset-rect-filled ${10 + 15 * i} ${5 + 10 * i} 30 20\n` +
      'select 0\npoint-set 0 0\n'));
    pictures.set(`still${i}.pdi`, stills[i]);
  }
  page('many.html', `
${stills.map((b, i) => `<naplps-picture width="256" height="200" src="/slow/still${i}.pdi?chunk=3&ms=20"></naplps-picture>`).join('\n')}
<script>${helpers}
const els = [...document.querySelectorAll('naplps-picture')];
Promise.all(els.map(finished)).then((rs) => naplpsReport(JSON.stringify(rs.map((r, i) => ({
  r, png: els[i].canvas.toDataURL('image/png') })))));
</script>`);
  const rep = JSON.parse(await browser.report(`http://127.0.0.1:${port}/page/many.html`, 90000));
  const wrong = rep.map((e, i) => (e.r.ok ? samePicture(e.png, reference(stills[i], 256, 200)) : 'no load'))
    .map((r, i) => (r === true ? null : `${i}: ${r}`)).filter((r) => r);
  check(`${n} elements at once: each ends as pdi2png draws its picture`, wrong.length === 0, wrong.join('; '));
}

async function demoPage(browser) {
  // The demo page as a visitor opens it, from file://, its pictures played
  // over the slow line.
  const demoDir = path.join(webDir, 'index.html');
  await browser.open(`file://${demoDir}`);
  const rep = await browser.evaluate(`new Promise((resolve) => {
    const els = ['demo', 'pauses'].map((id) => document.getElementById(id));
    const start = Date.now();
    const poll = () => {
      if (els.every((el) => el.complete) || Date.now() - start > 60000) {
        resolve(els.map((el) => ({ complete: el.complete, png: el.canvas.toDataURL('image/png') })));
      } else setTimeout(poll, 100);
    };
    poll();
  })`);
  check('the demo page: both pictures play to their end', rep.every((e) => e.complete),
    JSON.stringify(rep.map((e) => e.complete)));
  check('the demo page: demo.pdi as pdi2png draws it', samePicture(rep[0].png, reference(demo, 512, 400)));
  check('the demo page: pauses.pdi as pdi2png draws it',
    samePicture(rep[1].png, reference(fs.readFileSync(path.join(root, 'examples', 'pauses.pdi')), 512, 400)));
}

async function main() {
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const port = server.address().port;
  const browser = await Browser.start();
  try {
    for (const t of [slowStream, twoAtOnce, manyAtOnce, newSize, unreachable, demoPage]) {
      try {
        await t(browser, port);
      } catch (e) {
        check(t.name, false, e.message);
      }
    }
  } finally {
    await browser.close();
    server.close();
    if (server.closeAllConnections) server.closeAllConnections();
    fs.rmSync(tmp, { recursive: true, force: true });
  }
  const passed = results.filter((r) => r).length;
  console.log(`${passed} passed, ${results.length - passed} failed`);
  process.exit(passed === results.length ? 0 : 1);
}

main().catch((e) => {
  console.log(`not ok - ${e.message}`);
  process.exit(1);
});
