#!/usr/bin/env bash
# The package test: builds the Debian package from an already built tree into a temporary folder,
# then checks what an installation would get: the file list, the control fields, the menu entry,
# the AppStream metainfo, the manual pages, lintian's verdict, and both tools run from the
# unpacked package.
#   check_package.sh BUILD_DIR VERSION
# Exit status 77 (skipped) where there is no dpkg, as on a system that is not Debian.
set -euo pipefail
build_dir=$1
version=$2

command -v dpkg-deb >/dev/null || { echo "no dpkg-deb: not a Debian system, skipped"; exit 77; }
for tool in cpack desktop-file-validate appstreamcli man lintian; do
    command -v "$tool" >/dev/null ||
        { echo "FAIL: $tool is missing (bash scripts/setup.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack -G DEB -B "$work/out" --config "$build_dir/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; echo "FAIL: cpack could not build the package"; exit 1; }
debs=("$work"/out/brelvano_*.deb)
[ -f "${debs[0]}" ] || { echo "FAIL: no brelvano_*.deb made"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# The control fields.
[ "$(dpkg-deb -f "$deb" Package)" = brelvano ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version-1" ] || fail "version is not $version-1"
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for needed in libc6 libstdc++6 libqt6widgets6; do
    [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed"
done
for field in Maintainer Description Section Priority; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field field"
done

# The file list: everything an installation needs, owned by root.
dpkg-deb -c "$deb" >"$work/contents"
for path in usr/bin/brelvano usr/bin/brelvano-import usr/bin/brelvano-db \
    usr/share/applications/org.brelvano.brelvano.desktop \
    usr/share/metainfo/org.brelvano.brelvano.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/brelvano.svg \
    usr/share/icons/hicolor/48x48/apps/brelvano.png \
    usr/share/man/man1/brelvano.1.gz usr/share/man/man1/brelvano-import.1.gz \
    usr/share/man/man1/brelvano-db.1.gz usr/share/doc/brelvano/copyright \
    usr/share/doc/brelvano/changelog.Debian.gz; do
    grep -q " \./$path\$" "$work/contents" || fail "$path is not in the package"
done
awk '$2 != "root/root"' "$work/contents" | grep . && fail "files not owned by root"

root=$work/root
dpkg -x "$deb" "$root"

desktop-file-validate "$root/usr/share/applications/org.brelvano.brelvano.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.brelvano.brelvano.metainfo.xml" ||
    fail "appstreamcli validate"

# Each manual page renders without a warning and carries the version.
for page in "$root"/usr/share/man/man1/*.1.gz; do
    MANWIDTH=80 man --warnings -l "$page" >"$work/page.txt" 2>"$work/page.err" ||
        fail "man cannot render $(basename "$page")"
    [ -s "$work/page.err" ] && { cat "$work/page.err"; fail "man warns on $(basename "$page")"; }
    grep -q "Brelvano $version" "$work/page.txt" || fail "$(basename "$page") lacks the version"
done

# The tools run from the unpacked package: they need nothing from the build tree.
for tool in brelvano-import brelvano-db; do
    shown=$("$root/usr/bin/$tool" --version) || fail "$tool --version failed"
    [ "$shown" = "$tool $version" ] || fail "$tool --version printed '$shown'"
done
"$root/usr/bin/brelvano-db" create "$work/roll.mdb" --roll >/dev/null || fail "create --roll"
"$root/usr/bin/brelvano-db" info "$work/roll.mdb" | grep -qx "Program: Brelvano $version" ||
    fail "brelvano-db info does not show the version"

# lintian: errors fail the test; its other remarks are printed for the record.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 || true
echo "lintian:"
sed 's/^/  /' "$work/lintian.txt"
grep -q '^E: ' "$work/lintian.txt" && fail "lintian reports errors"

if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package checks passed"
