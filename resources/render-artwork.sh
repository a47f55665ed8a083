#!/usr/bin/env bash
# Renders the artwork sources (artwork/*.svg, drawn for this program) into
# the PNG files that the program embeds through rowmender.qrc. Run it after
# changing a drawing; the PNG files are checked in so that building needs
# no SVG renderer. Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
out=images
mkdir -p "$out"
render() {  # render NAME WIDTH HEIGHT [SUFFIX]
  rsvg-convert -w "$2" -h "$3" -o "$out/$1${4:-}.png" "artwork/$1.svg"
}
# Command icons: large (32) and small (16) ribbon images.
for icon in open stop save csv export-table export-checked create-table help about; do
  render "$icon" 32 32
  render "$icon" 16 16 -16
done
# Node images of the catalogue tree, with a double-size copy for dense screens.
for node in root folder database tables table keys views view triggers trigger; do
  render "node-$node" 16 16
  render "node-$node" 32 32 @2x
done
render app 16 16 -16
render app 32 32 -32
render app 48 48 -48
render app 256 256 -256
render page-previous 32 20
render page-next 32 20
render ok 16 16
render cancel 16 16
render splash 480 269
render about-banner 440 96
