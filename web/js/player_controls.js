// The built-in controls of <qx-player> and its keys, which are those of `qx play`.
const QX_PLAYER_TEMPLATE = `
<style>
  :host { display: inline-block; position: relative; background: #000; color: #eee;
          font: 13px system-ui, sans-serif; width: 640px; height: 480px; outline: none; }
  .frame { position: absolute; inset: 0; display: flex; flex-direction: column; }
  canvas { flex: 1; min-height: 0; width: 100%; object-fit: contain;
           image-rendering: pixelated; }
  :host([smooth]) canvas { image-rendering: auto; }
  .message { position: absolute; top: 40%; left: 0; right: 0; text-align: center; }
  .bar { display: none; align-items: center; gap: 6px; padding: 4px 6px; background: #222; }
  .bar.shown { display: flex; }
  .bar button { background: #444; color: #eee; border: 0; padding: 3px 8px; cursor: pointer; }
  .bar .seek { flex: 1; }
  .bar .volume { width: 70px; }
  .bar .time { font-variant-numeric: tabular-nums; white-space: nowrap; }
</style>
<div class="frame">
  <canvas part="canvas"></canvas>
  <div class="message" part="message"></div>
  <div class="bar" part="controls">
    <button class="play" title="Play or pause (Space)">Play</button>
    <button class="back" title="A frame back (,)">&lt;</button>
    <button class="on" title="A frame on (.)">&gt;</button>
    <input class="seek" type="range" min="0" max="1000" step="any" value="0" title="Position">
    <span class="time">0:00 / 0:00</span>
    <button class="mute" title="Mute (m)">Mute</button>
    <input class="volume" type="range" min="0" max="1" step="0.05" value="1" title="Volume">
    <button class="darker" title="Darker (-)">-</button>
    <span class="brightness">100%</span>
    <button class="brighter" title="Brighter (+)">+</button>
    <button class="full" title="Full screen (f)">Full</button>
  </div>
</div>`;

function qxClockText(seconds) {
  if (!Number.isFinite(seconds)) {
    return '-:--';
  }
  const whole = Math.floor(seconds);
  return `${Math.floor(whole / 60)}:${String(whole % 60).padStart(2, '0')}`;
}

const QX_BRIGHTNESS_STEP = 10;

// Key -> what it does to the player, as `qx play` has it.
const QX_PLAYER_KEYS = {
  ' ': (p) => (p.paused ? p.play() : p.pause()),
  f: (p) => qxToggleFullScreen(p),
  r: (p) => { p.currentTime = 0; p.play(); },
  m: (p) => { p.muted = !p.muted; },
  '+': (p) => { p.brightness += QX_BRIGHTNESS_STEP; },
  '=': (p) => { p.brightness += QX_BRIGHTNESS_STEP; },
  '-': (p) => { p.brightness -= QX_BRIGHTNESS_STEP; },
  ArrowLeft: (p) => { p.currentTime = Math.max(0, p.currentTime - 5); },
  ArrowRight: (p) => { p.currentTime = p.currentTime + 5; },
  ArrowDown: (p) => { p.currentTime = Math.max(0, p.currentTime - 60); },
  ArrowUp: (p) => { p.currentTime = p.currentTime + 60; },
  Home: (p) => { p.currentTime = 0; },
  End: (p) => p.seekToFrame(Infinity),
  PageDown: (p) => { p.currentTime = Math.max(0, p.currentTime - p.duration / 10); },
  PageUp: (p) => { p.currentTime = p.currentTime + p.duration / 10; },
  ',': (p) => { p.pause(); p.seekToFrame(p.currentFrame - 1); },
  '.': (p) => { p.pause(); p.seekToFrame(p.currentFrame + 1); },
};

function qxToggleFullScreen(element) {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else if (element.requestFullscreen) {
    element.requestFullscreen().catch(() => {});
  }
}

class QxPlayerControls {
  constructor(player, root) {
    this.player = player;
    const $ = (selector) => root.querySelector(selector);
    this.bar = $('.bar');
    this.playButton = $('.play');
    this.seekBar = $('.seek');
    this.time = $('.time');
    this.muteButton = $('.mute');
    this.volume = $('.volume');
    this.brightness = $('.brightness');
    this.scrubbing = false;
    this.playButton.onclick = () => QX_PLAYER_KEYS[' '](player);
    $('.back').onclick = () => QX_PLAYER_KEYS[','](player);
    $('.on').onclick = () => QX_PLAYER_KEYS['.'](player);
    $('.darker').onclick = () => QX_PLAYER_KEYS['-'](player);
    $('.brighter').onclick = () => QX_PLAYER_KEYS['+'](player);
    $('.full').onclick = () => qxToggleFullScreen(player);
    this.muteButton.onclick = () => QX_PLAYER_KEYS.m(player);
    this.volume.oninput = () => { player.volume = Number(this.volume.value); };
    // The picture follows the bar while it is dragged.
    this.seekBar.oninput = () => {
      this.scrubbing = true;
      player.currentTime = (Number(this.seekBar.value) / 1000) * player.duration;
    };
    this.seekBar.onchange = () => { this.scrubbing = false; };
    player.addEventListener('keydown', (event) => this.key(event));
    player.addEventListener('timeupdate', () => this.update());
  }

  key(event) {
    const action = QX_PLAYER_KEYS[event.key];
    if (!action || event.ctrlKey || event.altKey || event.metaKey || !this.player.movieInfo) {
      return;
    }
    event.preventDefault();
    action(this.player);
  }

  show(on) {
    this.bar.classList.toggle('shown', on);
  }

  update() {
    const p = this.player;
    const time = p.currentTime;
    this.playButton.textContent = p.paused ? 'Play' : 'Pause';
    this.muteButton.textContent = p.muted ? 'Unmute' : 'Mute';
    this.volume.value = String(p.volume);
    this.brightness.textContent = `${p.brightness}%`;
    this.time.textContent = `${qxClockText(time)} / ${qxClockText(p.duration)}`;
    if (!this.scrubbing && p.duration > 0) {
      this.seekBar.value = String((time / p.duration) * 1000);
    }
  }
}
