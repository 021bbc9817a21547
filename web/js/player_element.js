// <qx-player>: a media element for Qx movies, scripted as a <video> is. The decoder runs in a
// worker, the sound in an AudioWorklet, and the pictures are drawn on a canvas in the shadow
// root on animation frames, each when the clock reaches its time.
const QX_FRAMES_AHEAD = 4;
const QX_TIMEUPDATE_MS = 250;

// Only where there is a page: the same module also runs under node and in workers.
const QxPlayerElement = typeof HTMLElement === 'undefined' ? null : class extends HTMLElement {
  static get observedAttributes() {
    return ['src', 'controls'];
  }

  constructor() {
    super();
    const root = this.attachShadow({ mode: 'open' });
    root.innerHTML = QX_PLAYER_TEMPLATE;
    this._canvas = root.querySelector('canvas');
    this._drawing = this._canvas.getContext('2d');
    this._message = root.querySelector('.message');
    this._controls = new QxPlayerControls(this, root);
    this._clock = new QxMediaClock();
    this._volume = 1;
    this._muted = false;
    this._brightness = 100;
    this._stats = { decodeMs: 0, framesDecoded: 0, framesShown: 0, framesDropped: 0 };
    this._loads = 0;
    this._reset();
    this._onVisibility = () => this._visibilityChanged();
    this._onGesture = () => this._sound && this._playing() && this._sound.resume();
  }

  _reset() {
    this._worker = null;
    this._sound = null;
    this._info = null;
    this._error = null;
    this._generation = 0;
    this._frames = [];
    this._requested = 0;
    this._endOfFrames = false;
    this._shown = null;
    this._paused = true;
    this._ended = false;
    this._seeking = false;
    this._hiddenPause = false;
    this._readyState = 0;
    this._lastTimeupdate = 0;
    this._raf = 0;
    this._announcePlaying = false;
    this._clock.sound = null;
    this._clock.running = false;
    this._clock.restart(0);
  }

  connectedCallback() {
    if (!this.hasAttribute('tabindex')) {
      this.tabIndex = 0;
    }
    document.addEventListener('visibilitychange', this._onVisibility);
    document.addEventListener('pointerdown', this._onGesture);
    document.addEventListener('keydown', this._onGesture);
  }

  // Taken off the page: the worker ends and the movie's memory goes with it.
  disconnectedCallback() {
    document.removeEventListener('visibilitychange', this._onVisibility);
    document.removeEventListener('pointerdown', this._onGesture);
    document.removeEventListener('keydown', this._onGesture);
    this.close();
  }

  attributeChangedCallback(name, previous, value) {
    if (name === 'src' && value && value !== previous) {
      this._loadUrl(value);
    } else if (name === 'controls') {
      this._controls.show(value !== null);
    }
  }

  get src() {
    return this.getAttribute('src') || '';
  }

  set src(value) {
    this.setAttribute('src', value);
  }

  get controls() {
    return this.hasAttribute('controls');
  }

  set controls(on) {
    this.toggleAttribute('controls', Boolean(on));
  }

  async _loadUrl(url) {
    const load = ++this._loads;
    try {
      const response = await fetch(url);
      if (!response.ok) {
        throw new Error(`${url}: ${response.status} ${response.statusText}`);
      }
      const bytes = await response.arrayBuffer();
      if (load === this._loads) {
        await this.load(bytes);
      }
    } catch (error) {
      if (load === this._loads) {
        this._fail(error);
      }
    }
  }

  // Opens a movie from a File, a Blob, an ArrayBuffer or a typed array. Resolves once its
  // metadata is known; rejects (and fires `error`) when it is not a movie.
  async load(source) {
    this.close();
    const load = ++this._loads;
    const bytes = source instanceof Blob ? await source.arrayBuffer()
      : ArrayBuffer.isView(source) ? source.slice().buffer : source.slice(0);
    if (load !== this._loads) {
      return;
    }
    const channel = new MessageChannel();
    const worker = qxStartDecoder();
    this._worker = worker;
    this._message.textContent = '';
    const opened = new Promise((resolve, reject) => {
      worker.onmessage = ({ data }) => {
        if (data.type === 'opened') {
          resolve(data.info);
        } else if (data.type === 'error') {
          reject(new Error(data.message));
        }
      };
      worker.onerror = (event) => reject(new Error(event.message || 'the decoder stopped'));
    });
    worker.postMessage({ type: 'open', bytes, pixels: 'rgba', soundPort: channel.port2 },
      [bytes, channel.port2]);
    let info;
    try {
      info = await opened;
    } catch (error) {
      if (load === this._loads) {
        this._fail(error);
      }
      throw error;
    }
    if (load !== this._loads) {
      return;
    }
    worker.onmessage = ({ data }) => this._fromDecoder(data);
    this._info = info;
    this._canvas.width = info.width;
    this._canvas.height = info.height;
    this._readyState = 1;
    this.dispatchEvent(new Event('durationchange'));
    this._dispatch('loadedmetadata');
    if (this._brightness !== 100) {
      worker.postMessage({ type: 'brightness', percent: this._brightness });
    }
    this._requestFrames();
    if (info.audio) {
      this._openSound(info.audio.sampleRate, channel.port1, load);
    }
  }

  async _openSound(rate, port, load) {
    try {
      const sound = await QxSoundOutput.create(rate, port);
      if (load !== this._loads) {
        sound.close();
        return;
      }
      this._sound = sound;
      this._clock.sound = sound;
      sound.setVolume(this._muted ? 0 : this._volume);
      sound.restart(this._generation);
      sound.onreport = (report) => {
        this._stats.soundUnderruns = report.underruns;
      };
      if (this._playing()) {
        sound.resume();
      } else {
        sound.suspend();
      }
    } catch (error) {
      // Without sound the movie still plays, on the wall clock.
      console.warn(`qx-player: no sound: ${error.message}`);
    }
  }

  // Ends the movie: the worker, the sound and every picture go.
  close() {
    ++this._loads;
    cancelAnimationFrame(this._raf);
    if (this._worker) {
      // All the movie's memory is the worker's, and goes with it.
      this._worker.terminate();
    }
    if (this._sound) {
      this._sound.close();
    }
    this._reset();
  }

  _fail(error) {
    this._error = { message: error.message };
    this._message.textContent = error.message;
    this._dispatch('error');
  }

  _dispatch(name) {
    this.dispatchEvent(new Event(name));
    this._controls.update();
  }

  _fromDecoder(data) {
    if (data.type === 'error') {
      this._fail(new Error(data.message));
      return;
    }
    if (data.generation !== this._generation) {
      return;
    }
    if (data.type === 'frame') {
      this._requested -= 1;
      this._stats.framesDecoded += 1;
      this._stats.decodeMs += data.decodeMs;
      this._frames.push(data.frame);
      if (this._seeking || !this._shown) {
        this._showFirst();
      }
      this._requestFrames();
    } else if (data.type === 'end') {
      this._requested = 0;
      this._endOfFrames = true;
      if (this._seeking) {
        this._seekDone(this._clock.heldMs);
      }
    } else if (data.type === 'seeked' && this._sound) {
      this._sound.restart(this._generation);
    }
  }

  _requestFrames() {
    const wanted = QX_FRAMES_AHEAD - this._frames.length - this._requested;
    if (this._worker && !this._endOfFrames && wanted > 0) {
      this._requested += wanted;
      this._worker.postMessage({ type: 'frames', count: wanted });
    }
  }

  // The first picture after opening or seeking is shown at once, and the clock starts there.
  _showFirst() {
    const frame = this._frames.shift();
    this._draw(frame);
    if (this._seeking) {
      this._seekDone(frame.timeMs);
    }
    if (this._readyState < 4) {
      this._readyState = 4;
      this._dispatch('loadeddata');
      this._dispatch('canplay');
      this._dispatch('canplaythrough');
    }
  }

  _draw(frame) {
    this._shown = frame;
    this._stats.framesShown += 1;
    if (!frame.pixels) {
      return;
    }
    if (this._canvas.width !== frame.width || this._canvas.height !== frame.height) {
      this._canvas.width = frame.width;
      this._canvas.height = frame.height;
      this._dispatch('resize');
    }
    const { buffer, byteOffset, length } = frame.pixels;
    const pixels = new Uint8ClampedArray(buffer, byteOffset, length);
    this._drawing.putImageData(new ImageData(pixels, frame.width, frame.height), 0, 0);
    this._giveBack(frame);
  }

  // The canvas holds its own copy once a picture is drawn, and a picture skipped is never drawn:
  // either way its buffer goes back to the worker, which decodes a later picture into it.
  _giveBack(frame) {
    if (frame.pixels && this._worker) {
      this._worker.postMessage({ type: 'giveBack', buffer: frame.pixels.buffer },
                               [frame.pixels.buffer]);
    }
  }

  _playing() {
    return !this._paused && !this._ended;
  }

  play() {
    if (!this._info) {
      return Promise.reject(new DOMException('no movie is loaded', 'InvalidStateError'));
    }
    if (this._ended) {
      this._seek({ frame: 0 });
    }
    if (this._paused) {
      this._paused = false;
      this._announcePlaying = true;
      this._dispatch('play');
      this._run();
    }
    return Promise.resolve();
  }

  pause() {
    if (!this._paused) {
      this._paused = true;
      this._halt();
      this._dispatch('pause');
    }
  }

  _run() {
    if (this._sound) {
      // Refused without a click or key under autoplay rules: the wall clock runs meanwhile.
      this._sound.resume().catch(() => {});
    }
    if (!this._seeking) {
      this._clock.start();
    }
    cancelAnimationFrame(this._raf);
    this._raf = requestAnimationFrame(() => this._tick());
  }

  _halt() {
    this._clock.stop();
    cancelAnimationFrame(this._raf);
    if (this._sound) {
      this._sound.suspend();
    }
  }

  // A hidden tab stops the clock, so that the picture takes up where it was on return rather
  // than racing through the frames it missed.
  _visibilityChanged() {
    if (document.hidden && this._playing()) {
      this._hiddenPause = true;
      this._halt();
    } else if (!document.hidden && this._hiddenPause) {
      this._hiddenPause = false;
      if (this._playing()) {
        this._run();
      }
    }
  }

  _tick() {
    this._raf = requestAnimationFrame(() => this._tick());
    if (this._seeking) {
      return;
    }
    const now = this._clock.positionMs();
    this._clock.note(now);
    let due = null;
    while (this._frames.length > 0 && this._frames[0].timeMs <= now) {
      if (due) {
        this._stats.framesDropped += 1;
        this._giveBack(due);
      }
      due = this._frames.shift();
    }
    if (due) {
      this._draw(due);
      this._requestFrames();
    }
    if (this._announcePlaying) {
      this._announcePlaying = false;
      this._dispatch('playing');
    }
    if (now - this._lastTimeupdate >= QX_TIMEUPDATE_MS || now < this._lastTimeupdate) {
      this._lastTimeupdate = now;
      this._dispatch('timeupdate');
    }
    const soundOver = !this._sound || !this._sound.running || this._sound.ended;
    if (this._endOfFrames && this._frames.length === 0 && soundOver &&
        now >= this._info.durationSeconds * 1000) {
      this._end();
    }
  }

  _end() {
    this._halt();
    this._clock.heldMs = this._info.durationSeconds * 1000;
    this._paused = true;
    this._ended = true;
    this._dispatch('timeupdate');
    this._dispatch('pause');
    this._dispatch('ended');
  }

  // Seeks to the frame shown at `milliseconds`, or to frame `frame`: exact, as the C
  // interface seeks. The clock waits at the target until the picture is there.
  _seek(target) {
    if (!this._worker || !this._info) {
      return;
    }
    this._generation += 1;
    this._frames.forEach((frame) => this._giveBack(frame));
    this._frames = [];
    this._requested = 0;
    this._endOfFrames = false;
    this._ended = false;
    this._seeking = true;
    this._clock.stop();
    this._clock.heldMs = target.milliseconds ?? this._clock.heldMs;
    if (this._sound) {
      this._sound.hold();
    }
    this._dispatch('seeking');
    this._worker.postMessage({ type: 'seek', generation: this._generation, ...target });
    this._requestFrames();
  }

  _seekDone(milliseconds) {
    this._seeking = false;
    this._clock.restart(milliseconds);
    this._lastTimeupdate = milliseconds;
    this._dispatch('timeupdate');
    this._dispatch('seeked');
    if (this._playing()) {
      this._run();
    }
  }

  get currentTime() {
    return this._clock.positionMs() / 1000;
  }

  set currentTime(seconds) {
    const duration = this.duration;
    if (Number.isFinite(duration)) {
      const milliseconds = Math.max(0, Math.min(Number(seconds), duration) * 1000);
      this._seek({ milliseconds: Math.floor(milliseconds) });
    }
  }

  // The index of the frame on screen, and an exact step to another one.
  get currentFrame() {
    return this._shown ? this._shown.index : -1;
  }

  seekToFrame(frame) {
    if (this._info) {
      this._seek({ frame: Math.max(0, Math.min(frame, this._info.frames - 1)) });
    }
  }

  get duration() {
    return this._info ? this._info.durationSeconds : NaN;
  }

  get paused() {
    return this._paused;
  }

  get ended() {
    return this._ended;
  }

  get seeking() {
    return this._seeking;
  }

  get readyState() {
    return this._readyState;
  }

  get error() {
    return this._error;
  }

  get videoWidth() {
    return this._info ? this._canvas.width : 0;
  }

  get videoHeight() {
    return this._info ? this._canvas.height : 0;
  }

  // What the movie's probe says: codecs, sound, length, damage.
  get movieInfo() {
    return this._info;
  }

  get volume() {
    return this._volume;
  }

  set volume(value) {
    if (!(value >= 0 && value <= 1)) {
      throw new DOMException('volume must be between 0 and 1', 'IndexSizeError');
    }
    this._volume = value;
    this._applyVolume();
  }

  get muted() {
    return this._muted;
  }

  set muted(value) {
    this._muted = Boolean(value);
    this._applyVolume();
  }

  _applyVolume() {
    if (this._sound) {
      this._sound.setVolume(this._muted ? 0 : this._volume);
    }
    this._dispatch('volumechange');
  }

  // Percent of the coded brightness, from the next decoded frame on.
  get brightness() {
    return this._brightness;
  }

  set brightness(percent) {
    this._brightness = Math.max(0, Math.min(400, Math.round(percent)));
    if (this._worker) {
      this._worker.postMessage({ type: 'brightness', percent: this._brightness });
    }
    this._controls.update();
  }

  getPlaybackStats() {
    const s = this._stats;
    return {
      framesDecoded: s.framesDecoded,
      framesShown: s.framesShown,
      framesDropped: s.framesDropped,
      decodeMsPerFrame: s.framesDecoded ? s.decodeMs / s.framesDecoded : 0,
      soundUnderruns: s.soundUnderruns || 0,
    };
  }
};

if (QxPlayerElement && !customElements.get('qx-player')) {
  customElements.define('qx-player', QxPlayerElement);
}
