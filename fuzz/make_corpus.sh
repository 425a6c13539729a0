#!/usr/bin/env bash
# Makes the seed corpora of the picture-reader fuzzers (fuzz/corpus/{bmp,pcx,pnm,png,jpeg}_fuzz)
# and the tool-written sample pictures of the tests (tests/data/images) from small pictures
# drawn here, written by ImageMagick and netpbm. Run from anywhere; needs imagemagick and netpbm.
# The files are committed; run again only to change them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=$root/fuzz/corpus
samples=$root/tests/data/images
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for d in bmp pcx pnm png jpeg; do
  rm -rf "$corpus/${d}_fuzz"
  mkdir -p "$corpus/${d}_fuzz"
done
mkdir -p "$samples"

# ImageMagick without dates, comments or profiles, so the files do not change between runs.
im() { convert "$@"; }
strip=(-strip +set date:create +set date:modify -define png:exclude-chunks=date,time)

# Source pictures: a colour gradient, a grey gradient, twelve-colour blocks, black and white.
python3 - "$tmp" <<'PY'
import sys
d = sys.argv[1]
w, h = 8, 6
grad = b''.join(bytes((x * 32, y * 40, 90)) for y in range(h) for x in range(w))
open(f'{d}/grad.ppm', 'wb').write(b'P6\n8 6\n255\n' + grad)
grey = bytes(x * 30 + y * 5 for y in range(h) for x in range(w))
open(f'{d}/grey.pgm', 'wb').write(b'P5\n8 6\n255\n' + grey)
cols = [(255, 0, 0), (0, 200, 0), (0, 0, 255), (255, 255, 0), (0, 0, 0), (255, 255, 255),
        (120, 60, 30), (17, 170, 220), (128, 128, 128), (250, 128, 200), (40, 80, 40), (90, 0, 160)]
blocks = b''.join(bytes(cols[(x // 2 + y // 2 * 5) % 12]) for y in range(h) for x in range(w))
open(f'{d}/blocks.ppm', 'wb').write(b'P6\n8 6\n255\n' + blocks)
bw = bytes(255 if (x * y + x) % 3 == 0 else 0 for y in range(h) for x in range(w))
open(f'{d}/bw.pgm', 'wb').write(b'P5\n8 6\n255\n' + bw)
# Larger smooth pictures for the JPEG samples of the tests.
sw, sh = 48, 32
smooth = b''.join(bytes((x * 5, y * 7, 90)) for y in range(sh) for x in range(sw))
open(f'{d}/smooth.ppm', 'wb').write(b'P6\n48 32\n255\n' + smooth)
smoothGrey = bytes(x * 3 + y * 3 for y in range(sh) for x in range(sw))
open(f'{d}/smooth.pgm', 'wb').write(b'P5\n48 32\n255\n' + smoothGrey)
PY
im "$tmp/bw.pgm" -monochrome "$tmp/bw.pbm"

b=$corpus/bmp_fuzz
im "$tmp/grad.ppm" "${strip[@]}" BMP3:"$b/rgb24.bmp"
im "$tmp/grad.ppm" "${strip[@]}" -type Palette BMP3:"$b/pal8.bmp"
im "$tmp/blocks.ppm" "${strip[@]}" -type Palette -compress RLE BMP3:"$b/rle8.bmp"
im "$tmp/bw.pbm" "${strip[@]}" -type Bilevel BMP3:"$b/mono.bmp"
im "$tmp/grad.ppm" "${strip[@]}" -define bmp:format=bmp4 -type TrueColorAlpha BMP:"$b/v4_32.bmp"
ppmtobmp -os2 "$tmp/blocks.ppm" >"$b/os2.bmp" 2>/dev/null
ppmtobmp -bpp=4 "$tmp/blocks.ppm" >"$b/pal4.bmp" 2>/dev/null
# RLE4 and a top-down 16-bit picture, written byte by byte.
python3 - "$b" <<'PY'
import struct, sys
d = sys.argv[1]
def bmp(bits, w, h, comp, pal, data, masks=b''):
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, comp, len(data), 2835, 2835, len(pal), 0) + masks
    info += b''.join(bytes((c[2], c[1], c[0], 0)) for c in pal)
    off = 14 + len(info)
    return b'BM' + struct.pack('<IHHI', off + len(data), 0, 0, off) + info + data
pal = [(i * 16, 255 - i * 16, i * 8) for i in range(16)]
rle4 = bytes([5, 0x12, 0, 3, 0xAB, 0xC0, 0, 0, 0, 2, 1, 1, 4, 0x77, 0, 0, 6, 0x34, 0, 1])
open(f'{d}/rle4.bmp', 'wb').write(bmp(4, 8, 3, 2, pal, rle4))
px = b''.join(struct.pack('<H', (x * 4) << 11 | (y * 10) << 5 | 9) for y in range(3) for x in range(4))
open(f'{d}/topdown565.bmp', 'wb').write(bmp(16, 4, -3, 3, [], px, struct.pack('<III', 0xF800, 0x07E0, 0x001F)))
PY

p=$corpus/png_fuzz
im "$tmp/grad.ppm" "${strip[@]}" PNG24:"$p/rgb.png"
im "$tmp/grad.ppm" "${strip[@]}" -interlace PNG PNG24:"$p/interlaced.png"
im "$tmp/grad.ppm" "${strip[@]}" -depth 16 PNG48:"$p/rgb16.png"
im "$tmp/grad.ppm" "${strip[@]}" -alpha set -channel A -evaluate set 50% PNG32:"$p/rgba.png"
im "$tmp/blocks.ppm" "${strip[@]}" PNG8:"$p/palette.png"
im "$tmp/grey.pgm" "${strip[@]}" -depth 16 PNG:"$p/grey16.png"
im "$tmp/bw.pbm" "${strip[@]}" PNG:"$p/mono.png"
pnmtopng -interlace -gamma=1.0 "$tmp/grey.pgm" >"$p/grey_gamma.png" 2>/dev/null
im "$tmp/grey.pgm" "${strip[@]}" -depth 2 PNG:"$p/grey2.png"

j=$corpus/jpeg_fuzz
im "$tmp/grad.ppm" "${strip[@]}" -quality 80 JPEG:"$j/baseline.jpg"
im "$tmp/grad.ppm" "${strip[@]}" -quality 80 -interlace Plane JPEG:"$j/progressive.jpg"
im "$tmp/grey.pgm" "${strip[@]}" -quality 80 JPEG:"$j/grey.jpg"
im "$tmp/grad.ppm" "${strip[@]}" -quality 80 -colorspace CMYK JPEG:"$j/cmyk.jpg"
pnmtojpeg --progressive --quality=80 --restart=1 "$tmp/grad.ppm" >"$j/restart.jpg" 2>/dev/null

c=$corpus/pcx_fuzz
im "$tmp/grad.ppm" "${strip[@]}" PCX:"$c/rgb24.pcx"
im "$tmp/blocks.ppm" "${strip[@]}" -type Palette PCX:"$c/pal8.pcx"
ppmtopcx "$tmp/bw.pbm" >"$c/mono.pcx" 2>/dev/null
ppmtopcx -planes=4 "$tmp/blocks.ppm" >"$c/planes4.pcx" 2>/dev/null
ppmtopcx -packed "$tmp/blocks.ppm" >"$c/packed4.pcx" 2>/dev/null || true

n=$corpus/pnm_fuzz
pnmtoplainpnm "$tmp/bw.pbm" >"$n/plain.pbm"
pnmtoplainpnm "$tmp/grey.pgm" >"$n/plain.pgm"
pnmtoplainpnm "$tmp/blocks.ppm" >"$n/plain.ppm"
cp "$tmp/bw.pbm" "$n/raw.pbm"
cp "$tmp/grey.pgm" "$n/raw.pgm"
cp "$tmp/grad.ppm" "$n/raw.ppm"
im "$tmp/grey.pgm" -depth 16 PGM:"$n/grey16.pgm"
printf 'P3\n# comment\n2 1 # size\n1000\n0 500 1000 # samples\n1000 0 1\n' >"$n/comments.ppm"

# JPEG samples for the tests: the smooth picture as written by other encoders.
im "$tmp/smooth.ppm" "${strip[@]}" -quality 95 -interlace Plane JPEG:"$samples/progressive.jpg"
im "$tmp/smooth.pgm" "${strip[@]}" -quality 95 JPEG:"$samples/grey.jpg"
im "$tmp/smooth.ppm" "${strip[@]}" -quality 95 -colorspace CMYK JPEG:"$samples/cmyk.jpg"
cp "$tmp/smooth.ppm" "$tmp/smooth.pgm" "$samples/"

du -b "$corpus"/{bmp,pcx,pnm,png,jpeg}_fuzz/* "$samples"/* | sort -n | tail -5
