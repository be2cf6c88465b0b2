# shellcheck shell=bash
# The checkout as a new user gets it, for the tests that run the README's commands. Sourced:
#   clean_copy_or_skip SOURCE_DIR   exits 77 (skipped) where SOURCE_DIR is no git checkout
#   clean_copy SOURCE_DIR DEST      the tracked and new files, without what .gitignore names (the
#                                   build folders); deleted ones are gone

clean_copy_or_skip() {
  if ! git -C "$1" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "skip: $1 is no git checkout, so there is no clean copy to make"
    exit 77
  fi
}

clean_copy() {
  mkdir -p "$2"
  (cd "$1" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf -) | tar -xf - -C "$2"
}
