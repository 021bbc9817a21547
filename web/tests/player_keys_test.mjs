// The player's keys, as `qx play` has them, on a stand-in for the element.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { describe, it } from 'node:test';

const text = readFileSync(new URL('../js/player_controls.js', import.meta.url), 'utf8');
const { QX_PLAYER_KEYS, qxClockText } =
  new Function('document', `${text}\nreturn { QX_PLAYER_KEYS, qxClockText };`)({});

function fakePlayer(currentTime = 30) {
  return {
    currentTime, duration: 100, paused: true, muted: false, brightness: 100, currentFrame: 40,
    steps: [],
    play() { this.paused = false; },
    pause() { this.paused = true; },
    seekToFrame(frame) { this.steps.push(frame); },
  };
}

function press(key, player) {
  QX_PLAYER_KEYS[key](player);
  return player;
}

describe('the player keys', () => {
  it('seek by 5 s, 60 s and a tenth, never before the start', () => {
    assert.equal(press('ArrowRight', fakePlayer()).currentTime, 35);
    assert.equal(press('ArrowLeft', fakePlayer()).currentTime, 25);
    assert.equal(press('ArrowUp', fakePlayer()).currentTime, 90);
    assert.equal(press('ArrowDown', fakePlayer()).currentTime, 0);
    assert.equal(press('ArrowLeft', fakePlayer(3)).currentTime, 0);
    assert.equal(press('PageUp', fakePlayer()).currentTime, 40);
    assert.equal(press('PageDown', fakePlayer(5)).currentTime, 0);
    assert.equal(press('Home', fakePlayer()).currentTime, 0);
    assert.deepEqual(press('End', fakePlayer()).steps, [Infinity]);
  });

  it('step a frame back and on, pausing first', () => {
    const player = fakePlayer();
    player.paused = false;
    press(',', player);
    assert.ok(player.paused);
    press('.', player);
    assert.deepEqual(player.steps, [39, 41]);
  });

  it('toggle pause and mute, restart, and change the brightness by steps', () => {
    const player = fakePlayer();
    press(' ', player);
    assert.equal(player.paused, false);
    press(' ', player);
    assert.equal(player.paused, true);
    assert.equal(press('m', player).muted, true);
    assert.equal(press('+', player).brightness, 110);
    assert.equal(press('-', press('-', player)).brightness, 90);
    const restarted = press('r', fakePlayer());
    assert.equal(restarted.currentTime, 0);
    assert.equal(restarted.paused, false);
  });
});

describe('the time shown', () => {
  it('is minutes and seconds, and a dash while unknown', () => {
    assert.equal(qxClockText(0), '0:00');
    assert.equal(qxClockText(59.99), '0:59');
    assert.equal(qxClockText(754.2), '12:34');
    assert.equal(qxClockText(NaN), '-:--');
  });
});
