# shellcheck shell=bash
# The steps of the set-up scripts. Sourced, after `set -Eeuo pipefail`:
#   step "Qt für Windows bauen"    announces a step (on standard error) and starts its clock
#   step_done                      says that the current step is done and how long it took
# A command that fails ends the script with a German line naming the step and the exit code, so
# no set-up step fails silently (set -e alone ends a script without a word).

step_name="Vorbereitung"
step_started=$SECONDS
step_script=$(basename "$0")

step() {
  step_name=$1
  step_started=$SECONDS
  echo "[$step_script] $step_name ..." >&2
}

step_done() {
  echo "[$step_script] $step_name: fertig nach $((SECONDS - step_started)) s" >&2
}

# The ERR trap only reports: set -e ends the script right after it, where it applies. Subshells
# inherit the trap (set -E) but stay silent; the script's own shell reports, once. Command
# substitutions run without set -e, as bash has them, so a function's tolerated failure inside one
# stays tolerated.
step_report() {
  if [ "$BASHPID" = "$$" ]; then
    echo "[$step_script] Fehler im Schritt \"$step_name\" (Exit-Code $1)." >&2
  fi
}

# Ends the script for a failure found by the script itself.
step_failed() {
  step_report "$1"
  exit "$1"
}
trap 'step_report $?' ERR
