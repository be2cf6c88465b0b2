#!/bin/sh
# The autorun.sh of an image written with qvr iso --linux starts the real Linux runtime, found on
# PATH, on the demonstration from the disc: the image extracted and mounted read-only, the script
# run from another folder, the runtime copied to a folder that holds no configuration.
# The demonstration gets one line more, execute=probe.sh: a program the runtime starts from the
# configuration it read, which records its working folder, so that a runtime showing some other
# configuration (its own folder's, or none) cannot pass.
# Arguments: qvr, the Linux runtime, the demonstration folder. Needs osirrox and a display; the
# runtime prints first-paint (QUORVANE_STARTER_FIRST_PAINT=1) once the page is painted and quits.
set -eu
# As root the disc is a read-only bind mount; in a mount namespace of its own it goes away with
# the test, however the test ends.
if [ "$(id -u)" = 0 ] && [ -z "${QV_OWN_MOUNTS:-}" ] && command -v unshare >/dev/null 2>&1; then
	QV_OWN_MOUNTS=1 exec unshare --mount --propagation private sh "$0" "$@"
fi
qvr=$1
runtime=$2
demonstration=$3

work=$(mktemp -d)
mounted=
cleanup() {
	if [ -n "$mounted" ]; then umount "$work/disc"; fi
	rm -rf "$work"
}
trap cleanup EXIT
fail() {
	echo "FAILED: $*" >&2
	exit 1
}

cp -R "$demonstration" "$work/folder"
# shellcheck disable=SC2016 # the probe expands $QV_PROBE when it runs
printf '#!/bin/sh\npwd >"$QV_PROBE"\n' >"$work/folder/probe.sh"
chmod 755 "$work/folder/probe.sh"
printf 'execute=probe.sh\r\n' >>"$work/folder/starter.ini"

# The demonstration's starter.exe is the Windows runtime, which a build without MinGW lacks; it
# does not matter for the Linux start, so the image is written despite that error.
"$qvr" iso "$work/folder" -o "$work/menue.iso" --label DEMO --linux --force

mkdir "$work/disc"
osirrox -indev "$work/menue.iso" -extract / "$work/disc" 2>/dev/null
[ -x "$work/disc/autorun.sh" ] || fail "autorun.sh is missing from the image or not executable"
# Read-only as a disc: a read-only bind mount where this is root (root writes through modes).
if [ "$(id -u)" = 0 ]; then
	mount --bind "$work/disc" "$work/disc"
	mounted=1
	mount -o remount,ro,bind "$work/disc"
else
	chmod -R a-w "$work/disc"
fi
if (: >"$work/disc/schreibprobe") 2>/dev/null; then fail "the disc's folder is writable"; fi

mkdir "$work/bin"
cp "$runtime" "$work/bin/quorvane-starter"
cd "$work"
status=0
QV_PROBE="$work/probe" PATH="$work/bin:$PATH" "$work/disc/autorun.sh" >"$work/out" 2>"$work/err" || status=$?
cat "$work/out"
cat "$work/err" >&2
[ "$status" = 0 ] || fail "autorun.sh ended with $status"
grep -qx 'first-paint' "$work/out" || fail "the runtime painted no page"

# The probe is started at start-up; give it time to have written, however slow the machine.
tries=0
while [ ! -s "$work/probe" ] && [ "$tries" -lt 1200 ]; do
	sleep 0.1
	tries=$((tries + 1))
done
[ -s "$work/probe" ] || fail "the runtime did not run the disc's execute=: it read another configuration"
[ "$(cat "$work/probe")" = "$work/disc" ] || fail "execute= ran in $(cat "$work/probe"), not in the disc's folder"
echo "autorun.sh showed the demonstration from the read-only disc"
