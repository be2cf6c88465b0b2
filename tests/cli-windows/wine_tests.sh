#!/bin/bash
# qvr.exe under Wine against qvr on Linux: the same bytes, exit codes and reports.
#   wine_tests.sh CASE STATE QVR QVR_EXE STARTER_EXE SAMPLES FIXTURES...
# STATE is the Wine session of tests/starter-windows/wine_tests.sh (setup/cleanup), QVR the Linux
# program, QVR_EXE the Windows one, STARTER_EXE the reference Beispiele/starter.exe, SAMPLES a folder
# of sample projects (write_samples), FIXTURES more configuration files to convert.
set -u
command=$1 state=$2 qvr=$3 qvr_exe=$4 starter_exe=$5 samples=$6
shift 6
fixtures=("$@")

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$state/env" ] || fail "no Wine session in $state (the setup test did not run)"
. "$state/env"
work=$(mktemp -d "$state/case-XXXXXX")
wpath() { local p=$1; echo "Z:${p//\//\\}"; }

# qvr.exe beside its Beispiele folder, as in the zip: verify finds the reference runtime there.
mkdir -p "$work/Programme/Beispiele"
cp "$qvr_exe" "$work/Programme/qvr.exe"
cp "$starter_exe" "$work/Programme/Beispiele/starter.exe"
mkdir -p "$work/linux/Beispiele"
cp "$qvr" "$work/linux/qvr"
cp "$starter_exe" "$work/linux/Beispiele/starter.exe"
exe=$work/Programme/qvr.exe

# run_both NAME ARG...: runs qvr and qvr.exe with the same arguments (paths given as @PATH are
# passed in each system's form) and fails unless standard output and exit code are the same.
run_both() {
  local name=$1; shift
  local linux_args=() windows_args=() a
  for a in "$@"; do
    if [ "${a:0:1}" = @ ]; then linux_args+=("${a:1}"); windows_args+=("$(wpath "${a:1}")")
    else linux_args+=("$a"); windows_args+=("$a"); fi
  done
  "$work/linux/qvr" "${linux_args[@]}" >"$work/linux.out" 2>"$work/linux.err"
  local linux_code=$?
  wine "$exe" "${windows_args[@]}" >"$work/windows.out" 2>"$work/windows.err" </dev/null
  local windows_code=$?
  [ "$linux_code" = "$windows_code" ] \
    || fail "$name: exit code $windows_code under Windows, $linux_code on Linux ($(cat "$work/windows.err"))"
  cmp -s "$work/linux.out" "$work/windows.out" \
    || fail "$name: the output differs: $(diff <(od -c "$work/linux.out") <(od -c "$work/windows.out") | head -20)"
}

case "$command" in
convert) # every sample and fixture in every form, to standard output and into an umlaut path
  inputs=("$samples"/* "${fixtures[@]}")
  [ "${#inputs[@]}" -ge 8 ] || fail "only ${#inputs[@]} inputs"
  for input in "${inputs[@]}"; do
    for to in ini inf bat; do
      run_both "convert $(basename "$input") --to $to" convert "@$input" --to "$to"
    done
  done
  run_both "--version" --version
  run_both "an unknown command" umwandeln
  run_both "a missing file" convert "@$work/fehlt.ini" --to ini
  # Umlauts in the folder and file names, backslashes and the drive letter in both paths.
  folder="$work/Prüfung Ä"
  mkdir -p "$folder"
  cp "$samples/everything.ini" "$folder/Menü ö.ini"
  "$work/linux/qvr" convert "$folder/Menü ö.ini" --to bat -o "$work/linux.bat" || fail "qvr -o"
  wine "$exe" convert "$(wpath "$folder/Menü ö.ini")" --to bat -o "$(wpath "$folder/Ausgabe ü.bat")" </dev/null \
    || fail "qvr.exe -o into \"$folder\""
  cmp "$work/linux.bat" "$folder/Ausgabe ü.bat" || fail "the file written by qvr.exe differs"
  # A relative name, against the working folder (the Windows form of it).
  (cd "$folder" && wine "$exe" convert "Menü ö.ini" --to inf -o "relativ.inf" </dev/null) || fail "relative names"
  "$work/linux/qvr" convert "$folder/Menü ö.ini" --to inf -o "$work/linux.inf"
  cmp "$work/linux.inf" "$folder/relativ.inf" || fail "the relative output differs"
  ;;

check) # the hints, and their exit code
  for input in "${fixtures[@]}" "$samples"/*.ini; do
    run_both "check $(basename "$input")" check "@$input"
  done
  ;;

verify) # the demonstration in an umlaut folder with planted faults: the same report as on Linux
  menu="$work/Menü CD"
  cp -r "$(dirname "$starter_exe")" "$menu"
  cp "$starter_exe" "$menu/starter.exe"
  run_both "verify of the clean demonstration" verify "@$menu"
  grep -q "Keine Probleme gefunden" "$work/windows.out" || fail "the clean folder: $(cat "$work/windows.out")"
  # --linux: what the disc does on a Linux desktop, nothing about this machine.
  wine "$exe" verify "$(wpath "$menu")" --linux >"$work/windows.out" 2>&1 </dev/null || fail "verify --linux: $(cat "$work/windows.out")"
  grep -q '^Linux-Start (autorun.sh): ' "$work/windows.out" || fail "verify --linux: $(cat "$work/windows.out")"
  ! grep -q 'Auf diesem Rechner' "$work/windows.out" || fail "verify --linux speaks of this machine: $(cat "$work/windows.out")"
  rm "$menu/web/bilder/rahmen.png"                       # linked by the pages
  printf 'anders' >> "$menu/starter.exe"                 # not the reference runtime
  sed -i 's/^\(caption=[^\r]*\)\(\r\?\)$/\1\2\nicon=Disc.ico\2/' "$menu/starter.ini"
  : > "$menu/disc.ico"                                   # differs in letter case only
  run_both "verify with faults" verify "@$menu"
  for expected in 'rahmen.png' 'starter.exe unterscheidet sich' 'Groß-/Kleinschreibung' '^Ergebnis: '; do
    grep -q -- "$expected" "$work/windows.out" || fail "the report lacks $expected: $(cat "$work/windows.out")"
  done
  ;;

engine) # what the Windows runtime's engine cannot run or show: the same report as on Linux
  menu="$work/Menü Neu"
  mkdir -p "$menu/js" "$menu/css" "$menu/bilder"
  cp "$starter_exe" "$menu/starter.exe"
  printf '[autorun]\r\nopen=starter.exe\r\nicon=bilder\\disc.ico\r\nlabel=Ein Men\374 mit einem sehr langen Namen\r\n[quorvane]\r\nstartfile=index.html\r\n' \
    >"$menu/autorun.inf"
  : >"$menu/bilder/disc.ico"
  cp /usr/share/javascript/jquery/jquery.min.js /usr/share/javascript/bootstrap5/js/bootstrap.js "$menu/js/"
  cp /usr/share/javascript/bootstrap5/css/bootstrap.css "$menu/css/"
  printf 'RIFF\044\0\0\0WEBPVP8 \030\0\0\0' >"$menu/bilder/Grüße.jpg"
  printf '@font-face { font-family: A; src: url(a.woff2); }\n' >"$menu/css/schrift.css"
  : >"$menu/css/a.woff2"
  : >"$menu/film.webm"
  printf '%s\n' '<!DOCTYPE html>' '<html><head><meta charset="utf-8">' \
    '<link rel="stylesheet" href="css/bootstrap.css"><link rel="stylesheet" href="css/schrift.css">' \
    '<script src="js/jquery.min.js"></script>' '<script src="js/bootstrap.js"></script>' \
    '<script type="module" src="js/bootstrap.js"></script>' '</head><body>' \
    '<img src="bilder/Gr%C3%BC%C3%9Fe.jpg">' '<button onclick="f(x => x)">Los</button>' \
    '<script>' 'let zähler = 0;' '</script>' '<video src="film.webm"></video>' '</body></html>' \
    >"$menu/index.html"
  run_both "verify of a menu the engine breaks" verify "@$menu"
  for expected in '"js/bootstrap.js", Zeile 15: Das Skript ist kein ES5' '<script type="module">' \
      'CSS-Variablen' 'display: grid ohne -ms-grid' 'im Format WebP' 'nur als woff2' 'Ereignis-Attribut onclick' \
      'deklariert mit let' '<video> hat nur Quellen' 'label=Ein Menü mit einem sehr langen Namen ist 36 Zeichen lang' 'icon=bilder' '^Start unter Windows: von CD/DVD'; do
    grep -q -- "$expected" "$work/windows.out" || fail "the report lacks $expected: $(cat "$work/windows.out")"
  done
  ;;

iso) # the image of a folder with umlauts, sub-folders, an empty file and a long path, as on Linux
  menu="$work/Menü Ordner"
  mkdir -p "$menu/Bilder äöü/Unter ß" "$menu/leer"
  cp "$starter_exe" "$menu/starter.exe"
  printf '[Fenster]\r\n' >"$menu/starter.ini"
  : >"$menu/Bilder äöü/leer.txt"
  head -c 3000000 /dev/urandom >"$menu/Bilder äöü/Unter ß/groß.bin"
  printf 'Grüße\r\n' >"$menu/Bilder äöü/Unter ß/Ärger.txt"
  long="$menu"
  for n in 1 2 3 4 5 6; do long="$long/Ein recht langer Ordnername für einen tiefen Pfad, Nummer $n"; done
  mkdir -p "$long"
  printf 'tief unten\n' >"$long/Datei mit langem Namen ganz unten im Baum.txt"
  [ "$(wpath "$long/Datei mit langem Namen ganz unten im Baum.txt" | wc -c)" -gt 400 ] || fail "the long path is short"
  # Each writes abbild.iso in a folder of its own, so that the lines name the same image.
  mkdir -p "$work/w" "$work/l"
  (cd "$work/w" && wine "$exe" iso "$(wpath "$menu")" -o abbild.iso --force >"$work/windows.out" 2>"$work/windows.err" </dev/null)
  code=$?
  [ "$code" = 0 ] || fail "exit code $code: $(cat "$work/windows.err")"
  (cd "$work/l" && "$work/linux/qvr" iso "$menu" -o abbild.iso --force >"$work/linux.out" 2>"$work/linux.err") \
    || fail "qvr on Linux: $(cat "$work/linux.err")"
  grep -q '^Abbild geschrieben: abbild.iso (' "$work/windows.out" || fail "output: $(cat "$work/windows.out")"
  cmp -s "$work/windows.out" "$work/linux.out" || fail "the output differs: $(diff "$work/windows.out" "$work/linux.out")"
  cmp -s "$work/windows.err" "$work/linux.err" || fail "the report differs: $(diff "$work/windows.err" "$work/linux.err")"
  mv "$work/w/abbild.iso" "$work/windows.iso"
  mv "$work/l/abbild.iso" "$work/linux.iso"
  # File for file, with the Rock Ridge names and with the Joliet names Windows reads.
  osirrox -indev "$work/windows.iso" -extract / "$work/aus-windows" >/dev/null 2>&1 || fail "osirrox cannot read the image"
  diff -r "$menu" "$work/aus-windows" >&2 || fail "the image's files differ from the folder"
  osirrox -read_fs norock -joliet on -indev "$work/windows.iso" -find / 2>/dev/null | sort >"$work/joliet-windows"
  osirrox -read_fs norock -joliet on -indev "$work/linux.iso" -find / 2>/dev/null | sort >"$work/joliet-linux"
  grep -q 'Ärger.txt' "$work/joliet-windows" || fail "no Joliet names: $(cat "$work/joliet-windows")"
  cmp -s "$work/joliet-windows" "$work/joliet-linux" || fail "the Joliet views differ"
  [ "$(stat -c %s "$work/windows.iso")" = "$(stat -c %s "$work/linux.iso")" ] || fail "the images differ in size"
  [ -z "$(ls -A "$work/w")" ] || fail "left behind: $(ls -A "$work/w")"
  # The help describes the image writer as qvr's does.
  run_both "--help" --help
  ;;

iso-failure) # a file that vanishes, an interruption and a full target: no image, an existing one kept
  menu="$work/menu"
  mkdir -p "$menu/daten"
  printf 'klein\n' >"$menu/daten/klein.txt"
  old="$work/alt.iso"
  head -c 20000 /dev/urandom >"$old"
  image="$work/abbild.iso"
  # run_failing NAME ACTION: qvr.exe writes a folder with a large (sparse) file over an existing
  # image; once its temporary file is there, ACTION runs (CHILD is qvr.exe's process).
  run_failing() {
    local name=$1 action=$2
    cp "$old" "$image"
    truncate -s 1G "$menu/daten/groß.bin"
    wine "$exe" iso "$(wpath "$menu")" -o "$(wpath "$image")" --force >"$work/out" 2>"$work/err" </dev/null &
    local pid=$! i
    for i in $(seq 1200); do
      ls "$image".qvr-* >/dev/null 2>&1 && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    CHILD=$(ps --ppid "$pid" -o pid= | tr -d ' ')
    eval "$action"
    wait "$pid"
    local code=$?
    [ "$code" = 2 ] || fail "$name: exit code $code: $(cat "$work/err")"
    cmp -s "$old" "$image" || fail "$name: the existing image was changed"
    ! ls "$image".qvr-* >/dev/null 2>&1 || fail "$name: a temporary file is left"
  }
  run_failing "a vanishing file" 'rm "$menu/daten/groß.bin"'
  grep -q '"daten/groß.bin" ist verschwunden, während das Abbild geschrieben wurde.' "$work/err" \
    || fail "vanishing: $(cat "$work/err")"
  # Ctrl+C: Wine turns SIGINT into the console's Ctrl+C event.
  run_failing "Ctrl+C" 'kill -INT "${CHILD:-$pid}"'
  grep -q 'kann nicht geschrieben werden: abgebrochen.' "$work/err" || fail "Ctrl+C: $(cat "$work/err")"
  # A full target: a small file system of its own, where the system allows mounting one.
  full="$work/voll"
  mkdir -p "$full"
  if ! mount -t tmpfs -o size=256k tmpfs "$full" 2>/dev/null; then
    echo "SKIP: no file system can be mounted here for a full target"
    exit 77
  fi
  trap 'umount "$full"' EXIT
  image="$full/abbild.iso"
  rm -f "$menu/daten/groß.bin"
  head -c 400000 /dev/urandom >"$menu/daten/zufall.bin"
  cp "$old" "$image"
  wine "$exe" iso "$(wpath "$menu")" -o "$(wpath "$image")" --force >"$work/out" 2>"$work/err" </dev/null
  code=$?
  [ "$code" = 2 ] || fail "full target: exit code $code: $(cat "$work/err")"
  grep -q "^Das Abbild .*abbild.iso kann nicht geschrieben werden: " "$work/err" || fail "full target: $(cat "$work/err")"
  cmp -s "$old" "$image" || fail "full target: the existing image was changed"
  [ "$(ls -A "$full")" = abbild.iso ] || fail "full target: left behind: $(ls -A "$full")"
  ;;

*)
  fail "unknown case $command"
  ;;
esac
