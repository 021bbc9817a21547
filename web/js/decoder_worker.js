// The decoder's worker. Its source is built from this module's own functions, so the worker
// needs no file of its own and no path: it works wherever the module was loaded from.

// Runs in the worker: one movie, pictures on request, sound straight to the sound worklet.
function qxDecoderMain(scope, createModule) {
  const SOUND_CHUNK = 2048;
  const SPARE_BUFFERS = 8;
  let movie = null;
  const spare = []; // picture buffers the page gave back, decoded into again
  let sound = null; // the port the sound worklet asks for samples on
  let generation = 0;

  function fail(error) {
    scope.postMessage({ type: 'error', message: String(error && error.message || error) });
  }

  function sendSound(frames) {
    while (frames > 0) {
      const samples = movie.readAudio(Math.min(frames, SOUND_CHUNK));
      if (samples.length === 0) {
        sound.postMessage({ type: 'end', generation });
        return;
      }
      sound.postMessage({ type: 'samples', generation, samples }, [samples.buffer]);
      frames -= samples.length / 2;
    }
  }

  function sendFrames(count) {
    for (let i = 0; i < count; ++i) {
      const started = performance.now();
      const frame = movie.nextFrame(spare.pop());
      const decodeMs = performance.now() - started;
      if (frame === null) {
        scope.postMessage({ type: 'end', generation });
        return;
      }
      const transfer = frame.pixels ? [frame.pixels.buffer] : [];
      scope.postMessage({ type: 'frame', generation, decodeMs, frame }, transfer);
    }
  }

  const actions = {
    async open({ bytes, pixels, soundPort }) {
      const qx = await createModule();
      movie = qx.open(new Uint8Array(bytes), { pixels });
      sound = soundPort || null;
      if (sound) {
        sound.onmessage = ({ data }) => {
          if (movie && data.generation === generation) {
            try {
              sendSound(data.frames);
            } catch (error) {
              fail(error);
            }
          }
        };
      }
      scope.postMessage({ type: 'opened', info: movie.info });
    },
    frames({ count }) {
      sendFrames(count);
    },
    seek({ milliseconds, frame, generation: next }) {
      generation = next;
      if (frame !== undefined) {
        movie.seekFrame(frame);
      } else {
        movie.seekTime(milliseconds);
      }
      scope.postMessage({ type: 'seeked', generation });
    },
    giveBack({ buffer }) {
      if (spare.length < SPARE_BUFFERS) {
        spare.push(new Uint8Array(buffer));
      }
    },
    brightness({ percent }) {
      movie.setBrightness(percent);
    },
  };

  scope.onmessage = async ({ data }) => {
    try {
      await actions[data.type](data);
    } catch (error) {
      fail(error);
    }
  };
}

// The worker's source: the module's factory (which refers to `_scriptDir`, a name its wrapper
// defines) and the decoder's main function.
function qxDecoderSource() {
  return `var _scriptDir;\nvar createQxplay = ${createQxplay.toString()};\n` +
    `(${qxDecoderMain.toString()})(self, createQxplay);\n`;
}

let qxDecoderUrl = null;

function qxStartDecoder() {
  if (!qxDecoderUrl) {
    qxDecoderUrl = URL.createObjectURL(new Blob([qxDecoderSource()], { type: 'text/javascript' }));
  }
  return new Worker(qxDecoderUrl);
}
