// The JavaScript face of the C interface, inside the module: qx.open(bytes, options) gives a
// movie whose calls are qx_next_frame, qx_read_audio, qx_seek_frame and qx_close, the pictures
// and sound copied out of the WebAssembly memory byte for byte.
const QX_PIXEL_FORMATS = { rgba: 0, rgb565: 1, rgb555: 2, rgb888: 3, pal8: 4 };
const QX_VIDEO_CODECS = [[1, 'rkd'], [2, 'mnb'], [4, 'zle']];
const QX_AUDIO_CODECS = [null, 'pcm', 'xa', 'ima'];

function qxErrorText(code) {
  return UTF8ToString(_qx_error_text(code));
}

function qxCheck(code) {
  if (code < 0) {
    throw new Error(qxErrorText(code));
  }
  return code;
}

// `bytes` bytes of the WebAssembly memory at `address`, in `into` when it has room.
function copyOut(address, bytes, into) {
  const source = HEAPU8.subarray(address, address + bytes);
  if (into instanceof Uint8Array && into.length >= bytes) {
    into.set(source);
    return into.subarray(0, bytes);
  }
  return source.slice();
}

class QxMovie {
  constructor(bytes, pixels) {
    // The C interface reads the movie where it lies, so it stays in memory until close().
    this._data = _malloc(Math.max(bytes.length, 1));
    this._scratch = _malloc(16 * 8 + 160);
    this._audio = 0;
    this._audioFrames = 0;
    if (!this._data || !this._scratch) {
      this._release();
      throw new Error(qxErrorText(-2));
    }
    HEAPU8.set(bytes, this._data);
    HEAP32[this._scratch >> 2] = 0;
    this._movie = _qxw_open(this._data, bytes.length, pixels, this._scratch);
    if (!this._movie) {
      const code = HEAP32[this._scratch >> 2];
      this._release();
      throw new Error(qxErrorText(code));
    }
    this.info = this._readInfo();
  }

  _doubles(count) {
    return HEAPF64.subarray(this._scratch >> 3, (this._scratch >> 3) + count);
  }

  _open() {
    if (!this._movie) {
      throw new Error('the movie is closed');
    }
    return this._movie;
  }

  _readInfo() {
    qxCheck(_qxw_info(this._movie, this._scratch));
    const v = Array.from(this._doubles(15));
    const problems = [];
    for (let i = 0; i < v[12]; ++i) {
      qxCheck(_qxw_problem(this._movie, i, this._scratch, this._scratch + 16));
      const [offset, bytes] = this._doubles(2);
      problems.push({ offset, bytes, text: UTF8ToString(this._scratch + 16, 160) });
    }
    return {
      durationSeconds: v[0], frames: v[1], fps: v[2], fpsAssumed: v[3] === 1,
      width: v[4], height: v[5], maxWidth: v[13], maxHeight: v[14],
      videoCodecs: QX_VIDEO_CODECS.filter(([bit]) => v[6] & bit).map(([, name]) => name),
      audio: v[7] ? { codec: QX_AUDIO_CODECS[v[7]], sampleRate: v[8], channels: v[9],
                      sampleFrames: v[10] } : null,
      fileBytes: v[11], problems,
    };
  }

  // The next picture, or null at the end. A frame that could not be decoded comes with
  // `dropped` and no pixels: the picture before it stays. The pixels are copied into `into`
  // (a Uint8Array) when it has room for them, and `pixels` is then the start of it: a caller
  // that hands back the buffers it is done with spares a new one, and its clearing, each frame.
  nextFrame(into) {
    const result = qxCheck(_qxw_next_frame(this._open(), this._scratch));
    if (result === 0) {
      return null;
    }
    const [index, timeMs, width, height, bytes, pixels, palette, codec, dropped] =
      Array.from(this._doubles(9));
    return {
      index, timeMs, width, height, codec, dropped: dropped === 1,
      pixels: pixels ? copyOut(pixels, bytes, into) : null,
      palette: palette ? HEAPU8.slice(palette, palette + 768) : null,
    };
  }

  // Up to `count` interleaved stereo sample frames; empty at the end.
  readAudio(count) {
    const movie = this._open();
    count = Math.max(0, Math.floor(count));
    if (count > this._audioFrames) {
      _free(this._audio);
      this._audio = _malloc(count * 4);
      this._audioFrames = this._audio ? count : 0;
      if (!this._audio) {
        throw new Error(qxErrorText(-2));
      }
    }
    const got = _qx_read_audio(movie, this._audio, count);
    return HEAP16.slice(this._audio >> 1, (this._audio >> 1) + 2 * got);
  }

  seekFrame(frame) {
    qxCheck(_qxw_seek_frame(this._open(), frame));
  }

  seekTime(milliseconds) {
    qxCheck(_qxw_seek_time(this._open(), milliseconds));
  }

  frameTimeMs(frame) {
    return qxCheck(_qxw_frame_time_ms(this._open(), frame));
  }

  setBrightness(percent) {
    qxCheck(_qx_set_brightness(this._open(), percent));
  }

  close() {
    if (this._movie) {
      _qx_close(this._movie);
      this._movie = 0;
    }
    this._release();
  }

  _release() {
    for (const block of [this._data, this._scratch, this._audio]) {
      _free(block);
    }
    this._data = this._scratch = this._audio = 0;
    this._audioFrames = 0;
  }
}

Module['open'] = (bytes, options = {}) => {
  const pixels = QX_PIXEL_FORMATS[options.pixels ?? 'rgba'];
  if (pixels === undefined) {
    throw new Error(`unknown pixel format "${options.pixels}"`);
  }
  return new QxMovie(bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes), pixels);
};
Module['version'] = () => UTF8ToString(_qx_version());
Module['chooseKernels'] = (level) => {
  const text = allocateUTF8(level);
  _qxw_choose_kernels(text);
  _free(text);
};
