// The page's side of the sound: an AudioContext at the movie's rate, the worklet that plays
// what the decoder sends it, and the gain that volume and mute set.
class QxSoundOutput {
  static async create(sampleRate, feedPort) {
    const context = new AudioContext({ sampleRate });
    try {
      await context.audioWorklet.addModule(qxSoundWorkletModule());
      return new QxSoundOutput(context, feedPort);
    } catch (error) {
      context.close();
      throw error;
    }
  }

  constructor(context, feedPort) {
    this.context = context;
    this.rate = context.sampleRate;
    this.node = new AudioWorkletNode(context, 'qx-sound', {
      numberOfInputs: 0, outputChannelCount: [2],
      processorOptions: { lead: Math.round(this.rate / 2) },
    });
    this.gain = new GainNode(context);
    this.node.connect(this.gain).connect(context.destination);
    this.node.port.postMessage({ type: 'feed', port: feedPort }, [feedPort]);
    this.generation = -1;
    this.report = { generation: -1, played: 0, underruns: 0, ended: false };
    this.reportAt = 0;
    this.onreport = null;
    this.node.port.onmessage = ({ data }) => {
      this.report = data;
      this.reportAt = performance.now();
      if (this.onreport) {
        this.onreport(data);
      }
    };
  }

  get running() {
    return this.context.state === 'running';
  }

  // Milliseconds of sound played since the last restart, or null before any is known.
  playedMs() {
    if (this.report.generation !== this.generation) {
      return null;
    }
    const since = this.running ? Math.min(performance.now() - this.reportAt, 50) : 0;
    return (this.report.played / this.rate) * 1000 + since;
  }

  get ended() {
    return this.report.generation === this.generation && this.report.ended;
  }

  hold() {
    this.generation = -1;
    this.node.port.postMessage({ type: 'hold' });
  }

  restart(generation) {
    this.generation = generation;
    this.report = { generation, played: 0, underruns: this.report.underruns, ended: false };
    this.node.port.postMessage({ type: 'restart', generation });
  }

  skipTo(milliseconds) {
    this.node.port.postMessage({ type: 'skip', frames: Math.round((milliseconds * this.rate) / 1000) });
  }

  setVolume(volume) {
    this.gain.gain.value = volume;
  }

  resume() {
    return this.context.resume();
  }

  suspend() {
    return this.context.suspend();
  }

  close() {
    this.node.port.onmessage = null;
    this.context.close();
  }
}
