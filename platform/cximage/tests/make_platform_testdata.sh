#!/usr/bin/env bash
# Writes the pictures the Windows tests decode through the platform codecs, made by ImageMagick,
# and for each one its R, G, B, A bytes as ImageMagick reads them (NAME.rgba, size in NAME.size).
# Usage: make_platform_testdata.sh CONVERT OUTPUT_FOLDER
set -euo pipefail
c=$1
out=$2
mkdir -p "$out"
cd "$out"
# Sources: colour blocks, gradients and noise; a version with varying alpha; 16 colours.
$c -size 37x23 plasma:fractal -seed 5 -depth 8 -fill '#c81e11' -draw 'rectangle 0,0 11,10' \
   -fill '#1e5a11' -draw 'rectangle 0,11 11,22' src.ppm
$c src.ppm -alpha on -channel A -fx '(i*7+j*13)%256/255' +channel -depth 8 srca.png
$c src.ppm +dither -colors 16 -depth 8 c16.ppm
$c -size 48x48 gradient:red-navy -depth 8 icon48.png
$c -size 16x16 xc:lime -depth 8 icon16.png

$c src.ppm -type TrueColor BMP3:bmp24.bmp
$c c16.ppm -type Palette BMP3:bmp8.bmp
$c srca.png -define bmp:format=bmp4 bmp32a.bmp
$c c16.ppm src.ppm -colors 16 gif_first.gif
$c src.ppm png_rgb.png
$c srca.png png_rgba.png
$c src.ppm -colorspace gray png_gray.png
$c c16.ppm PNG8:png_palette.png
$c src.ppm -depth 16 -evaluate add 99 PNG48:png_16bit.png
$c src.ppm -compress lzw tiff_lzw.tif
$c srca.png -compress zip tiff_zip.tif
$c c16.ppm src.ppm tiff_pages.tif
$c icon16.png icon48.png icon.ico
$c icon48.png cursor.cur
printf '\002' | dd of=cursor.cur bs=1 seek=2 conv=notrunc status=none  # resource type 2: cursor
$c src.ppm -quality 95 -strip photo.jpg
# A bigger photograph-like JPEG for the orientation tests (not square).
$c -size 64x40 plasma:fractal -seed 9 -quality 90 -strip photo_wide.jpg

for f in bmp24.bmp bmp8.bmp bmp32a.bmp gif_first.gif png_rgb.png png_rgba.png png_gray.png png_palette.png \
         png_16bit.png tiff_lzw.tif tiff_zip.tif tiff_pages.tif photo.jpg photo_wide.jpg icon48.png; do
  $c "$f[0]" -depth 8 "rgba:$f.rgba"
  $c "$f[0]" -format '%w %h' "info:$f.size"
done
touch stamp
