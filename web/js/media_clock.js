// The position of a playing movie: the count of sample frames the worklet has played where
// the sound runs, a wall clock where it cannot (no sound track, an AudioContext autoplay
// rules keep suspended, the sound over before the pictures). The wall clock hands over to the
// sound once it runs, the sound joining the picture where it stands, never the other way.
class QxMediaClock {
  constructor() {
    this.sound = null;
    this.running = false;
    this.heldMs = 0; // the position while stopped
    this.baseMs = 0; // where the sound's count started
    this.wallBaseMs = 0;
    this.wallStart = 0;
    this.onSound = false;
    this.joining = null; // the position the sound was told to join at
  }

  // A new start: after opening and after every seek, the sound restarting with it.
  restart(milliseconds) {
    this.baseMs = milliseconds;
    this.heldMs = milliseconds;
    this.wallBaseMs = milliseconds;
    this.wallStart = performance.now();
    this.onSound = false;
    this.joining = null;
  }

  positionMs() {
    if (!this.running) {
      return this.heldMs;
    }
    const sound = this.sound;
    const played = sound && !sound.ended && sound.running ? sound.playedMs() : null;
    if (this.onSound) {
      if (played !== null) {
        return this.baseMs + played;
      }
      this.runOnWall(this.heldMs);
    } else if (played !== null && this.joining === null) {
      this.joining = this.wallPositionMs();
      sound.skipTo(this.joining - this.baseMs);
    } else if (played !== null && this.baseMs + played >= this.joining) {
      this.onSound = true;
      return this.baseMs + played;
    }
    return this.wallPositionMs();
  }

  wallPositionMs() {
    return this.wallBaseMs + (performance.now() - this.wallStart);
  }

  runOnWall(milliseconds) {
    this.onSound = false;
    this.joining = null;
    this.wallBaseMs = milliseconds;
    this.wallStart = performance.now();
  }

  start() {
    if (this.running) {
      return;
    }
    this.running = true;
    this.runOnWall(this.heldMs);
    // A sound that was running when the clock stopped carries on from its own count.
    const played = this.sound && this.sound.running ? this.sound.playedMs() : null;
    if (played !== null && Math.abs(this.baseMs + played - this.heldMs) < 100) {
      this.onSound = true;
    }
  }

  stop() {
    if (this.running) {
      this.heldMs = this.positionMs();
      this.running = false;
    }
  }

  // Keeps the latest position while running, for the moment the sound ends.
  note(milliseconds) {
    this.heldMs = milliseconds;
  }
}
