#!/usr/bin/env bash
# Makes the Debian package from the build folder (into a scratch folder, so
# the build folder gains no package) and checks it the way a distributor
# would: lintian, appstreamcli and desktop-file-validate must report no error
# and no warning; the files land where Debian expects them; one version
# reaches the package, both programs' --version, the changelog and the
# AppStream release; the bash completion completes.
# Exits 77 (skipped) when one of the three checkers is not installed, after
# running everything else.
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package: $*" >&2; exit 1; }
missing=()
have() { command -v "$1" >/dev/null || { missing+=("$1"); false; }; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 || {
    cat "$scratch/cpack.log" >&2
    fail "cpack -G DEB failed"
}
debs=("$scratch"/varnholt-radio_*.deb)
deb=${debs[0]}
[[ -f $deb ]] || fail "cpack made no varnholt-radio_*.deb"
root=$scratch/root
dpkg-deb -x "$deb" "$root"
[[ $(dpkg-deb -f "$deb" Section) == sound ]] || fail "the package is not in section sound"

for file in usr/bin/vhradio usr/bin/varnholt-radio \
    usr/share/applications/varnholt-radio.desktop \
    usr/share/man/man1/vhradio.1.gz usr/share/man/man1/varnholt-radio.1.gz \
    usr/share/bash-completion/completions/vhradio \
    usr/share/doc/varnholt-radio/copyright usr/share/doc/varnholt-radio/changelog.gz; do
    [[ -f $root/$file ]] || fail "/$file is not in the package"
done
metainfos=("$root"/usr/share/metainfo/varnholt-radio.metainfo.xml)
metainfo=${metainfos[0]}
[[ -f $metainfo ]] || fail "no AppStream metainfo in /usr/share/metainfo"

version=$(dpkg-deb -f "$deb" Version)
[[ $("$root/usr/bin/vhradio" --version) == "vhradio $version" ]] || fail "vhradio --version does not say $version"
[[ $(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/varnholt-radio" --version) == "varnholt-radio $version" ]] ||
    fail "varnholt-radio --version does not say $version (without a display)"
[[ $(gzip -dc "$root/usr/share/doc/varnholt-radio/changelog.gz" | head -n 1) == "varnholt-radio ($version) "* ]] ||
    fail "the changelog's newest entry is not $version"
grep -q "<release version=\"$version\" date=\"[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\"" "$metainfo" ||
    fail "the AppStream metadata has no dated release $version"

# Completion, from the packaged file, with the packaged vhradio on the path
# and a demo disc for the station names.
(cd "$scratch" && "$root/usr/bin/vhradio" make-demo demo >/dev/null && touch mix.vhcd Late.VHCD notes.txt)
first_station=$("$root/usr/bin/vhradio" --disc "$scratch/demo" stations | head -n 1 | cut -f2)
[[ -n $first_station ]] || fail "vhradio stations lists nothing on the demo disc"
complete_line() {
    (cd "$scratch" && PATH="$root/usr/bin:$PATH" bash -c '
        source "$1"
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _vhradio
        printf "%s\n" "${COMPREPLY[@]}"' _ "$root/usr/share/bash-completion/completions/vhradio" "$@")
}
# The words typed so far (the last one being completed; the shell splits
# --rate=4 into --rate, = and 4) | one expected answer | one answer that must
# not be offered.
while IFS='|' read -r words want unwanted; do
    read -ra line <<<"$words"
    [[ $words == *' ' ]] && line+=("")
    got=$(complete_line "${line[@]}")
    grep -qxF -- "$want" <<<"$got" || fail "completing '$words' does not offer $want: $(echo $got)"
    [[ -z $unwanted ]] || ! grep -qxF -- "$unwanted" <<<"$got" || fail "completing '$words' offers $unwanted"
done <<EOF
vhradio ex|export|stations
vhradio --v|--version|
vhradio catalogue |import|export --tracks
vhradio export --tracks --|--format|--cd-text
vhradio export --cd --|--cd-text|--format
vhradio export --tracks --format |opus|
vhradio export --tracks --rate = 4|44100|24000
vhradio --disc $scratch/demo clips |$first_station|mix.vhcd
vhradio play |mix.vhcd|notes.txt
vhradio export --wave |Late.VHCD|notes.txt
vhradio tool pad |0|
EOF

if have lintian; then
    # lintian warns about running as root, which CI does; that note is no tag.
    TMPDIR=$scratch lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 ||
        { cat "$scratch/lintian.log" >&2; fail "lintian rejects the package"; }
    ! grep -E '^[EW]: ' "$scratch/lintian.log" >&2 || fail "lintian reports errors or warnings"
fi
if have appstreamcli; then
    # The file is validated on its own: validate-tree would also want it named
    # after the reverse-DNS id, while it keeps the package's name.
    appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
        { cat "$scratch/appstream.log" >&2; fail "appstreamcli rejects the metainfo"; }
fi
if have desktop-file-validate; then
    # It exits 0 on warnings and hints, so any output counts as a finding.
    report=$(desktop-file-validate "$root/usr/share/applications/varnholt-radio.desktop" 2>&1) && [[ -z $report ]] ||
        fail "desktop-file-validate: $report"
fi

if ((${#missing[@]})); then
    echo "package: not checked with ${missing[*]} (not installed; scripts/deps installs them)"
    exit 77
fi
echo "package: ok ($(basename "$deb"))"
