# shellcheck shell=bash
# Fetching Debian's own source packages, for the scripts that cross-build libraries for Windows.
# Sourced, not run:  . scripts/debian-source.sh
#   debian_source_version BINARY         the source version behind a binary package (installed, else
#                                        the archive's candidate)
#   debian_source_fetch SOURCE VERSION DIR
#                                        unpacks SOURCE=VERSION with Debian's patches applied into DIR
#                                        (a fresh folder) and prints the unpacked tree's path
# The deb-src entry for bookworm is added once to /etc/apt/sources.list.d/quorvane-src.list.

debian_source_list=${QUORVANE_APT_SOURCE_LIST:-/etc/apt/sources.list.d/quorvane-src.list}

debian_source_sudo() {
  if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi
}

# Writes the deb-src entry when it is missing or differs, then reads the source indexes (also when
# they were never read).
debian_source_entry() {
  # apt refuses a deb-src entry whose Signed-By differs from the deb entry's for the same archive:
  # the key ring the binary entries name is named here too.
  local keyring options="" wanted
  keyring=$(grep -rhsi -A6 'deb.debian.org' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
    | sed -n 's/^Signed-By: *//Ip; s/.*signed-by=\([^] ]*\).*/\1/p' | head -1)
  [ -n "$keyring" ] && options="[signed-by=$keyring] "
  wanted="deb-src ${options}http://deb.debian.org/debian bookworm main
deb-src ${options}http://deb.debian.org/debian bookworm-updates main
deb-src ${options}http://deb.debian.org/debian-security bookworm-security main"
  if [ "$(cat "$debian_source_list" 2>/dev/null)" != "$wanted" ]; then
    echo "$wanted" | debian_source_sudo tee "$debian_source_list" >/dev/null
  elif apt-cache showsrc dpkg 2>/dev/null | grep -q '^Package: dpkg$'; then
    return 0
  fi
  debian_source_sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
}

debian_source_version() {
  local version
  version=$(dpkg-query -W -f='${db:Status-Abbrev} ${source:Version}' "$1" 2>/dev/null | sed -n 's/^ii  *//p')
  if [ -z "$version" ]; then
    version=$(apt-cache policy "$1" | sed -n 's/^ *Candidate: //p')
  fi
  if [ -z "$version" ] || [ "$version" = "(none)" ]; then
    echo "no version of $1 known to apt" >&2
    return 1
  fi
  echo "$version"
}

debian_source_fetch() {
  local source=$1 version=$2 dir=$3
  debian_source_entry
  rm -rf "$dir" && mkdir -p "$dir"
  # apt-get source runs dpkg-source, which applies Debian's patches; no signature check of the
  # .dsc beyond apt's own (the index is signed).
  # The cache lies in the user's home, which apt's sandbox user cannot write.
  local sandbox=()
  [ "$(id -u)" -eq 0 ] && sandbox=(-o APT::Sandbox::User=root)
  (cd "$dir" && apt-get source -qq "${sandbox[@]}" --only-source "$source=$version" >/dev/null) || return 1
  local tree
  tree=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1)
  [ -n "$tree" ] || { echo "apt-get source $source=$version unpacked nothing" >&2; return 1; }
  echo "$tree"
}
