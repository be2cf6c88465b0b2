#!/bin/sh
# The frame the window manager draws for each border style, read from the window's
# _NET_FRAME_EXTENTS (left, right, top, bottom) under openbox in the test's own display.
# Usage: frame_extents.sh RUNTIME  (run inside xvfb-run)
set -u
runtime=$1
work=$(mktemp -d)
trap 'kill $starter 2>/dev/null; kill $wm 2>/dev/null; rm -rf "$work"' EXIT
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 1 40); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.25
done
failed=0
# The window of that title (a search can fail while another window is being destroyed: retried).
find_window() {
  for _ in $(seq 1 240); do
    found=$(xdotool search --name "$1" 2>/dev/null | head -n 1)
    [ -n "$found" ] && { echo "$found"; return; }
    sleep 0.25
  done
}
check() { # style, expectation (title|border|none)
  style=$1 expect=$2
  printf '[quorvane]\r\ncaption=Rahmen %s\r\nborderstyle=%s\r\nwidth=300\r\nheight=200\r\n' "$style" "$style" >"$work/starter.ini"
  "$runtime" --folder "$work" >/dev/null 2>&1 &
  starter=$!
  id=$(find_window "Rahmen $style")
  extents=""
  for _ in $(seq 1 60); do
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
    [ -n "$extents" ] && break
    sleep 0.5
  done
  kill $starter 2>/dev/null; wait $starter 2>/dev/null
  left=${extents%%,*}; rest=${extents#*,}; right=${rest%%,*}; rest=${rest#*,}; top=${rest%%,*}; bottom=${rest#*,}
  case $expect in
    none) ok=$([ "$extents" = "0,0,0,0" ] && echo 1) ;;
    border) ok=$([ "${left:-0}" -ge 1 ] && [ "${right:-0}" -ge 1 ] && [ "${bottom:-0}" -ge 1 ] && [ "${top:-0}" -ge 1 ] && [ "$top" -le "$bottom" ] && echo 1) ;;
    title) ok=$([ "${top:-0}" -gt "${bottom:-0}" ] && echo 1) ;;
  esac
  if [ "${ok:-}" = 1 ]; then echo "ok: $style -> $extents"; else echo "FEHLER: $style -> '$extents' (erwartet: $expect)"; failed=1; fi
}
check none none
check minimal border
check sizeable title

# The title bar stays on the screen: a window placed above the screen is moved down until its frame
# (title bar included) is on it.
printf '[quorvane]\r\ncaption=Oben\r\nwidth=300\r\nheight=200\r\nleft=100\r\ntop=-300\r\n' >"$work/starter.ini"
"$runtime" --folder "$work" >/dev/null 2>&1 &
starter=$!
id=$(find_window "^Oben$")
frame_top=-1
for _ in $(seq 1 20); do
  sleep 0.5
  extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
  [ -n "$extents" ] || continue
  top=$(echo "$extents" | cut -d, -f3)
  y=$(xwininfo -id "$id" | sed -n 's/.*Absolute upper-left Y: *//p')
  frame_top=$((y - top))
  [ "$frame_top" -ge 0 ] && break
done
kill $starter 2>/dev/null; wait $starter 2>/dev/null
if [ "$frame_top" -ge 0 ]; then echo "ok: title bar at y=$frame_top"; else echo "FEHLER: title bar at y=$frame_top"; failed=1; fi

# An oversized window: the client is cut by the frame's margins, so that the whole frame (title bar
# and border) fits the screen.
screen_w=$(xwininfo -root | sed -n 's/.*Width: *//p')
screen_h=$(xwininfo -root | sed -n 's/.*Height: *//p')
printf '[quorvane]\r\ncaption=Riesig\r\nwidth=5000\r\nheight=5000\r\n' >"$work/starter.ini"
"$runtime" --folder "$work" >/dev/null 2>&1 &
starter=$!
id=$(find_window "^Riesig$")
frame=""
fits=0
for _ in $(seq 1 20); do
  sleep 0.5
  extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
  [ -n "$extents" ] || continue
  left=$(echo "$extents" | cut -d, -f1); right=$(echo "$extents" | cut -d, -f2)
  top=$(echo "$extents" | cut -d, -f3); bottom=$(echo "$extents" | cut -d, -f4)
  info=$(xwininfo -id "$id")
  x=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p'); y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
  w=$(echo "$info" | sed -n 's/.*Width: *//p'); h=$(echo "$info" | sed -n 's/.*Height: *//p')
  frame="$((x - left)),$((y - top)) to $((x + w + right)),$((y + h + bottom))"
  if [ $((x - left)) -ge 0 ] && [ $((y - top)) -ge 0 ] && [ $((x + w + right)) -le "$screen_w" ] &&
     [ $((y + h + bottom)) -le "$screen_h" ]; then fits=1; break; fi
done
kill $starter 2>/dev/null; wait $starter 2>/dev/null
if [ "$fits" = 1 ]; then echo "ok: oversized frame $frame"; else echo "FEHLER: oversized frame $frame beyond ${screen_w}x$screen_h"; failed=1; fi
exit $failed
