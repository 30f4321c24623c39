#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a distribution would: lintian,
# the desktop entry, the AppStream data; then unpacks it into a temporary root and, from there
# only, creates a demo hospital with the unpacked mss-db and renders a report from the unpacked
# REPORTS folder. The guide's own check (links, pictures) runs when the build makes it.
#   bash tools/package-check.sh [BUILD-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

cmake --build "$build" --target mss mss-db mss_guide mss_package_files
rm -f "$build"/mss_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/mss_*_amd64.deb)
echo "package: $deb"

# Errors fail the check; warnings are shown (there are none today; the infos are choices: the
# guide and REPORTS/README.md live beside the program, which reads them, not in /usr/share/doc).
lintian --fail-on error "$deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net --explain "$root"/usr/share/metainfo/*.metainfo.xml
test -f "$root/usr/share/mss/guide/index.html"

version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$("$root/usr/bin/mss-db" --version)" = "mss-db $version" ]
[ "$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/mss" --version)" = "mss $version" ]
"$root/usr/bin/mss-db" create "$root/hospital" --demo --patients 200 --seed 1 >/dev/null
QT_QPA_PLATFORM=offscreen "$root/usr/bin/mss-db" report "$root/hospital" ListofGrantees.rpt "$root/grantees.pdf"
pdftotext "$root/grantees.pdf" - | grep -q .
# An installation that lost its REPORTS folder: the report names the folder it looked in.
mv "$root/usr/lib/mss/REPORTS" "$root/usr/lib/mss/REPORTS.lost"
if QT_QPA_PLATFORM=offscreen "$root/usr/bin/mss-db" report "$root/hospital" ListofGrantees.rpt "$root/lost.pdf" \
    2>"$root/lost.txt"; then
  echo "a report ran without its REPORTS folder" >&2
  exit 1
fi
grep -q "$root/usr/lib/mss/REPORTS/ListofGrantees.rpt" "$root/lost.txt"
echo "package check: ok"
