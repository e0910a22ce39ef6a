#!/usr/bin/env python3
"""Compares the page's still with the desktop's: compare_pictures.py DESKTOP.png WEB.png.

The browser draws through SwiftShader, the desktop through Mesa: two rasterisers that round texture
filtering, mipmap building and the edges of small dots differently, so a few pixels differ while
the picture is the same. Two limits separate that from a real fault (measured: 0.8-0.9 % RMS and
0.3-0.4 % of pixels beyond 10 % at 320x180; the 26 s still with its halftone dots missing gives 3.1 %
and 1.9 %): the RMS difference over all channels at most 1.5 % of full scale, and at most 0.75 % of
pixels with a channel more than 10 % (26 of 255) off. Prints both figures; exit status 1 beyond.
"""
import math
import subprocess
import sys

MAX_RMS = 0.015
MAX_FAR_PIXELS = 0.0075
FAR = 26


def rgb(path):
    """Width, height and the RGB bytes of a PNG (ffmpeg decodes it, as the build already needs it)."""
    probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=width,height", "-of", "csv=p=0", path],
                           check=True, capture_output=True, text=True).stdout.strip()
    width, height = (int(v) for v in probe.split(",")[:2])
    pixels = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
                             "rgb24", "-"], check=True, capture_output=True).stdout
    return width, height, pixels


def main(desktop_path, web_path):
    desktop, web = rgb(desktop_path), rgb(web_path)
    if desktop[:2] != web[:2]:
        print(f"{web_path}: {web[0]}x{web[1]}, the desktop still is {desktop[0]}x{desktop[1]}")
        return 1
    a, b = desktop[2], web[2]
    squares = sum((x - y) * (x - y) for x, y in zip(a, b))
    rms = math.sqrt(squares / len(a)) / 255
    far = sum(1 for i in range(0, len(a), 3)
              if max(abs(a[i + c] - b[i + c]) for c in range(3)) > FAR) / (len(a) // 3)
    good = rms <= MAX_RMS and far <= MAX_FAR_PIXELS
    print(f"{web_path}: RMS difference {rms:.2%} (limit {MAX_RMS:.2%}), "
          f"{far:.2%} of pixels off by more than {FAR} (limit {MAX_FAR_PIXELS:.2%}): "
          f"{'same picture' if good else 'DIFFERENT'}")
    return 0 if good else 1


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
