#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs:
# both programs, a valid desktop entry whose program and icon are installed,
# and the manual pages.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "install: $*" >&2; exit 1; }

[[ -x $prefix/bin/vhradio ]] || fail "vhradio missing"
[[ -x $prefix/bin/varnholt-radio ]] || fail "varnholt-radio missing"
entry=$prefix/share/applications/varnholt-radio.desktop
[[ -f $entry ]] || fail "desktop entry missing"
desktop-file-validate "$entry" || fail "desktop entry is not valid"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[[ -x $prefix/bin/${exec_line%% *} ]] || fail "the entry starts ${exec_line%% *}, which is not installed"
[[ $exec_line == *--user-folder* ]] || fail "the menu entry must use the per-user work folder"
icon=$(sed -n 's/^Icon=//p' "$entry")
[[ -f $prefix/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "icon $icon missing"
for page in vhradio varnholt-radio; do
    [[ -f $prefix/share/man/man1/$page.1.gz ]] || fail "manual page $page(1) missing"
done
"$prefix/bin/vhradio" --help | grep -q make-demo || fail "installed vhradio does not run"
echo "install: ok"
