"""The web player in headless Chromium: the module decodes every test movie as the native
export does, the element plays, seeks and ends as a media element, the page takes dropped
files and stands up to hostile ones, and memory comes back."""
import base64
import functools
import http.server
import os
import random
import shutil
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

import movies

HERE = os.path.dirname(os.path.abspath(__file__))


def chromium(autoplay='no-user-gesture-required'):
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for argument in ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
                     '--no-first-run', '--disable-background-networking',
                     '--disable-component-update', '--disable-sync',
                     f'--autoplay-policy={autoplay}',
                     '--enable-precise-memory-info', '--js-flags=--expose-gc',
                     f'--user-data-dir={tempfile.mkdtemp(prefix="qx-chromium-")}']:
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    driver.set_script_timeout(120)
    return driver


class BrowserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        web, qx = os.environ['QX_WEB'], os.environ['QX_TOOL']  # build-web, the native qx
        cls.folder = tempfile.mkdtemp(prefix='qx-web-')
        cls.references = movies.make_movies(qx, cls.folder)
        for name in ['qxplay.mjs', 'index.html']:
            shutil.copy(os.path.join(web, name), cls.folder)
        shutil.copy(os.path.join(HERE, 'harness.html'), cls.folder)
        handler = functools.partial(QuietHandler, directory=cls.folder)
        cls.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.base = f'http://127.0.0.1:{cls.server.server_address[1]}'
        cls.driver = chromium()

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def open_harness(self):
        self.driver.get(f'{self.base}/harness.html')
        self.run_js('return await qxReady;')

    def run_js(self, body, *args):
        """Runs `body` as an async function of `args`; returns its result or raises its error."""
        result = self.driver.execute_async_script(
            'const done = arguments[arguments.length - 1];'
            f'(async (...args) => {{ {body} }})(...Array.from(arguments).slice(0, -1))'
            '.then((value) => done({ value }), (error) => done({ error: String(error) }));',
            *args)
        if 'error' in result:
            raise AssertionError(result['error'])
        return result.get('value')

    def wait_for(self, condition, seconds=30):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            value = self.run_js(f'return {condition};')
            if value:
                return value
            time.sleep(0.1)
        self.fail(f'not so after {seconds} s: {condition}')

    # --- the module: bytes as the native export gives them ---

    def test_every_frame_and_the_sound_equal_the_native_export(self):
        self.open_harness()
        for name, reference in self.references.items():
            for pixels, hashes in reference['frames'].items():
                with self.subTest(movie=name, pixels=pixels):
                    got = self.run_js('return await decodeAll(...args);', name, pixels)
                    self.assertEqual([f['hash'] for f in got['frames']], hashes)
                    self.assertEqual([f['index'] for f in got['frames']], list(range(len(hashes))))
                    self.assertTrue(any(f['reused'] for f in got['frames']),
                                    'a frame must have been decoded into a given buffer')
                    if 'sound' in reference:
                        self.assertEqual(got['sound'], reference['sound'])
                        self.assertEqual(got['soundFrames'], reference['sound_frames'])
                    else:
                        self.assertEqual(got['soundFrames'], 0)
                        self.assertIsNone(got['info']['audio'])

    def test_seeks_give_the_frame_decoding_from_the_start_gives(self):
        self.open_harness()
        for name in ['rkd_pcm.rkd', 'zle_xa.zle']:
            hashes = self.references[name]['frames']['rgb565']
            targets = [17, 0, len(hashes) - 1, 3, 3, 29 // 2]
            got = self.run_js('''
                const [name, targets] = args;
                const movie = qx.open(await fetchBytes(name), { pixels: 'rgb565' });
                const out = [];
                for (const target of targets) {
                  movie.seekFrame(target);
                  const frame = movie.nextFrame();
                  out.push([frame.index, await sha256(frame.pixels)]);
                }
                let past = null;
                try { movie.seekFrame(10000); } catch (error) { past = error.message; }
                movie.close();
                return { out, past };''', name, targets)
            self.assertEqual(got['out'], [[t, hashes[t]] for t in targets])
            self.assertTrue(got['past'], 'a seek past the end must fail')

    def test_a_file_that_is_not_a_movie_throws_the_interface_text(self):
        self.open_harness()
        message = self.run_js('''
            try { qx.open(new Uint8Array([1, 2, 3, 4, 5, 6, 7, 8, 9, 10])); }
            catch (error) { return error.message; }
            return null;''')
        self.assertTrue(message)
        with self.assertRaises(AssertionError):
            self.run_js("qx.open(new Uint8Array(8), { pixels: 'yuv' });")

    def test_opening_and_closing_fifty_movies_gives_the_memory_back(self):
        self.open_harness()
        sizes = self.run_js('''
            const bytes = await fetchBytes('mnb_ima.mnb');
            const sizes = [];
            for (let i = 0; i < 50; ++i) {
              const movie = qx.open(bytes);
              while (movie.nextFrame()) {}
              movie.readAudio(100000);
              movie.close();
              sizes.push(qx.HEAPU8.length);
            }
            return sizes;''')
        self.assertEqual(sizes[49], sizes[4], 'the WebAssembly memory kept growing')

    # --- the element ---

    def load_element(self, name):
        self.open_harness()
        self.run_js('''
            const player = document.getElementById('player');
            window.seen = { ended: 0, times: [], events: [] };
            for (const type of ['play', 'playing', 'pause', 'seeking', 'seeked', 'ended',
                                'loadedmetadata', 'error']) {
              player.addEventListener(type, () => seen.events.push(type));
            }
            player.addEventListener('ended', () => { seen.ended += 1; });
            player.addEventListener('timeupdate', () =>
              seen.times.push([player.currentTime, performance.now() / 1000]));
            await player.load(await fetchBytes(args[0]));''', name)

    def test_the_element_plays_a_movie_with_sound_to_its_end_at_its_pace(self):
        self.load_element('mnb_ima.mnb')
        duration = self.run_js('return document.getElementById("player").duration;')
        self.run_js('await document.getElementById("player").play();')
        self.wait_for('seen.ended > 0', seconds=duration * 3 + 10)
        time.sleep(0.5)
        seen = self.run_js('return seen;')
        player = self.run_js('''const p = document.getElementById('player');
            return { ended: p.ended, paused: p.paused, time: p.currentTime,
                     stats: p.getPlaybackStats() };''')
        self.assertEqual(seen['ended'], 1)
        self.assertTrue(player['ended'] and player['paused'])
        self.assertAlmostEqual(player['time'], duration, places=3)
        times = [t for t, _ in seen['times']]
        self.assertEqual(times, sorted(times), 'the position went back')
        playing = [(t, wall) for t, wall in seen['times'] if 0 < t < duration]
        media = playing[-1][0] - playing[0][0]
        wall = playing[-1][1] - playing[0][1]
        self.assertGreater(media, duration / 2)
        self.assertLess(abs(media - wall), 0.25 * wall + 0.1, 'the picture does not keep pace')
        self.assertEqual(player['stats']['framesDecoded'], movies.FRAMES)
        self.assertIn('playing', seen['events'])
        # The last picture, decoded into a buffer the page had drawn and given back, is on the
        # canvas as the export widens it.
        shown = self.run_js('''const canvas = document.getElementById('player')._canvas;
            const { data } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
            return await sha256(new Uint8Array(data.buffer));''')
        self.assertEqual(shown, self.references['mnb_ima.mnb']['frames']['rgba'][-1])

    def test_under_autoplay_rules_the_wall_clock_runs_until_a_click_lets_the_sound_join(self):
        driver, self.driver = self.driver, chromium(autoplay='document-user-activation-required')
        try:
            self.load_element('mnb_ima.mnb')
            self.run_js('await document.getElementById("player").play();')
            time.sleep(0.5)
            before = self.run_js('''const p = document.getElementById('player');
                return [p.currentTime, p._sound.context.state];''')
            self.assertGreater(before[0], 0.3, 'the picture waited for the sound')
            self.assertEqual(before[1], 'suspended')
            self.driver.find_element(By.ID, 'player').click()
            self.wait_for('document.getElementById("player")._clock.onSound', seconds=10)
            joined = self.run_js('return document.getElementById("player")._sound.playedMs();')
            # The sound joined the picture where it stood rather than starting from 0.
            self.assertGreater(joined / 1000, before[0])
            self.wait_for('seen.ended === 1', seconds=10)
        finally:
            self.driver.quit()
            self.driver = driver

    def test_a_picture_that_falls_behind_drops_frames_not_sound(self):
        self.load_element('mnb_ima.mnb')
        stats = self.run_js('''
            const player = document.getElementById('player');
            await player.play();
            await new Promise((resolve) => setTimeout(resolve, 300));
            // The page's thread is busy for a while: the sound plays on regardless.
            for (const end = performance.now() + 600; performance.now() < end;) {}
            await new Promise((resolve) => player.addEventListener('ended', resolve,
                                                                 { once: true }));
            return player.getPlaybackStats();''')
        self.assertGreaterEqual(stats['framesDropped'], 4)
        self.assertEqual(stats['framesShown'] + stats['framesDropped'], movies.FRAMES)
        self.assertEqual(stats['framesDecoded'], movies.FRAMES)

    def test_a_page_drives_the_element_by_its_src_as_it_would_a_video(self):
        self.open_harness()
        got = self.run_js('''
            const player = document.createElement('qx-player');
            player.src = 'zle_xa.zle';
            document.body.append(player);
            await new Promise((resolve) => player.addEventListener('loadedmetadata', resolve));
            const before = [player.duration, player.videoWidth, player.videoHeight,
                            player.readyState >= 1, player.paused];
            let ended = 0;
            player.addEventListener('ended', () => { ended += 1; });
            await player.play();
            await new Promise((resolve) => player.addEventListener('ended', resolve,
                                                                 { once: true }));
            // Play after the end starts again from the beginning, as a video does.
            await player.play();
            await new Promise((resolve) => setTimeout(resolve, 300));
            const again = [player.ended, player.paused, player.currentTime];
            player.remove();
            return { before, ended, again };''')
        self.assertEqual(got['before'], [2.0, movies.WIDTH, movies.HEIGHT, True, True])
        self.assertEqual(got['ended'], 1)
        self.assertFalse(got['again'][0] or got['again'][1])
        self.assertLess(got['again'][2], 1.0)

    def test_a_missing_src_fires_error_with_a_message(self):
        self.open_harness()
        message = self.run_js('''
            const player = document.getElementById('player');
            player.src = 'no-such-movie.mnb';
            await new Promise((resolve) => player.addEventListener('error', resolve,
                                                                 { once: true }));
            return player.error.message;''')
        self.assertIn('404', message)

    def test_setting_current_time_seeks_exactly_and_announces_it(self):
        self.load_element('zle_silent.zle')
        got = self.run_js('''
            const player = document.getElementById('player');
            player.currentTime = 1.0;
            await new Promise((resolve) => player.addEventListener('seeked', resolve,
                                                                 { once: true }));
            return [player.currentFrame, player.currentTime, player.seeking];''')
        self.assertEqual(got[0], 15)  # the frame shown at 1 s, at 15 frames a second
        self.assertAlmostEqual(got[1], 1.0, places=3)
        self.assertFalse(got[2])
        self.assertEqual(self.run_js('return seen.events;')[-2:], ['seeking', 'seeked'])

    def test_the_controls_respond_to_clicks_and_keys(self):
        self.load_element('rkd_pcm.rkd')
        player = self.driver.find_element(By.ID, 'player')
        controls = player.shadow_root
        controls.find_element(By.CSS_SELECTOR, '.play').click()
        self.wait_for('!document.getElementById("player").paused')
        controls.find_element(By.CSS_SELECTOR, '.play').click()
        self.wait_for('document.getElementById("player").paused')
        start = self.run_js('return document.getElementById("player").currentFrame;')
        player.send_keys('.')
        self.wait_for(f'document.getElementById("player").currentFrame === {start + 1}')
        player.send_keys(',')
        self.wait_for(f'document.getElementById("player").currentFrame === {start}')
        player.send_keys('m')
        self.wait_for('document.getElementById("player").muted')
        controls.find_element(By.CSS_SELECTOR, '.brighter').click()
        self.assertEqual(self.run_js('return document.getElementById("player").brightness;'), 110)
        player.send_keys(' ')
        self.wait_for('!document.getElementById("player").paused')

    def test_fifty_loads_and_closes_leave_the_page_memory_flat(self):
        self.load_element('mnb_ima.mnb')
        heaps = self.run_js('''
            const player = document.getElementById('player');
            const bytes = await fetchBytes('mnb_ima.mnb');
            const heaps = [];
            for (let i = 0; i < 50; ++i) {
              await player.load(bytes);
              await player.play();
              await new Promise((resolve) => setTimeout(resolve, 20));
              player.close();
              if (i === 4 || i === 49) {
                gc();
                heaps.push(performance.memory.usedJSHeapSize);
              }
            }
            return heaps;''')
        self.assertLess(heaps[1] - heaps[0], 4 << 20, f'the page kept {heaps}')

    # --- the page, opened from disk ---

    def open_page(self):
        self.driver.get('file://' + os.path.join(self.folder, 'index.html'))
        self.wait_for('customElements.get("qx-player") !== undefined')

    def drop(self, data, name):
        self.run_js('''
            const [text, name] = args;
            const bytes = Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
            const transfer = new DataTransfer();
            transfer.items.add(new File([bytes], name));
            document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer,
                                                               bubbles: true }));''',
                    base64.b64encode(data).decode(), name)

    def test_the_page_plays_a_dropped_file(self):
        self.open_page()
        self.drop(movies.read(os.path.join(self.folder, 'zle_xa.zle')), 'clip.zle')
        self.wait_for('document.getElementById("player").currentFrame > 3')
        self.assertIn('zle', self.run_js('return document.getElementById("info").textContent;'))

    def test_hostile_files_give_a_message_and_never_hang_the_page(self):
        self.open_page()
        movie = movies.read(os.path.join(self.folder, 'mnb_ima.mnb'))
        noise = random.Random(5)
        self.drop(bytes(noise.randrange(256) for _ in range(5000)), 'noise.mnb')
        self.wait_for('document.getElementById("status").classList.contains("problem")')
        damaged = bytearray(movie)
        for at in range(len(movie) // 3, len(movie) // 3 + 2000, 7):
            damaged[at] = noise.randrange(256)
        for data in [bytes(damaged), movie[:len(movie) // 2], movie[:9],
                     movie[:4] + b'\xff\xff\xff\x7f' + movie[8:]]:
            self.drop(data, 'hostile.mnb')
            # Played past its damage, or refused with a line on the page: either way the
            # page answers and the player does not stay stuck on the way.
            self.wait_for('document.getElementById("player").ended || '
                          'document.getElementById("status").classList.contains("problem")',
                          seconds=40)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.mjs': 'text/javascript'}

    def log_message(self, *args):
        pass


if __name__ == '__main__':
    unittest.main()
