#!/usr/bin/env bash
# Runs every command of the README's try-it blocks (a ```sh block right after a
# line "<!-- try-it -->") as a reader would type it, one block per shell, and
# compares what each prints with the comment the README shows beside it.
#
# A comment after two or more blanks is what the command prints on standard
# output: lines joined by " / ", "..." standing for any text; "(exit N)" at its
# end is the exit status (else 0). A command without such a comment only has
# to succeed. After a background command with "--link PATH" the next command
# waits until PATH exists, as a reader would; what it prints goes to a log. "build/dev/bin/" is the build
# tree's bin folder and "/tmp/" a private folder, so runs cannot meet.
set -uo pipefail
readme=$1
bin=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export TMPDIR="$work/tmp"
unset TUNEBENCH_REGISTRY TUNEBENCH_BIN_DIR
for n in 1 2 3 4 5 6 7 8 9; do unset "TUNEBENCH_COM$n"; done
mkdir -p "$HOME" "$TMPDIR"

# Block n goes to $work/block-n.txt, its first line number to $work/block-n.line.
awk -v dir="$work" '
  /^<!-- try-it -->$/ { armed = 1; next }
  armed && /^```sh$/ { n++; inblock = 1; armed = 0; print NR + 1 > (dir "/block-" n ".line"); next }
  inblock && /^```$/ { inblock = 0; next }
  inblock { print > (dir "/block-" n ".txt") }
  !/^[[:space:]]*$/ { armed = 0 }
' "$readme"
blocks=$(ls "$work"/block-*.txt 2>/dev/null | wc -l)
[ "$blocks" -gt 0 ] || { echo "FAILED: no try-it block in $readme" >&2; exit 1; }

failures=0
for ((b = 1; b <= blocks; b++)); do
  first=$(cat "$work/block-$b.line")
  script="$work/block-$b.sh"
  {
    echo 'set -u; failed=0; trap '"'"'kill $(jobs -p) 2>/dev/null; wait'"'"' EXIT'
    cat <<'EOF'
check() { # line rc status expected output
  local pattern=${4//\*/\\*}; pattern=${pattern//\?/\\?}; pattern=${pattern//\[/\\[}
  pattern=${pattern//.../*}
  local shown=${5//$'\n'/ / }
  if [ "$2" != "$3" ] || [[ "$shown" != $pattern ]]; then
    echo "README line $1: exit $2 (expected $3), printed: $shown" >&2
    echo "README line $1: expected: $4" >&2
    failed=1
  fi
}
awaitLink() { for _ in $(seq 200); do [ -e "$1" ] && return; sleep 0.05; done; echo "no $1" >&2; failed=1; }
EOF
    lineno=$first
    while IFS= read -r line; do
      command=$(sed -E 's/[[:space:]]{2,}#( .*)?$//' <<<"$line")
      comment=$(sed -nE 's/^.*[[:space:]]{2,}# (.*)$/\1/p' <<<"$line")
      # /tmp/ first: the build tree itself may lie under /tmp.
      command=${command//\/tmp\//$TMPDIR/}
      command=${command//build\/dev\/bin\//$bin/}
      if [[ -z "${command// /}" || "$command" =~ ^[[:space:]]*# ]]; then
        :
      elif [[ "$command" =~ \&[[:space:]]*$ ]]; then
        # Its chatter would drown the block's own lines in the test log.
        echo "${command%&*} >>$work/background.log 2>&1 &"
        if [[ "$command" =~ --link[[:space:]]+([^[:space:]]+) ]]; then
          echo "awaitLink ${BASH_REMATCH[1]}"
        fi
      elif [ -n "$comment" ]; then
        status=0
        if [[ "$comment" =~ ^(.*)\ \(exit\ ([0-9]+)\)$ ]]; then
          comment=${BASH_REMATCH[1]}
          status=${BASH_REMATCH[2]}
        fi
        quoted=$(printf '%q' "$comment")
        echo "out=\$($command); check $lineno \$? $status $quoted \"\$out\""
      else
        echo "$command || { echo \"README line $lineno: exit \$?\" >&2; failed=1; }"
      fi
      lineno=$((lineno + 1))
    done <"$work/block-$b.txt"
    echo 'exit $failed'
  } >"$script"
  (cd "$work" && bash "$script") || failures=$((failures + 1))
done
[ "$failures" -eq 0 ] || { echo "FAILED: $failures of $blocks try-it blocks" >&2; exit 1; }
echo "all $blocks try-it blocks as the README shows"
