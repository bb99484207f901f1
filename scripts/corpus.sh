#!/usr/bin/env bash
# make corpus: the documents people re-indent, from Debian's packages, for
# make readers and make roundtrip. Into FOLDER (default .corpus, which git
# ignores):
#   - docs/NAME: documentation packages, unpacked (XHTML manuals made by
#     publican, DocBook XSL, Doxygen, docutils, AsciiDoc, Haddock; EPUB
#     books, each also unzipped beside it), with their style sheets and
#     images where the pages find them;
#   - sources/NAME: source packages that keep their manual pages and
#     manuals in DocBook XML (expat's xmlwf.xml among them);
#   - office/: LibreOffice's own templates, their flat forms as LibreOffice
#     saves them (.fodt, .fods, .fodp, .fodg), and Word files that
#     LibreOffice makes of its text templates;
#   - fo/, mallard/, translation/, xaml/: the text vocabularies, made by
#     scripts/corpus-NAME.sh.
# A package that the archive does not serve is named and skipped. Needs
# root for apt's downloads; leaves the system's apt configuration alone.
#
#   scripts/corpus.sh [FOLDER]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/source-packages.bash
source "$root/scripts/source-packages.bash"
corpus=$(mkdir -p "${1:-$root/.corpus}" && cd "${1:-$root/.corpus}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

DOCS="debian-handbook postgresql-doc-15 debian-reference-en maint-guide developers-reference debian-policy
 git-doc libxml2-doc libvirt-doc docutils-doc libgloox-doc libclipper-doc libfastcdr-doc libplist-doc
 live-manual-epub ubuntu-packaging-guide-epub python-ebooklib-doc dita-ot-doc libghc-regex-base-doc
 libghc-network-bsd-doc libghc-split-doc docbook-xsl docbook5-xml"
SOURCES="expat dbus libxslt systemd policykit-1 avahi udisks2 network-manager shadow libx11 flatpak ostree
 gpsd gtk+3.0 glib2.0"

say() { printf 'corpus: %s\n' "$*" >&2; }

mkdir -p "$corpus/docs" "$corpus/sources" "$corpus/office" "$work/debs" "$work/sources"
(cd "$work/debs" && for package in $DOCS; do
    apt-get download -q "$package" >/dev/null 2>&1 || say "the archive does not serve $package"
done)
for deb in "$work"/debs/*.deb; do
    [ -e "$deb" ] || continue
    name=$(basename "${deb%%_*}")
    [ -d "$corpus/docs/$name" ] || dpkg-deb -x "$deb" "$corpus/docs/$name"
done
find "$corpus/docs" -name '*.epub' -print0 | while IFS= read -r -d '' book; do
    [ -d "${book%.epub}.epub.d" ] || unzip -q -o "$book" -d "${book%.epub}.epub.d"
done

# Source packages through a list of this system's archive of our own, with
# apt's lists and cache in the scratch folder.
if source_packages_apt "$work/apt"; then
    (cd "$work/sources" && for package in $SOURCES; do
        "${apt[@]}" source --download-only "$package" >/dev/null 2>&1 || say "the archive does not serve $package"
    done)
    for dsc in "$work"/sources/*.dsc; do
        [ -e "$dsc" ] || continue
        name=$(basename "${dsc%%_*}")
        [ -d "$corpus/sources/$name" ] ||
            (cd "$work/sources" && dpkg-source -x "$dsc" "$corpus/sources/$name" >/dev/null 2>&1) ||
            say "cannot unpack $name"
    done
    # dpkg-source leaves the upstream tarballs beside what it unpacked.
    rm -f "$corpus"/sources/*.orig*.tar.*
else
    say "cannot tell which archive apt uses: no source packages"
fi

templates=/usr/lib/libreoffice/share/template
if [ -d "$templates" ]; then
    mkdir -p "$corpus/office/templates"
    find "$templates" -type f -name '*.ot[tsgp]' -exec cp {} "$corpus/office/templates/" \;
    "$root/tests/office-flat.sh" "$corpus/office/flat" "$corpus/office/templates" >&2
    "$root/tests/office-flat.sh" --docx "$corpus/office/docx" "$corpus/office/templates" >&2
else
    say "LibreOffice's templates are not installed (libreoffice-common): no office documents"
fi
# The text vocabularies, each by a script of its own: print layouts (FO
# that the DocBook stylesheets write from sources/, and fop-doc's), GNOME's
# Mallard help, translation files, XAML.
for part in fo mallard translation xaml; do
    "$root/scripts/corpus-$part.sh" "$corpus/$part" || say "the $part corpus is incomplete"
done
say "$(find "$corpus" -type f | wc -l) files in $corpus"
