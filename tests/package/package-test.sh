#!/usr/bin/env bash
# package-test.sh BUILD VERSION COMMAND...: the .deb that cpack makes in BUILD, as Debian's tools and users see
# it: lintian with nothing to say, the viewer's metainfo and desktop entry valid, and for each COMMAND its
# manual page rendering without a warning and its --version and --help as they should be.
set -uo pipefail
build=$1 version=$2
shift 2
source "$(dirname "$0")/../support/testing.sh"
for tool in lintian appstreamcli desktop-file-validate groff dpkg-shlibdeps file; do
  command -v $tool >/dev/null || skip "$tool is not installed (scripts/install-deps.sh package)"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Under a tight umask, which the package's modes must not follow; into the scratch folder, and with the
# build tree's install manifest as it was, which cpack's install rewrites.
manifest=$build/install_manifest.txt
[[ ! -e $manifest ]] || cp -p "$manifest" "$work/manifest"
(umask 077 && cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1)
packed=$?
if [[ -e $work/manifest ]]; then mv "$work/manifest" "$manifest"; else rm -f "$manifest"; fi
((packed == 0)) || { cat "$work/cpack.log"; fail "cpack -G DEB"; exit 1; }
deb=$work/quorvane_${version}_$(dpkg --print-architecture).deb

# Every tag lintian shows by default is an error or a warning; running as root is fine for our own package.
if ! said=$(lintian --allow-root --tag-display-limit 0 --fail-on error,warning "$deb" 2>&1) || [[ -n $said ]]; then
  printf '%s\n' "$said"
  fail "lintian"
fi

root=$work/root
dpkg-deb -x "$deb" "$root"
if [[ " $* " == *" quorvane-view "* ]]; then
  appstreamcli validate-tree --no-net "$root" >"$work/appstream" 2>&1 || { cat "$work/appstream"; fail "appstreamcli"; }
  said=$(desktop-file-validate "$root"/usr/share/applications/*.desktop 2>&1) && [[ -z $said ]] ||
    { printf '%s\n' "$said"; fail "desktop-file-validate"; }
fi

for command in "$@"; do
  said=$( (gzip -dc "$root/usr/share/man/man1/$command.1.gz" | groff -ww -man -Tutf8 -z) 2>&1)
  [[ -z $said ]] || { printf '%s\n' "$said"; fail "manual page $command(1) missing or warned of by groff"; }
  said=$("$root/usr/bin/$command" --version 2>&1)
  [[ $said == "$command $version" ]] || fail "$command --version says '$said', not '$command $version'"
  [[ $("$root/usr/bin/$command" --help) == *--version* ]] || fail "$command --help does not mention --version"
done

((failures == 0)) || exit 1
echo "the package passes: $(basename "$deb"), with $*"
