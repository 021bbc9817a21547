// The sound's way out: an AudioWorklet processor playing the movie's stereo samples as the
// decoder sends them, at the movie's own rate (the AudioContext resamples). The count of sample
// frames it has played is the clock the pictures follow.

// Runs in the AudioWorkletGlobalScope.
function qxSoundWorklet() {
  const REPORT_EVERY = 4; // render quanta between reports of the count played

  class QxSoundProcessor extends AudioWorkletProcessor {
    constructor(options) {
      super();
      this.lead = options.processorOptions.lead; // sample frames kept queued ahead
      this.feed = null;
      this.generation = -1; // none: holding, nothing asked
      this.reset();
      this.underruns = 0;
      this.quanta = 0;
      this.port.onmessage = ({ data }) => this.control(data);
    }

    reset() {
      this.queue = [];
      this.offset = 0; // samples of queue[0] already played
      this.queued = 0;
      this.asked = 0;
      this.played = 0;
      this.skip = 0;
      this.ended = false;
      this.reportedEnd = false;
    }

    control(data) {
      if (data.type === 'feed') {
        this.feed = data.port;
        this.feed.onmessage = ({ data: samples }) => this.receive(samples);
      } else if (data.type === 'restart') {
        this.reset();
        this.generation = data.generation;
        this.ask();
      } else if (data.type === 'hold') {
        this.reset();
        this.generation = -1;
      } else if (data.type === 'skip') {
        // The picture ran on a wall clock while the sound could not start: the sound joins
        // it where it stands.
        this.skip = Math.max(0, data.frames - this.played);
        this.ask();
      }
    }

    receive(data) {
      if (data.generation !== this.generation) {
        return;
      }
      if (data.type === 'end') {
        this.ended = true;
        return;
      }
      const frames = data.samples.length / 2;
      this.queue.push(data.samples);
      this.queued += frames;
      this.asked = Math.max(0, this.asked - frames);
      this.ask();
    }

    ask() {
      const wanted = this.lead + this.skip - this.queued - this.asked;
      if (this.feed && this.generation >= 0 && !this.ended && wanted >= this.lead / 4) {
        this.feed.postMessage({ generation: this.generation, frames: wanted });
        this.asked += wanted;
      }
    }

    // Up to `frames` sample frames out of the queue, handed to `take` (samples, first, count).
    drain(frames, take) {
      let done = 0;
      while (done < frames && this.queue.length > 0) {
        const samples = this.queue[0];
        const count = Math.min(frames - done, samples.length / 2 - this.offset);
        take(samples, this.offset, count, done);
        this.offset += count;
        done += count;
        if (this.offset === samples.length / 2) {
          this.queue.shift();
          this.offset = 0;
        }
      }
      this.queued -= done;
      this.played += done;
      return done;
    }

    process(inputs, outputs) {
      const left = outputs[0][0];
      const right = outputs[0][1] || left;
      if (this.skip > 0) {
        this.skip -= this.drain(this.skip, () => {});
      }
      let written = 0;
      if (this.skip === 0 && this.generation >= 0) {
        written = this.drain(left.length, (samples, first, count, at) => {
          for (let i = 0; i < count; ++i) {
            left[at + i] = samples[2 * (first + i)] / 32768;
            right[at + i] = samples[2 * (first + i) + 1] / 32768;
          }
        });
        if (written < left.length && !this.ended) {
          this.underruns += 1;
        }
      }
      left.fill(0, written);
      right.fill(0, written);
      this.ask();
      const drained = this.ended && this.queued === 0;
      if (++this.quanta % REPORT_EVERY === 0 || (drained && !this.reportedEnd)) {
        this.reportedEnd = drained;
        this.port.postMessage({
          generation: this.generation, played: this.played, underruns: this.underruns,
          ended: drained,
        });
      }
      return true;
    }
  }

  registerProcessor('qx-sound', QxSoundProcessor);
}

// The worklet's module, made like the decoder's worker from the function above. A data: URL,
// since a page opened from disk may not load worklets from blob: URLs.
function qxSoundWorkletModule() {
  return `data:text/javascript,${encodeURIComponent(`(${qxSoundWorklet.toString()})();`)}`;
}
