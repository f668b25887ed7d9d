#!/usr/bin/env bash
# Draws the demo game's sprite sheet and makes its sounds. The results are kept
# in game/res/, so running the game needs neither python3 nor sox; run this
# again after changing a drawing or a sound.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
textures="$root/game/res/textures"
audio="$root/game/res/audio"

python3 - "$textures/orv_demo.png" <<'PY'
import math, struct, sys, zlib

W, H = 320, 32
img = [[(0, 0, 0, 0)] * W for _ in range(H)]

def put(x, y, c):
    if 0 <= x < W and 0 <= y < H:
        img[y][x] = c

def disc(cx, cy, r, c, ox):
    for y in range(32):
        for x in range(32):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                put(ox + x, y, c)

def rect(x0, y0, x1, y1, c, ox):
    for y in range(y0, y1):
        for x in range(x0, x1):
            put(ox + x, y, c)

# The hero, two walking frames: legs apart, then together.
for frame, legs in ((0, (9, 19)), (1, (12, 16))):
    ox = frame * 32
    for lx in legs:
        rect(lx, 22, lx + 4, 30, (40, 40, 90, 255), ox)
    disc(16, 15, 9, (235, 130, 40, 255), ox)
    disc(16, 7, 5, (250, 210, 170, 255), ox)
    put(ox + 14, 6, (0, 0, 0, 255)); put(ox + 18, 6, (0, 0, 0, 255))

# Grass: speckled green.
ox = 64
for y in range(32):
    for x in range(32):
        n = (x * 7 + y * 13 + (x * y) % 5) % 9
        put(ox + x, y, (40 + n * 4, 120 + n * 6, 50, 255))

# Wall: grey bricks with darker mortar.
ox = 96
for y in range(32):
    for x in range(32):
        shift = 8 if (y // 8) % 2 else 0
        mortar = y % 8 == 7 or (x + shift) % 16 == 15
        put(ox + x, y, (70, 70, 78, 255) if mortar else (150, 148, 140, 255))

# Crate: brown planks with a cross.
ox = 128
for y in range(32):
    for x in range(32):
        edge = x < 3 or y < 3 or x > 28 or y > 28
        cross = abs(x - y) < 2 or abs(x + y - 31) < 2
        put(ox + x, y, (90, 55, 20, 255) if edge or cross else (170, 115, 55, 255))

# Spark: a soft white-yellow dot.
ox = 160
for y in range(32):
    for x in range(32):
        d = math.hypot(x - 15.5, y - 15.5)
        if d < 15:
            a = int(255 * (1 - d / 15))
            put(ox + x, y, (255, 240, 160, a))

# Button faces (up, hovered, pressed) and a plain white square that the bar
# tints.
for ox, face in ((192, (60, 90, 160)), (224, (90, 130, 210)), (256, (40, 60, 110))):
    for y in range(32):
        for x in range(32):
            edge = x < 2 or y < 2 or x > 29 or y > 29
            put(ox + x, y, (200, 210, 230, 255) if edge else face + (255,))
rect(0, 0, 32, 32, (255, 255, 255, 255), 288)

raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in img)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY

# A short blip, and a few seconds of a soft two-voice tune for the music.
sox -R -n -r 22050 -b 16 -c 1 "$audio/blip.wav" synth 0.12 square 880 fade 0 0.12 0.08 vol 0.4
notes=(220 277 330 277 247 311 370 311)
parts=()
for i in "${!notes[@]}"; do
  parts+=("$audio/.note$i.wav")
  sox -R -n -r 11025 -b 16 -c 1 "$audio/.note$i.wav" synth 0.5 sine "${notes[$i]}" sine "$((notes[i] * 2))" \
    remix - fade 0.02 0.5 0.2 vol 0.3
done
sox -R "${parts[@]}" "$audio/music.wav"
rm -f "${parts[@]}"
