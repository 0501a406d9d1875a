#!/usr/bin/env bash
# The Debian package as tools/scripts/package.sh makes it from the release tree: its fields, the
# Depends dpkg-shlibdeps found, its file list, lintian's verdict, and the desktop entry and
# software-centre description taken out of it passing their validators.
set -u
cd "$(dirname "$0")/../.." || exit 1
if ! command -v dpkg-deb >/dev/null; then
    echo "skipped: dpkg-deb is not installed, the Debian package is not built or checked"
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
source tests/tools/check.sh

if ! tools/scripts/package.sh >"$work/package.log" 2>&1; then
    tail -20 "$work/package.log"
    echo "FAILED: tools/scripts/package.sh"
    exit 1
fi
deb=$(tail -n1 "$work/package.log")
check "package.sh ends with the package's path" [ -f "$deb" ]
field() { dpkg-deb -f "$deb" "$1"; }
root=$work/root
dpkg-deb -x "$deb" "$root"

# The version is the one the program prints and the software centre lists as the newest release.
version=$(field Version)
check "the version is the program's own ($version)" \
    bash -c '[ "$("$1/usr/bin/stillpick" --version | head -n1 | cut -d" " -f1-2)" = "Stillpick $2" ]' _ "$root" "$version"
check "the newest release in the metainfo is the package's version" \
    grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.stillpick.Stillpick.metainfo.xml"
check "the package is named stillpick" [ "$(field Package)" = stillpick ]
check "the package is for this machine's architecture" [ "$(field Architecture)" = "$(dpkg --print-architecture)" ]
check "the section is video" [ "$(field Section)" = video ]
check "the maintainer is the project's address" bash -c '[[ "$1" == *"<support@stillpick.org>" ]]' _ "$(field Maintainer)"
check "the homepage is the project's" [ "$(field Homepage)" = https://stillpick.org/ ]
check "the description says what the program does" bash -c 'grep -qi "still images out of video files" <<<"$1"' _ "$(field Description)"
check "the package is named after its fields" [ "$(basename "$deb")" = "stillpick_${version}_$(field Architecture).deb" ]

# Depends: the libraries the binaries link, as dpkg-shlibdeps names them; nothing for building.
field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//; s/|.*//' >"$work/depends"
for lib in libc6 libstdc++6 libavcodec libavformat libavutil libswscale libswresample \
    libqt6core6 libqt6gui6 libqt6widgets6 libsdl2 libavfilter; do
    check "Depends names $lib" grep -q "^$lib" "$work/depends"
done
check "Depends names no development, build or command-line package" \
    bash -c '! grep -E -- "-dev$|^(ffmpeg|cmake|ninja-build|gcc|g\+\+|libgtest|libgmock|libbenchmark|ccache|librsvg2-bin)$" "$1"' _ "$work/depends"
# dpkg-shlibdeps gives each library the lowest version that has the symbols the binaries use.
check "every dependency carries a minimum version" \
    bash -c '! dpkg-deb -f "$1" Depends | tr "," "\n" | grep -v "(>=" | grep -q .' _ "$deb"

# The file list: everything under /usr, owned by root, man pages gzipped, no test programs.
dpkg-deb -c "$deb" >"$work/contents"
awk '{print $6}' "$work/contents" | sed 's|^\./|/|; s|/$||' | grep . >"$work/files"
id=org.stillpick.Stillpick
for file in /usr/bin/stillpick /usr/bin/stillpick-probe /usr/share/applications/$id.desktop \
    /usr/share/metainfo/$id.metainfo.xml /usr/share/icons/hicolor/scalable/apps/$id.svg \
    /usr/share/icons/hicolor/48x48/apps/$id.png /usr/share/icons/hicolor/256x256/apps/$id.png \
    /usr/share/man/man1/stillpick.1.gz /usr/share/man/man1/stillpick-probe.1.gz \
    /usr/share/doc/stillpick/README.md \
    /usr/share/doc/stillpick/copyright /usr/share/doc/stillpick/changelog.gz; do
    check "the package holds $file" grep -qxF "$file" "$work/files"
done
check "nothing outside /usr" bash -c '! grep -v "^/usr" "$1"' _ "$work/files"
check "only the two programs in /usr/bin" \
    bash -c '[ "$(grep "^/usr/bin/." "$1" | sort | tr "\n" " ")" = "/usr/bin/stillpick /usr/bin/stillpick-probe " ]' _ "$work/files"
check "every entry belongs to root" bash -c '! awk "\$2 != \"root/root\"" "$1" | grep -q .' _ "$work/contents"
check "no manual page is stored uncompressed" bash -c '! grep -E "^/usr/share/man/.*\.[1-9]$" "$1"' _ "$work/files"
for page in stillpick stillpick-probe; do
    check "the manual page of $page unpacks and renders" bash -c \
        'zcat "$1" | groff -man -ww -z -Tutf8 2>&1 | (! grep .)' _ "$root/usr/share/man/man1/$page.1.gz"
done
check "the copyright file is machine-readable" \
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$root/usr/share/doc/stillpick/copyright"
check "the binaries are stripped" bash -c '! file "$1"/usr/bin/* | grep -q "not stripped"' _ "$root"

# The files as installed pass the desktop's validators.
check "desktop-file-validate passes on the packaged entry" \
    bash -c 'out=$(desktop-file-validate "$1" 2>&1) && ! grep -v ": hint: " <<<"$out" | grep .' _ "$root/usr/share/applications/$id.desktop"
check "appstreamcli validate passes on the packaged metainfo" \
    bash -c 'out=$(appstreamcli validate --no-net --no-color "$1" 2>&1) || { echo "$out"; false; }' _ "$root/usr/share/metainfo/$id.metainfo.xml"

# lintian: no error (warnings are listed, not failed).
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" >"$work/lintian" 2>&1
    status=$?
    sed 's/^/  lintian: /' "$work/lintian"
    check "lintian reports no error" [ "$status" = 0 ]
else
    echo "FAILED: lintian is not installed (tools/scripts/deps.sh installs it)"
    failures=$((failures + 1))
fi

check_summary
