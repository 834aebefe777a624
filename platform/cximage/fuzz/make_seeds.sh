#!/usr/bin/env bash
# Writes a small seed corpus per fuzz target: tiny pictures in every variant of each format, made
# by ImageMagick and netpbm, plus hand-made SKA and PGX files.
# Usage: make_seeds.sh CONVERT OUTPUT_FOLDER
set -euo pipefail
c=$1
out=$2
rm -rf "$out"
mkdir -p "$out"/{tga,pcx,wbmp,pnm,ras,pgx,ska,psd,detect,png}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
$c -size 9x6 plasma:fractal -seed 3 -depth 8 "$tmp/src.ppm"
$c "$tmp/src.ppm" -alpha on -channel A -fx 'i/9' +channel "$tmp/srca.png"
$c "$tmp/src.ppm" -colorspace gray -depth 8 "$tmp/gray.pgm"
$c "$tmp/gray.pgm" -threshold 50% "$tmp/bw.pbm"
$c "$tmp/src.ppm" +dither -colors 8 "$tmp/c8.ppm"
s=$tmp/src.ppm
$c $s -compress None "$out/tga/rgb.tga"; $c $s -compress RLE "$out/tga/rgb_rle.tga"
$c "$tmp/srca.png" -compress RLE "$out/tga/rgba_rle.tga"; $c $s -depth 5 "$out/tga/rgb16.tga"
$c "$tmp/gray.pgm" -compress RLE "$out/tga/gray_rle.tga"; $c "$tmp/c8.ppm" -type Palette "$out/tga/cmap.tga"
$c $s "$out/pcx/rgb.pcx"; $c "$tmp/c8.ppm" -type Palette "$out/pcx/pal.pcx"
ppmtopcx "$tmp/bw.pbm" > "$out/pcx/mono.pcx" 2>/dev/null
ppmtopcx -planes 4 "$tmp/c8.ppm" > "$out/pcx/planes4.pcx" 2>/dev/null
ppmtopcx -packed "$tmp/c8.ppm" > "$out/pcx/packed4.pcx" 2>/dev/null
$c "$tmp/bw.pbm" "$out/wbmp/a.wbmp"
for k in pbm pgm ppm; do
  src=$s; [ $k = pbm ] && src=$tmp/bw.pbm; [ $k = pgm ] && src=$tmp/gray.pgm
  $c $src "$out/pnm/bin.$k"; $c $src -compress none "$out/pnm/text.$k"
done
$c $s -depth 16 "$out/pnm/deep.ppm"
$c $s "$out/ras/rgb.ras"; $c "$tmp/c8.ppm" -type Palette "$out/ras/pal.ras"
$c "$tmp/srca.png" "$out/ras/rgba.ras"
pnmtorast -rle "$tmp/c8.ppm" > "$out/ras/rle.ras" 2>/dev/null
$c "$tmp/gray.pgm" "$out/pgx/a.pgx"; $c "$tmp/gray.pgm" -depth 16 "$out/pgx/deep.pgx"
printf 'PG LM -12 3 2\n\001\010\377\017\000\000\020\000\377\377\002\001' > "$out/pgx/signed.pgx"
$c $s "$out/psd/rgb.psd"; $c $s -compress None "$out/psd/raw.psd"
$c "$tmp/srca.png" "$out/psd/rgba.psd"; $c "$tmp/gray.pgm" -type Grayscale "$out/psd/gray.psd"
$c $s -colorspace CMYK "$out/psd/cmyk.psd"; $c $s -depth 16 "$out/psd/deep.psd"
# SKA: 4 x 3, 8 bits (header, a palette of 256 entries, one index per pixel).
{
  printf '\004\000\003\000\003\000\000\000\000'
  for i in $(seq 0 255); do
    printf "\\x$(printf %02x $i)\\x$(printf %02x $((255 - i)))\\x$(printf %02x $(((i * 7) & 255)))\\x00"
  done
  for i in $(seq 0 11); do printf "\\x$(printf %02x $i)"; done
} > "$out/ska/a.ska"
cp "$out"/*/* "$out/detect/" 2>/dev/null || true
for f in "$out"/tga/* "$out"/pcx/* "$out"/psd/*; do cp "$f" "$out/detect/$(basename "$(dirname "$f")")_$(basename "$f")"; done
# PNG encoder: any bytes are a picture (size, alpha, slices and threads from the first four).
cp "$tmp/src.ppm" "$out/png/ppm_bytes"; cp "$out/tga/rgb_rle.tga" "$out/png/tga_bytes"
printf '\077\050\001\003\307abcabcabc\307\000\000\000\000\307' > "$out/png/cuts"
