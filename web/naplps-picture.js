// <naplps-picture src="picture.nap" width="512" height="400">
//
// Plays a NAPLPS picture (image/naplps) into a canvas while its bytes
// arrive: the source is fetched as a stream and every chunk is decoded as
// it comes, so the picture builds up as over a slow line. A WAIT pauses
// decoding for its ticks, blinking colours blink, and after the end of the
// stream a blinking picture blinks for 40 more ticks, as the plug-in did.
// The ticks (100 ms) come from timers; nothing waits on the page's thread.
// A new width or height draws the picture again from its first byte at the
// new size (pauses already shown pass at once). A source that cannot be
// fetched leaves a message in place of the picture.
//
// Attributes: src, width and height (pixels, 2..4096; default 512 x 400),
// no-wait (pauses and the end-of-stream blinking pass at once: the final
// picture straight away).
// Properties and methods: canvas (the canvas inside), complete (the final
// picture is shown), errorMessage (the message shown in place of the
// picture, or null), play(source) plays a Uint8Array, ArrayBuffer, Blob
// or ReadableStream of bytes instead of src.
// Events: "load" once the final picture shows, "error" (detail.message)
// when the source cannot be fetched or read.
//
// The decoder is the WebAssembly module naplps.js (scripts/build-web.sh),
// loaded from beside this script unless the page has loaded it already.
// Every element on a page has its own picture in that one module.
(function () {
  'use strict';

  const TICK_MS = 100;
  const END_BLINK_STEPS = 40;
  const SIDE_MAX = 4096;
  const STAGE_BYTES = 65536;

  const scriptUrl = document.currentScript ? document.currentScript.src : document.baseURI;

  // The module, loaded once for the page, and its staging buffer for bytes
  // on their way into it (calls never interleave, so one is enough).
  let modulePromise = null;
  function loadModule() {
    if (modulePromise) return modulePromise;
    modulePromise = new Promise((resolve, reject) => {
      const make = () => {
        window.NaplpsModule().then((M) => {
          M.stage = M._malloc(STAGE_BYTES);
          resolve(M);
        }, reject);
      };
      if (typeof window.NaplpsModule === 'function') {
        make();
        return;
      }
      const s = document.createElement('script');
      s.src = new URL('naplps.js', scriptUrl).href;
      s.onload = () => {
        if (typeof window.NaplpsModule === 'function') make();
        else reject(new Error('naplps.js holds no decoder'));
      };
      s.onerror = () => reject(new Error('the decoder naplps.js could not be loaded'));
      document.head.appendChild(s);
    });
    return modulePromise;
  }

  // Elements waiting for a free picture (the module holds a dozen at
  // once); a finished picture gives its own back.
  const waiting = [];
  function pictureFreed() {
    while (waiting.length) {
      const el = waiting.shift();
      // A picture may play to its end at once and give its place back
      // before this returns: only a refusal stops the round.
      if (el.isConnected && el._wantsPicture() && !el._openPicture()) return;
    }
  }

  function sideOf(el, name, fallback) {
    const v = el.getAttribute(name);
    if (v === null || v.trim() === '') return fallback;
    const n = Number(v);
    return Number.isInteger(n) ? n : NaN;
  }

  function describe(err) {
    if (!err) return 'unknown error';
    return err.message || String(err);
  }

  class NaplpsPicture extends HTMLElement {
    static get observedAttributes() {
      return ['src', 'width', 'height'];
    }

    constructor() {
      super();
      const root = this.attachShadow({ mode: 'open' });
      root.innerHTML =
        '<style>' +
        ':host{display:inline-block;vertical-align:top}' +
        'canvas{display:block}' +
        '.message{box-sizing:border-box;display:flex;align-items:center;justify-content:center;' +
        'padding:1em;border:1px solid #999;background:#eee;color:#222;font:14px sans-serif;' +
        'text-align:center;overflow:auto}' +
        '[hidden]{display:none}' +
        '</style>' +
        '<canvas part="canvas"></canvas>' +
        '<div class="message" part="message" role="alert" hidden></div>';
      this._canvas = root.querySelector('canvas');
      this._message = root.querySelector('.message');
      this._M = null;
      this._handle = -1;
      this._width = 0;
      this._height = 0;
      this._data = new Uint8Array(0);  // every byte received so far
      this._length = 0;
      this._offset = 0;                // bytes decoded into the picture
      this._fastUntil = 0;             // pauses up to here were shown already
      this._streamDone = false;
      this._ended = false;
      this._phase = 'idle';            // idle, decoding, paused, blinking, done
      this._blinkLeft = 0;
      this._timer = 0;
      this._frame = 0;
      this._gen = 0;                   // bumped by every new source
      this._abort = null;
      this._failed = false;
    }

    get canvas() {
      return this._canvas;
    }

    get complete() {
      return this._phase === 'done';
    }

    // The message shown in place of the picture, or null.
    get errorMessage() {
      return this._failed ? this._message.textContent : null;
    }

    connectedCallback() {
      this._applySize();
      if (this._phase === 'idle' && this.hasAttribute('src')) this._load();
    }

    disconnectedCallback() {
      this._gen++;
      if (this._abort) this._abort.abort();
      this._abort = null;
      this._stopTimers();
      this._closePicture();
      this._phase = 'idle';
    }

    attributeChangedCallback(name, oldValue, newValue) {
      if (!this.isConnected || oldValue === newValue) return;
      if (name === 'src') this._load();
      else this._resize();
    }

    play(source) {
      this._gen++;
      if (this._abort) this._abort.abort();
      this._abort = null;
      const gen = this._gen;
      let stream;
      if (source instanceof ReadableStream) stream = source;
      else if (source instanceof Blob) stream = source.stream();
      else stream = new Blob([source]).stream();
      return this._playStream(stream, gen);
    }

    // ---- sources ----

    _load() {
      this._gen++;
      if (this._abort) this._abort.abort();
      const gen = this._gen;
      const src = this.getAttribute('src');
      if (src === null || src === '') {
        this._abort = null;
        this._reset();
        return Promise.resolve();
      }
      const abort = new AbortController();
      this._abort = abort;
      this._reset();
      this._phase = 'decoding';
      return fetch(src, { signal: abort.signal }).then(
        (response) => {
          if (gen !== this._gen) return undefined;
          if (!response.ok) {
            this._fail(`The picture ${src} could not be fetched: ` +
              `${response.status} ${response.statusText}`.trim() + '.');
            return undefined;
          }
          if (!response.body) return this._playStream(new Blob([]).stream(), gen);
          return this._playStream(response.body, gen);
        },
        (err) => {
          if (gen !== this._gen) return;
          this._fail(`The picture ${src} could not be fetched (${describe(err)}).`);
        });
    }

    async _playStream(stream, gen) {
      this._reset();
      this._phase = 'decoding';
      let M;
      try {
        M = await loadModule();
      } catch (err) {
        if (gen === this._gen) this._fail(`The picture cannot be shown: ${describe(err)}.`);
        return;
      }
      if (gen !== this._gen) return;
      this._M = M;
      if (!this._sizeValid()) {
        this._fail(`A picture is 2 to ${SIDE_MAX} pixels wide and high, not ` +
          `${this.getAttribute('width')} x ${this.getAttribute('height')}.`);
        return;
      }
      this._openPicture();
      const reader = stream.getReader();
      try {
        for (;;) {
          const { done, value } = await reader.read();
          if (gen !== this._gen) {
            reader.cancel().catch(() => {});
            return;
          }
          if (done) break;
          if (value && value.length) {
            this._append(value);
            this._pump();
          }
        }
      } catch (err) {
        if (gen !== this._gen) return;
        // What arrived stays drawn; the picture ends where its bytes stop.
        this._dispatch('error', `The picture could not be read to its end (${describe(err)}).`);
      }
      this._streamDone = true;
      this._pump();
    }

    _append(bytes) {
      const need = this._length + bytes.length;
      if (need > this._data.length) {
        const grown = new Uint8Array(Math.max(need, this._data.length * 2, 4096));
        grown.set(this._data.subarray(0, this._length));
        this._data = grown;
      }
      this._data.set(bytes, this._length);
      this._length = need;
    }

    // Forgets the picture and its bytes: a new source starts.
    _reset() {
      this._stopTimers();
      this._closePicture();
      const i = waiting.indexOf(this);
      if (i >= 0) waiting.splice(i, 1);
      this._data = new Uint8Array(0);
      this._length = 0;
      this._offset = 0;
      this._fastUntil = 0;
      this._streamDone = false;
      this._ended = false;
      this._phase = 'idle';
      this._failed = false;
      this._message.hidden = true;
      this._canvas.hidden = false;
      this._applySize();
      const g = this._canvas.getContext('2d');
      g.clearRect(0, 0, this._canvas.width, this._canvas.height);
    }

    _fail(text) {
      this._stopTimers();
      this._closePicture();
      this._phase = 'idle';
      this._failed = true;
      this._message.textContent = text;
      this._message.style.width = `${this._width}px`;
      this._message.style.height = `${this._height}px`;
      this._message.hidden = false;
      this._canvas.hidden = true;
      this._dispatch('error', text);
    }

    _dispatch(type, message) {
      this.dispatchEvent(type === 'error'
        ? new CustomEvent('error', { detail: { message } })
        : new Event(type));
    }

    // ---- size ----

    _sizeValid() {
      const w = sideOf(this, 'width', 512), h = sideOf(this, 'height', 400);
      return w >= 2 && h >= 2 && w <= SIDE_MAX && h <= SIDE_MAX;
    }

    _applySize() {
      let w = sideOf(this, 'width', 512), h = sideOf(this, 'height', 400);
      if (!(w >= 2 && w <= SIDE_MAX)) w = 512;
      if (!(h >= 2 && h <= SIDE_MAX)) h = 400;
      this._width = w;
      this._height = h;
      if (this._canvas.width !== w) this._canvas.width = w;
      if (this._canvas.height !== h) this._canvas.height = h;
    }

    // A new size: the picture is decoded again from its first byte.
    _resize() {
      const w = this._width, h = this._height;
      this._applySize();
      if (this._failed) {
        this._message.style.width = `${this._width}px`;
        this._message.style.height = `${this._height}px`;
        return;
      }
      if (!this._M || this._phase === 'idle') return;
      if (w === this._width && h === this._height && this._handle >= 0) return;
      if (!this._sizeValid()) {
        this._fail(`A picture is 2 to ${SIDE_MAX} pixels wide and high, not ` +
          `${this.getAttribute('width')} x ${this.getAttribute('height')}.`);
        return;
      }
      this._stopTimers();
      this._closePicture();
      this._fastUntil = Math.max(this._fastUntil, this._offset);
      this._offset = 0;
      this._ended = false;
      this._phase = 'decoding';
      this._openPicture();
    }

    // ---- the picture in the module ----

    _wantsPicture() {
      return this._M !== null && this._handle < 0 &&
        (this._phase === 'decoding' || this._phase === 'paused');
    }

    // Takes a picture in the module and decodes what has arrived. False
    // when every picture is taken: this one starts when another finishes.
    _openPicture() {
      const M = this._M;
      const h = M._naplps_open(this._width, this._height);
      if (h < 0) {
        if (!waiting.includes(this)) waiting.push(this);
        return false;
      }
      this._handle = h;
      this._offset = 0;
      this._ended = false;
      this._phase = 'decoding';
      this._pump();
      return true;
    }

    _closePicture() {
      if (this._handle < 0) return;
      this._M._naplps_close(this._handle);
      this._handle = -1;
      pictureFreed();
    }

    // Decodes the bytes received and not yet decoded, up to a pause.
    _pump() {
      if (this._handle < 0 || this._phase !== 'decoding') return;
      const M = this._M, h = this._handle;
      const noWait = this.hasAttribute('no-wait');
      while (this._offset < this._length) {
        const n = Math.min(this._length - this._offset, STAGE_BYTES);
        M.HEAPU8.set(this._data.subarray(this._offset, this._offset + n), M.stage);
        const done = M._naplps_feed(h, M.stage, n);
        if (done < 0) return;
        this._offset += done;
        if (M._naplps_wait_ticks(h) > 0) {
          if (noWait || this._offset <= this._fastUntil) {
            M._naplps_tick(h, M._naplps_wait_ticks(h));  // the pause passes at once
            continue;
          }
          this._phase = 'paused';
          this._schedulePaint();
          this._timer = setTimeout(() => this._onTick(), TICK_MS);
          return;
        }
      }
      if (this._streamDone) this._end();
      else this._schedulePaint();
    }

    // Every byte of a finished stream is decoded.
    _end() {
      if (this._ended) return;
      this._ended = true;
      const M = this._M, h = this._handle;
      if (M._naplps_end(h) === 1) {
        if (this.hasAttribute('no-wait')) {
          M._naplps_tick(h, END_BLINK_STEPS);
        } else {
          this._phase = 'blinking';
          this._blinkLeft = END_BLINK_STEPS;
          this._paintNow();
          this._timer = setTimeout(() => this._onTick(), TICK_MS);
          return;
        }
      }
      this._finish();
    }

    _onTick() {
      this._timer = 0;
      if (this._handle < 0) return;
      const left = this._M._naplps_tick(this._handle, 1);
      if (this._phase === 'paused') {
        if (left > 0) {
          this._schedulePaint();
          this._timer = setTimeout(() => this._onTick(), TICK_MS);
        } else {
          this._phase = 'decoding';
          this._pump();
        }
      } else if (this._phase === 'blinking') {
        if (--this._blinkLeft > 0) {
          this._schedulePaint();
          this._timer = setTimeout(() => this._onTick(), TICK_MS);
        } else {
          this._finish();
        }
      }
    }

    // The final picture: shown, and its place in the module given back.
    _finish() {
      this._paintNow();
      this._phase = 'done';
      this._closePicture();
      this._dispatch('load');
    }

    _stopTimers() {
      if (this._timer) clearTimeout(this._timer);
      this._timer = 0;
      if (this._frame) cancelAnimationFrame(this._frame);
      this._frame = 0;
    }

    // ---- painting ----

    _schedulePaint() {
      if (this._frame) return;
      this._frame = requestAnimationFrame(() => {
        this._frame = 0;
        this._paintNow();
      });
    }

    _paintNow() {
      if (this._handle < 0) return;
      const M = this._M, h = this._handle;
      const w = M._naplps_width(h), ht = M._naplps_height(h);
      const ptr = M._naplps_rgba(h);
      if (!ptr || w !== this._canvas.width || ht !== this._canvas.height) return;
      const pixels = new Uint8ClampedArray(M.HEAPU8.buffer, ptr, w * ht * 4);
      this._canvas.getContext('2d').putImageData(new ImageData(pixels, w, ht), 0, 0);
    }
  }

  if (!customElements.get('naplps-picture')) customElements.define('naplps-picture', NaplpsPicture);
  window.NaplpsPicture = NaplpsPicture;
})();
