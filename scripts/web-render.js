// Headless Chromium driven over its DevTools pipe (no port, no network):
// loads pages and waits for each to report its result. Used by
// scripts/web-render.sh, and by the browser tests of the web build.
//
//   node scripts/web-render.js JOBS
//
// renders pictures through the web build, one job a line of JOBS:
// "FILE<TAB>OUT.png<TAB>W<TAB>H". Each picture is played by a
// <naplps-picture no-wait> in a page of its own, its bytes inlined as a
// data: URL; the page reports the canvas's final pixels, which are written
// to OUT.png as an 8-bit RGB PNG (as pdi2png writes). Environment: NAPLPS_WEB_DIR (the web build),
// CHROMIUM (the browser). Exit status 1 when any job failed.
//
// As a module: Browser.start() gives a browser; browser.report(url,
// timeoutMs) loads url and resolves with the string the page hands to
// window.naplpsReport(); browser.close().
'use strict';

const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const FLAGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-default-apps', '--disable-extensions', '--no-default-browser-check',
  '--force-device-scale-factor=1', '--hide-scrollbars', '--mute-audio',
  '--remote-debugging-pipe',
];

function executable(p) {
  try {
    fs.accessSync(p, fs.constants.X_OK);
    return fs.statSync(p).isFile();
  } catch (e) {
    return false;
  }
}

// The browser: $CHROMIUM (a path or a name on the PATH), else the first of
// the usual names on the PATH; null when there is none.
function findBrowser() {
  const names = process.env.CHROMIUM ? [process.env.CHROMIUM] : ['chromium', 'chromium-browser', 'google-chrome'];
  for (const name of names) {
    if (name.includes('/')) {
      if (executable(name)) return name;
      continue;
    }
    for (const dir of (process.env.PATH || '').split(':')) {
      if (dir && executable(path.join(dir, name))) return path.join(dir, name);
    }
  }
  return null;
}

class Browser {
  static async start() {
    const exe = findBrowser();
    if (!exe) throw new Error('no Chromium found (apt-get install chromium)');
    const b = new Browser(exe);
    await b._attach();
    return b;
  }

  constructor(exe) {
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), 'naplps-chromium-'));
    this.proc = spawn(exe, [...FLAGS, `--user-data-dir=${this.profile}`, 'about:blank'],
      { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    this.log = '';
    this.proc.stdio[2].on('data', (d) => {
      this.log = (this.log + d.toString()).slice(-4000);
    });
    this.out = this.proc.stdio[3];
    this.in = this.proc.stdio[4];
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = new Set();
    this.buffer = '';
    this.exited = new Promise((resolve) => this.proc.on('exit', resolve));
    this.exited.then(() => {
      for (const { reject } of this.pending.values()) reject(new Error(`the browser quit: ${this.log}`));
      this.pending.clear();
    });
    this.in.on('data', (chunk) => {
      this.buffer += chunk.toString();
      let end;
      while ((end = this.buffer.indexOf('\0')) >= 0) {
        const msg = JSON.parse(this.buffer.slice(0, end));
        this.buffer = this.buffer.slice(end + 1);
        this._message(msg);
      }
    });
  }

  _message(msg) {
    if (msg.id !== undefined && this.pending.has(msg.id)) {
      const { resolve, reject } = this.pending.get(msg.id);
      this.pending.delete(msg.id);
      if (msg.error) reject(new Error(`${msg.error.message} (${msg.error.code})`));
      else resolve(msg.result);
      return;
    }
    for (const f of this.listeners) f(msg);
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const msg = { id, method, params };
    if (sessionId) msg.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.out.write(JSON.stringify(msg) + '\0');
    });
  }

  async _attach() {
    const { targetInfos } = await this.send('Target.getTargets');
    let page = targetInfos.find((t) => t.type === 'page');
    if (!page) {
      const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
      page = { targetId };
    }
    const { sessionId } = await this.send('Target.attachToTarget',
      { targetId: page.targetId, flatten: true });
    this.session = sessionId;
    await this.send('Page.enable', {}, sessionId);
    await this.send('Page.setLifecycleEventsEnabled', { enabled: true }, sessionId);
    await this.send('Runtime.enable', {}, sessionId);
    await this.send('Runtime.addBinding', { name: 'naplpsReport' }, sessionId);
    this.console = [];
    this.listeners.add((msg) => {
      if (msg.sessionId !== this.session) return;
      if (msg.method === 'Runtime.exceptionThrown') {
        const d = msg.params.exceptionDetails;
        this.console.push(`exception: ${d.exception ? d.exception.description : d.text}`);
      } else if (msg.method === 'Runtime.consoleAPICalled') {
        this.console.push(`console.${msg.params.type}: ` +
          msg.params.args.map((a) => (a.value !== undefined ? a.value : a.description)).join(' '));
      }
    });
  }

  // Loads url; resolves with the first string the page reports.
  report(url, timeoutMs = 60000) {
    return new Promise((resolve, reject) => {
      let timer = null;
      const done = (f, v) => {
        clearTimeout(timer);
        this.listeners.delete(listen);
        f(v);
      };
      const listen = (msg) => {
        if (msg.sessionId === this.session && msg.method === 'Runtime.bindingCalled' &&
            msg.params.name === 'naplpsReport') done(resolve, msg.params.payload);
      };
      this.listeners.add(listen);
      timer = setTimeout(async () => {
        // What the page was doing, for the message.
        let where = '';
        try {
          const r = await Promise.race([
            this.send('Runtime.evaluate', { expression: 'location.href + " " + document.readyState' },
              this.session),
            new Promise((res) => setTimeout(() => res(null), 2000))]);
          if (r && r.result) where = ` (page ${r.result.value})`;
        } catch (e) { /* no answer either */ }
        done(reject, new Error(`no report from ${url} within ${timeoutMs} ms${where}` +
          (this.console.length ? `; page said:\n  ${this.console.slice(-5).join('\n  ')}` : '')));
      }, timeoutMs);
      this.console = [];
      this.send('Page.navigate', { url }, this.session).then((r) => {
        if (r.errorText) done(reject, new Error(`${url}: ${r.errorText}`));
      }, (e) => done(reject, e));
    });
  }

  // Loads url and waits for the load event of that very navigation (not a
  // late one of the page before).
  open(url, timeoutMs = 60000) {
    return new Promise((resolve, reject) => {
      const loaded = new Set();  // loaders whose load event has come
      let loader = null;
      const finish = (f, v) => {
        clearTimeout(timer);
        this.listeners.delete(listen);
        f(v);
      };
      const timer = setTimeout(() => finish(reject, new Error(`${url} did not load within ${timeoutMs} ms`)),
        timeoutMs);
      const listen = (msg) => {
        if (msg.sessionId !== this.session || msg.method !== 'Page.lifecycleEvent' ||
            msg.params.name !== 'load') return;
        loaded.add(msg.params.loaderId);
        if (msg.params.loaderId === loader) finish(resolve);
      };
      this.listeners.add(listen);
      this.send('Page.navigate', { url }, this.session).then((r) => {
        if (r.errorText) finish(reject, new Error(`${url}: ${r.errorText}`));
        loader = r.loaderId;
        if (loaded.has(loader)) finish(resolve);
      }, (e) => finish(reject, e));
    });
  }

  // The value of a script expression in the page, promises awaited.
  async evaluate(expression) {
    const r = await this.send('Runtime.evaluate',
      { expression, awaitPromise: true, returnByValue: true }, this.session);
    if (r.exceptionDetails) {
      const d = r.exceptionDetails;
      throw new Error(d.exception ? d.exception.description : d.text);
    }
    return r.result.value;
  }

  async close() {
    try {
      await Promise.race([this.send('Browser.close'), new Promise((r) => setTimeout(r, 5000))]);
    } catch (e) { /* it is going anyway */ }
    if (this.proc.exitCode === null && this.proc.signalCode === null) this.proc.kill('SIGKILL');
    await this.exited;
    // The browser's helper processes may still be writing their last files.
    try {
      fs.rmSync(this.profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
    } catch (e) { /* a temporary directory left behind */ }
  }
}

// ---- PNG ----

const CRC_TABLE = (() => {
  const t = new Uint32Array(256);
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
    t[n] = c >>> 0;
  }
  return t;
})();

function crc32(bytes) {
  let c = 0xFFFFFFFF;
  for (const b of bytes) c = CRC_TABLE[(c ^ b) & 0xFF] ^ (c >>> 8);
  return (c ^ 0xFFFFFFFF) >>> 0;
}

function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, crc]);
}

// RGBA pixels (alpha dropped) as an 8-bit RGB PNG, as pdi2png writes one.
function pngRgb(rgba, w, h) {
  const raw = Buffer.alloc(h * (1 + 3 * w));
  for (let y = 0; y < h; y++) {
    const row = y * (1 + 3 * w);
    raw[row] = 0;  // no filter
    for (let x = 0; x < w; x++) {
      const s = 4 * (y * w + x), d = row + 1 + 3 * x;
      raw[d] = rgba[s];
      raw[d + 1] = rgba[s + 1];
      raw[d + 2] = rgba[s + 2];
    }
  }
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(w, 0);
  ihdr.writeUInt32BE(h, 4);
  ihdr[8] = 8;  // bits a sample
  ihdr[9] = 2;  // RGB
  return Buffer.concat([Buffer.from([0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A]),
    chunk('IHDR', ihdr), chunk('IDAT', zlib.deflateSync(raw)), chunk('IEND', Buffer.alloc(0))]);
}

// The page that plays one picture with no waiting and reports it.
function renderPage(webDir, bytes, w, h) {
  const src = `data:application/octet-stream;base64,${bytes.toString('base64')}`;
  const url = (f) => `file://${path.join(webDir, f)}`;
  return `<!DOCTYPE html>
<html><head><meta charset="utf-8">
<script src="${url('naplps.js')}"></script>
<script src="${url('naplps-picture.js')}"></script>
</head><body style="margin:0">
<naplps-picture id="picture" no-wait width="${w}" height="${h}" src="${src}"></naplps-picture>
<script>
const picture = document.getElementById('picture');
// The canvas's pixels exactly as drawn: RGBA rows, in base64.
const ok = () => {
  const c = picture.canvas;
  const px = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let bin = '';
  for (let i = 0; i < px.length; i += 0x8000) bin += String.fromCharCode.apply(null, px.subarray(i, i + 0x8000));
  naplpsReport('RGBA ' + c.width + ' ' + c.height + ' ' + btoa(bin));
};
const bad = (message) => naplpsReport('ERROR ' + message);
if (picture.complete) ok();
else if (picture.errorMessage !== null) bad(picture.errorMessage);
picture.addEventListener('load', ok);
picture.addEventListener('error', (e) => bad(e.detail.message));
</script>
</body></html>
`;
}

function webDirOf() {
  const dir = path.resolve(process.env.NAPLPS_WEB_DIR || path.join(__dirname, '..', 'build-web'));
  for (const f of ['naplps.js', 'naplps-picture.js']) {
    if (!fs.existsSync(path.join(dir, f))) throw new Error(`no web build in ${dir} (run scripts/build-web.sh)`);
  }
  return dir;
}

// Renders every job; returns the number that failed.
async function renderJobs(jobs) {
  const webDir = webDirOf();
  const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'naplps-render-'));
  const browser = await Browser.start();
  let failed = 0;
  try {
    for (const [i, job] of jobs.entries()) {
      try {
        const page = path.join(tmp, `page${i}.html`);
        fs.writeFileSync(page, renderPage(webDir, fs.readFileSync(job.file), job.w, job.h));
        const r = await browser.report(`file://${page}`);
        fs.rmSync(page);
        if (r.startsWith('ERROR ')) throw new Error(r.slice(6));
        const m = /^RGBA (\d+) (\d+) (.*)$/s.exec(r);
        if (!m) throw new Error('the page gave no picture');
        const w = Number(m[1]), h = Number(m[2]);
        const rgba = Buffer.from(m[3], 'base64');
        if (w !== job.w || h !== job.h || rgba.length !== w * h * 4) {
          throw new Error(`the page gave a picture of ${w} x ${h}, not ${job.w} x ${job.h}`);
        }
        fs.writeFileSync(job.out, pngRgb(rgba, w, h));
      } catch (e) {
        failed++;
        process.stderr.write(`web-render: ${job.file}: ${e.message}\n`);
      }
    }
  } finally {
    await browser.close();
    fs.rmSync(tmp, { recursive: true, force: true });
  }
  return failed;
}

module.exports = { Browser, findBrowser, webDirOf };

if (require.main === module) {
  const lines = fs.readFileSync(process.argv[2], 'utf8').split('\n').filter((l) => l.trim() !== '');
  const jobs = lines.map((l) => {
    const [file, out, w, h] = l.split('\t');
    return { file, out, w: Number(w), h: Number(h) };
  });
  renderJobs(jobs).then((failed) => process.exit(failed ? 1 : 0), (e) => {
    process.stderr.write(`web-render: ${e.message}\n`);
    process.exit(1);
  });
}
