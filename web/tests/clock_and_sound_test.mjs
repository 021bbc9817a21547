// The media clock and the sound worklet under node, with the time and the audio thread played
// by hand: the hand-over between the wall clock and the sound, skips, underruns, and samples
// of an abandoned position.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { describe, it } from 'node:test';

// Evaluates a file of the module with `globals` in scope and returns the names asked for.
function load(file, names, globals) {
  const text = readFileSync(new URL(`../js/${file}`, import.meta.url), 'utf8');
  const make = new Function(...Object.keys(globals), `${text}\nreturn { ${names.join(', ')} };`);
  return make(...Object.values(globals));
}

const time = { now: 0 };
const performance = { now: () => time.now };
const { QxMediaClock } = load('media_clock.js', ['QxMediaClock'], { performance });

// A sound output as the clock sees it.
function fakeSound() {
  return {
    running: false, ended: false, played: null, skippedTo: null,
    playedMs() { return this.played; },
    skipTo(ms) { this.skippedTo = ms; },
  };
}

describe('QxMediaClock', () => {
  it('holds its position while stopped and runs on the wall clock without sound', () => {
    const clock = new QxMediaClock();
    time.now = 1000;
    clock.restart(2000);
    time.now = 1500;
    assert.equal(clock.positionMs(), 2000);
    clock.start();
    time.now = 1750;
    assert.equal(clock.positionMs(), 2250);
    clock.stop();
    time.now = 5000;
    assert.equal(clock.positionMs(), 2250);
  });

  it('lets a late sound join the picture where it stands, never going back', () => {
    const clock = new QxMediaClock();
    const sound = fakeSound();
    clock.sound = sound;
    time.now = 0;
    clock.restart(1000);
    clock.start();
    time.now = 400; // autoplay rules kept the sound from starting
    assert.equal(clock.positionMs(), 1400);
    sound.running = true; // a click
    sound.played = 0;
    time.now = 500;
    assert.equal(clock.positionMs(), 1500);
    assert.equal(sound.skippedTo, 500, 'the sound is told to skip what the picture played');
    time.now = 510;
    sound.played = 200; // skipping, not there yet: the wall clock goes on
    assert.equal(clock.positionMs(), 1510);
    time.now = 520;
    sound.played = 530;
    assert.equal(clock.positionMs(), 1530);
    assert.ok(clock.onSound);
    sound.played = 600;
    assert.equal(clock.positionMs(), 1600, 'then the sound alone sets the position');
  });

  it('goes on from the sound\'s last position on the wall clock once the sound is over', () => {
    const clock = new QxMediaClock();
    const sound = fakeSound();
    clock.sound = sound;
    sound.running = true;
    sound.played = 0;
    time.now = 0;
    clock.restart(0);
    clock.start();
    assert.ok(clock.onSound);
    sound.played = 900;
    clock.note(clock.positionMs());
    sound.ended = true;
    time.now = 100;
    assert.equal(clock.positionMs(), 900);
    time.now = 300;
    assert.equal(clock.positionMs(), 1100);
  });
});

// The worklet's processor, driven as the audio thread drives it.
function makeProcessor(lead = 256) {
  let Processor = null;
  class AudioWorkletProcessor {
    constructor() {
      this.port = { sent: [], postMessage(message) { this.sent.push(message); } };
    }
  }
  const { qxSoundWorklet } = load('sound_worklet.js', ['qxSoundWorklet'], {
    AudioWorkletProcessor, registerProcessor: (name, type) => { Processor = type; },
  });
  qxSoundWorklet();
  const processor = new Processor({ processorOptions: { lead } });
  const feed = { asked: [], postMessage(message) { this.asked.push(message); } };
  processor.port.onmessage({ data: { type: 'feed', port: feed } });
  processor.port.onmessage({ data: { type: 'restart', generation: 1 } });
  const send = (data) => feed.onmessage({ data });
  const render = (frames = 128) => {
    const outputs = [[new Float32Array(frames), new Float32Array(frames)]];
    processor.process([], outputs);
    return outputs[0];
  };
  return { processor, feed, send, render };
}

function stereo(frames, first = 0) {
  return Int16Array.from({ length: 2 * frames }, (_, i) => (first + (i >> 1)) * (i % 2 ? -1 : 1));
}

describe('the sound worklet', () => {
  it('plays the samples it is sent, in order, and counts them', () => {
    const { processor, feed, send, render } = makeProcessor();
    assert.equal(feed.asked[0].frames, 256, 'it asks for its lead at once');
    send({ type: 'samples', generation: 1, samples: stereo(100) });
    send({ type: 'samples', generation: 1, samples: stereo(100, 100) });
    const [left, right] = render();
    assert.equal(left[5], 5 / 32768);
    assert.equal(right[120], -120 / 32768);
    assert.equal(left[127], 127 / 32768);
    assert.equal(processor.played, 128);
    assert.equal(processor.underruns, 0);
  });

  it('counts an underrun where the decoder fell behind, but not after the end', () => {
    const { processor, send, render } = makeProcessor();
    send({ type: 'samples', generation: 1, samples: stereo(50) });
    const [left] = render();
    assert.equal(left[60], 0);
    assert.equal(processor.underruns, 1);
    send({ type: 'end', generation: 1 });
    render();
    assert.equal(processor.underruns, 1);
    assert.ok(processor.port.sent.at(-1).ended);
  });

  it('skips to where the picture stands, counting the skipped frames as played', () => {
    const { processor, send, render } = makeProcessor();
    processor.port.onmessage({ data: { type: 'skip', frames: 300 } });
    send({ type: 'samples', generation: 1, samples: stereo(256) });
    send({ type: 'samples', generation: 1, samples: stereo(256, 256) });
    const [left] = render();
    assert.equal(processor.played, 300 + 128);
    assert.equal(left[0], 300 / 32768);
  });

  it('drops the samples of a position given up by a seek, and is silent while holding', () => {
    const { processor, send, render } = makeProcessor();
    processor.port.onmessage({ data: { type: 'hold' } });
    send({ type: 'samples', generation: 1, samples: stereo(200, 1) });
    assert.ok(render()[0].every((s) => s === 0));
    processor.port.onmessage({ data: { type: 'restart', generation: 2 } });
    send({ type: 'samples', generation: 1, samples: stereo(200, 1) });
    send({ type: 'samples', generation: 2, samples: stereo(200, 7) });
    assert.equal(render()[0][0], 7 / 32768);
    assert.equal(processor.played, 128);
  });
});
