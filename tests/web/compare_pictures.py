#!/usr/bin/env python3
"""Compares the page's still with the desktop's: compare_pictures.py DESKTOP.png WEB.png.

The browser draws through SwiftShader, the desktop through Mesa: two rasterisers that round texture
filtering, mipmap building and the edges of the halftone's dots (a pixel or two wide at 320x180)
differently, so single pixels differ while the picture is the same. Those differences average out
over 4x4 blocks, a missing or misplaced shape does not, so the pictures are compared block by block:
the RMS difference over all channels at most 1 % of full scale, and at most 0.25 % of blocks with a
channel more than 10 % (26 of 255) off. Measured at 320x180: the stills at 6, 26, 40, 47 and 60 s
give 0.4-0.8 % and 0-0.06 %; the 26 s still with its halftone dots missing gives 1.65 % and 0.56 %.
Prints both figures; exit status 1 beyond either limit.
"""
import math
import subprocess
import sys

BLOCK = 4
MAX_RMS = 0.010
MAX_FAR_BLOCKS = 0.0025
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


def blocks(width, height, pixels):
    """The mean of each channel over each BLOCK x BLOCK block."""
    means = []
    for y in range(0, height - BLOCK + 1, BLOCK):
        for x in range(0, width - BLOCK + 1, BLOCK):
            for c in range(3):
                means.append(sum(pixels[((y + dy) * width + x + dx) * 3 + c]
                                 for dy in range(BLOCK) for dx in range(BLOCK)) / BLOCK ** 2)
    return means


def main(desktop_path, web_path):
    desktop, web = rgb(desktop_path), rgb(web_path)
    if desktop[:2] != web[:2]:
        print(f"{web_path}: {web[0]}x{web[1]}, the desktop still is {desktop[0]}x{desktop[1]}")
        return 1
    a, b = blocks(*desktop), blocks(*web)
    rms = math.sqrt(sum((x - y) * (x - y) for x, y in zip(a, b)) / len(a)) / 255
    far = sum(1 for i in range(0, len(a), 3)
              if max(abs(a[i + c] - b[i + c]) for c in range(3)) > FAR) / (len(a) // 3)
    good = rms <= MAX_RMS and far <= MAX_FAR_BLOCKS
    print(f"{web_path}: over {BLOCK}x{BLOCK} blocks, RMS difference {rms:.2%} (limit {MAX_RMS:.2%}), "
          f"{far:.2%} of blocks off by more than {FAR} (limit {MAX_FAR_BLOCKS:.2%}): "
          f"{'same picture' if good else 'DIFFERENT'}")
    return 0 if good else 1


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
