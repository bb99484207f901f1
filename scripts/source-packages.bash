# Sourced by the corpus scripts: apt-get for Debian's source packages,
# through a list of this system's own archive, with apt's lists and cache in
# the folder given, leaving the system's apt configuration alone.
#
#   source_packages_apt FOLDER   sets the array apt, updated; fails when
#                                the archive that apt uses cannot be told
source_packages_apt() {
    local folder=$1 uri
    uri=$("$(dirname "${BASH_SOURCE[0]}")/setup.sh" archive-uri bookworm)
    [ -n "$uri" ] || return 1
    mkdir -p "$folder/lists/partial" "$folder/cache/archives/partial"
    echo "deb-src $uri bookworm main" >"$folder/sources.list"
    apt=(apt-get -qq -o Dir::Etc::sourcelist="$folder/sources.list" -o Dir::Etc::sourceparts=-
        -o Dir::State::Lists="$folder/lists" -o Dir::Cache="$folder/cache" -o Debug::NoLocking=1)
    "${apt[@]}" update >/dev/null 2>&1
}
