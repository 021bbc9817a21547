"""Test movies for the browser checks, made by the native `qx encode`, and what the native
`qx export` makes of them: the references the WebAssembly player must give byte for byte."""
import hashlib
import math
import os
import struct
import subprocess
import wave

WIDTH, HEIGHT, FRAMES, FPS, RATE = 64, 48, 30, 15, 22050

# name -> qx encode options; each with stereo sound unless it says --no-audio.
MOVIES = {
    'rkd_pcm.rkd': ['--video', 'rkd', '--audio', 'pcm'],
    'mnb_ima.mnb': ['--video', 'mnb', '--audio', 'ima'],
    'zle_xa.zle': ['--video', 'zle', '--audio', 'xa'],
    'zle_silent.zle': ['--video', 'zle', '--no-audio'],
}
# Display formats `qx export --raw` writes each movie's frames in.
DISPLAYS = {'rkd_pcm.rkd': ['rgb565', 'rgb555', 'rgb888', 'pal8']}
DEFAULT_DISPLAYS = ['rgb565', 'rgb555', 'rgb888']


def write_y4m(path):
    """A moving pattern with edges and flat areas, so every kind of block turns up."""
    with open(path, 'wb') as out:
        out.write(b'YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg\n' % (WIDTH, HEIGHT, FPS))
        for f in range(FRAMES):
            luma = bytes((x * 4 + y * 2 + f * 6) % 256 if (x // 8 + y // 8 + f // 4) % 3
                         else 40 for y in range(HEIGHT) for x in range(WIDTH))
            cb = bytes((128 + x * 3 - f * 2) % 256 for y in range(HEIGHT // 2)
                       for x in range(WIDTH // 2))
            cr = bytes((90 + y * 5 + f) % 256 for y in range(HEIGHT // 2)
                       for x in range(WIDTH // 2))
            out.write(b'FRAME\n' + luma + cb + cr)


def write_wav(path):
    seconds = FRAMES / FPS
    with wave.open(path, 'wb') as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b''.join(
            struct.pack('<hh', int(9000 * math.sin(i * 0.031)), int(7000 * math.sin(i * 0.047)))
            for i in range(int(seconds * RATE))))


def read(path):
    with open(path, 'rb') as file:
        return file.read()


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def widen_565(raw):
    """RGBA from 5-6-5 pixels, each component widened by repeating its bits."""
    out = bytearray()
    for (pixel,) in struct.iter_unpack('<H', raw):
        r, g, b = pixel >> 11, (pixel >> 5) & 63, pixel & 31
        out += bytes(((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2), 255))
    return bytes(out)


def make_movies(qx, folder):
    """Encodes the movies into `folder` and returns, per movie, the hashes of the exported
    frames per display format (and 'rgba'), of the exported sound, and its sample frames."""
    y4m, wav = os.path.join(folder, 'clip.y4m'), os.path.join(folder, 'sound.wav')
    write_y4m(y4m)
    write_wav(wav)
    references = {}
    for name, options in MOVIES.items():
        movie = os.path.join(folder, name)
        sound = [] if '--no-audio' in options else ['--audio-in', wav]
        subprocess.run([qx, 'encode', movie, '-i', y4m, '--fps', str(FPS)] + sound + options,
                       check=True, capture_output=True)
        reference = {'frames': {}}
        for display in DISPLAYS.get(name, DEFAULT_DISPLAYS):
            out = os.path.join(folder, f'{name}.{display}')
            subprocess.run([qx, 'export', movie, out, '--raw', '--wav', '--display', display],
                           check=True, capture_output=True)
            raws = sorted(f for f in os.listdir(out) if f.endswith('.raw'))
            frames = [read(os.path.join(out, f)) for f in raws]
            reference['frames'][display] = [sha256(f) for f in frames]
            if display == 'rgb565':
                reference['frames']['rgba'] = [sha256(widen_565(f)) for f in frames]
            if os.path.exists(os.path.join(out, 'audio.wav')):
                with wave.open(os.path.join(out, 'audio.wav')) as exported:
                    data = exported.readframes(exported.getnframes())
                reference['sound'] = sha256(data)
                reference['sound_frames'] = len(data) // 4
        references[name] = reference
    return references
