#!/usr/bin/env bash
# Sources the bash completion script of tunebench-cli as bash-completion does
# and asks it, as the shell would, for the words that complete a command line:
# at the top, one and two commands down, and for the values of options and
# arguments (file names, COM numbers from the port map, fixed words).
set -uo pipefail
script=$1
bin=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" TUNEBENCH_REGISTRY="$work/VUREZIVO.ini"
mkdir -p "$HOME"
# COM3 is the one present device.
touch "$work/ttyDAVO"
for n in 1 2 4 5 6 7 8 9; do export "TUNEBENCH_COM$n=$work/absent$n"; done
export TUNEBENCH_COM3="$work/ttyDAVO"
touch "$work/settings.mnu" "$work/second.mnu"

# shellcheck source=/dev/null
source "$script" || { echo "FAILED: the script does not source" >&2; exit 1; }

failures=0
# expect "WORDS..." "COMPLETIONS": the last word is the one being completed.
expect() {
  local -a line
  read -r -a line <<<"$1"
  [[ $1 == *' ' ]] && line+=("")
  COMP_WORDS=("$bin/tunebench-cli" "${line[@]}")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tunebench_cli
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  local want
  want=$(printf '%s\n' $2 | sort | tr '\n' ' ')
  if [[ $got != "$want" ]]; then
    echo "FAILED: tunebench-cli $1| gave '$got', expected '$want'" >&2
    failures=$((failures + 1))
  fi
}

expect "re" "read repeater restore"
expect "--j" "--json"
expect "--baud " "8600 9600 115200"
expect "--baud = 96" "9600"
expect "--baud 9600 --two-wire menu " "check play verify"
expect "repeater " "read write"
expect "repeater write --d" "--debug-beep"
expect "repeater write --debug-beep " "off on"
expect "handset gain " "read write"
expect "--com " "3"
expect "ports map " "3"
expect "ports map 2 $work/ttyD" "$work/ttyDAVO"
expect "menu play $work/s" "$work/settings.mnu $work/second.mnu"
expect "default " "base handset repeater"
expect "read 0040 " ""

[ "$failures" -eq 0 ] || exit 1
echo "completion: all cases passed"
