#!/usr/bin/python3
"""Plays a WebM file in headless Chromium's <video> element and prints what the page saw, as
JSON: duration, picture size, where a seek to the middle landed, whether sound was decoded and
whether playing on from there reached the end. Usage: webm_in_chromium.py FILE.webm"""
import json
import pathlib
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

PAGE = """<!doctype html><video id="v" muted preload="auto" src="%s"></video>"""

# Runs in the page; the callback gets the findings, or the error the element reported.
SCRIPT = """
const done = arguments[arguments.length - 1];
const v = document.getElementById('v');
const seen = {};
const fail = (what) => done({error: what + ': ' + (v.error ? v.error.message : 'no error')});
const once = (event) => new Promise((resolve) => v.addEventListener(event, resolve, {once: true}));
v.addEventListener('error', () => fail('error'));
(async () => {
  if (v.readyState < 1) await once('loadedmetadata');
  seen.duration = v.duration;
  seen.width = v.videoWidth;
  seen.height = v.videoHeight;
  v.currentTime = v.duration / 2;
  await once('seeked');
  seen.seeked_to = v.currentTime;
  v.playbackRate = 4;
  const ended = once('ended');
  await v.play();
  await ended;
  seen.ended = v.ended;
  seen.audio_bytes = v.webkitAudioDecodedByteCount;
  seen.video_bytes = v.webkitVideoDecodedByteCount;
  done(seen);
})().catch((e) => fail(String(e)));
"""


def main():
    movie = pathlib.Path(sys.argv[1]).resolve()
    with tempfile.TemporaryDirectory() as profile:
        page = pathlib.Path(profile) / "page.html"
        page.write_text(PAGE % movie.as_uri())
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--mute-audio",
                     "--autoplay-policy=no-user-gesture-required",
                     "--allow-file-access-from-files", "--user-data-dir=" + profile):
            options.add_argument(flag)
        # The driver Debian installs: nothing is fetched.
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            driver.set_script_timeout(60)
            driver.get(page.as_uri())
            print(json.dumps(driver.execute_async_script(SCRIPT)))
        finally:
            driver.quit()


if __name__ == "__main__":
    main()
