#!/usr/bin/env bash
# Builds the package from the build tree, checks it, unpacks it into a
# temporary root and runs the programs from there with a temporary home:
# nothing may come from the build tree or be written into the installed files.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$build" && cpack --config CPackConfig.cmake -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)
lint=0
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || lint=$?
grep -v "running with root privileges" "$work/lintian.log" || true
[ "$lint" -eq 0 ] || fail "lintian reports errors"
! grep -q maintscript-calls-ldconfig "$work/lintian.log" || fail "a maintainer script calls ldconfig"

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml >"$work/as.log" 2>&1 ||
  { cat "$work/as.log"; fail "metainfo"; }
for page in tunebench tunebench-cli tunebench-sim; do
  [ -s "$root/usr/share/man/man1/$page.1.gz" ] || fail "no manual page for $page"
  for section in ENVIRONMENT FILES "EXIT STATUS" EXAMPLES; do
    zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.SH \"\?$section\"\?\$" || fail "$page(1) has no $section"
  done
done
zcat "$root/usr/share/man/man1/tunebench-cli.1.gz" | grep -q TUNEBENCH_REGISTRY || fail "tunebench-cli(1) names no settings store"
grep -q '^Exec=tunebench$' "$root"/usr/share/applications/*.desktop || fail "the desktop entry passes arguments"
[ -d "$root/usr/share/tunebench/CFG" ] || fail "no flash target configurations"
[ -s "$root/usr/share/tunebench/German.lng" ] || fail "no shipped language file"
[ ! -e "$root/usr/share/tunebench/Template.lng" ] || fail "the key template would be listed as a language"
[ -s "$root/usr/share/tunebench/logo.bmp" ] || fail "no logo.bmp for the Welcome page"
for doc in user-guide.md main-window.png Template.lng examples/99-usb-serial-latency.rules; do
  [ -s "$root/usr/share/doc/tunebench/$doc" ] || fail "no $doc in the documentation"
done
completion="$root/usr/share/bash-completion/completions/tunebench-cli"
[ -s "$completion" ] || fail "no bash completion for tunebench-cli"
words=$(bash -c 'source "$1"; COMP_WORDS=(tunebench-cli repeater ""); COMP_CWORD=2; _tunebench_cli; echo "${COMPREPLY[*]}"' _ "$completion")
[ "$words" = "read write" ] || fail "the installed bash completion offers '$words' after 'repeater'"
for lib in libfloader.so.1 libRflLib.so; do
  [ -e "$root/usr/lib/tunebench/$lib" ] || fail "no $lib"
done

export HOME="$work/home" XDG_CONFIG_HOME= XDG_DATA_HOME= TMPDIR="$work/tmp"
export TUNEBENCH_REGISTRY="$work/registry/VUREZIVO.ini" QT_QPA_PLATFORM=offscreen
unset LD_LIBRARY_PATH TUNEBENCH_BIN_DIR
mkdir -p "$HOME" "$TMPDIR"
touch "$work/stamp"
bin="$root/usr/bin"

"$bin/tunebench-cli" --version | grep -q "1\." || fail "tunebench-cli --version"

"$bin/tunebench-sim" --profile handset --link "$work/ttyDAVO" >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/ttyDAVO" ] && break; sleep 0.1; done
[ -e "$work/ttyDAVO" ] || fail "the simulator made no port"
out=$("$bin/tunebench-cli" --port "$work/ttyDAVO" detect) || fail "detect exited $?"
[ "$out" = "PP Connected" ] || fail "detect printed '$out'"
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true

# An RFL download needs the private loader library and the shipped CFG/.
"$bin/tunebench-sim" --profile boot-rfl --link "$work/ttyBoot" >"$work/boot.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/ttyBoot" ] && break; sleep 0.1; done
printf ':0400000001020304F2\n:00000001FF\n' >"$work/software.hex"
"$bin/tunebench-cli" --port "$work/ttyBoot" flash --target 0 --yes "$work/software.hex" >"$work/flash.log" 2>&1 ||
  { cat "$work/flash.log"; fail "flash from the installed files"; }

"$bin/tunebench" &
app=$!
for _ in $(seq 150); do compgen -G "$TMPDIR/Tunebench*" >/dev/null && break; sleep 0.1; done
kill -TERM "$app"
wait "$app" || fail "the window program exited $?"
[ -s "$HOME/.config/tunebench/Tunebench.ini" ] || fail "no Tunebench.ini in the user's config folder"
written=$(find "$root" -newer "$work/stamp")
[ -z "$written" ] || fail "written into the installed files: $written"
echo "package ok: $deb"
