#!/bin/sh
# Renders the installed PNG icons from the scalable one with ImageMagick;
# run once after changing hicolor/scalable/apps/org.example.grabulo.svg and
# commit the results.
set -eu
cd "$(dirname "$0")/hicolor"
svg=scalable/apps/org.example.grabulo.svg
for size in 48 128 256; do
  mkdir -p "${size}x${size}/apps"
  convert -background none -density $((96 * size / 64)) "$svg" -resize "${size}x${size}" \
    -strip -define png:exclude-chunks=date,time "png32:${size}x${size}/apps/org.example.grabulo.png"
done
