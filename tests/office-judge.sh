#!/usr/bin/env bash
# Runs quillen on OpenDocument and Word files and asks LibreOffice whether
# their text is still the same. For each document given (folders: every
# .odt .ott .ods .ots .odp .otp .odg .otg .docx .fodt .fods .fodp .fodg below
# them):
#   - a zipped one is unpacked and packed twice again, as LibreOffice packs:
#     its entries in their order, "mimetype" first and stored, the others
#     deflated. The control copy holds the parts as they were; in the
#     formatted copy each part named *.xml (and *.rels in a .docx), in any
#     folder, is replaced by quillen's output for it (run on a copy of the
#     same name; "_rels/.rels", a name that quillen refuses for having
#     nothing before the dot, as "part.rels"). A part of no bytes
#     (LibreOffice writes an empty Configurations2/accelerator/current.xml)
#     is no XML: it is left as it was, and counted;
#   - of a flat one (.fodt .fods .fodp .fodg), the control copy is the file
#     as it is, and the formatted copy is quillen's output for the whole file;
#   - LibreOffice (headless, profiles of its own for this run, many files a
#     call) converts the original and both copies: text documents and .docx
#     to plain text, which holds the body only, and also to PDF, which holds
#     headers, footers, frames, shapes and notes too; presentations and
#     drawings to PDF; spreadsheets to CSV, every sheet. pdftotext reads each
#     PDF twice: in reading order, then laid out as on the page (which also
#     sees a line that moved sideways, as a leading space moves a centred
#     title). These make one text for each file;
#   - the control's text must be the original's, to the byte; if not, the
#     conversion itself is unstable: that is reported as such, and the
#     document is not judged;
#   - the formatted copy's text must be the control's, to the byte.
# A finding is: quillen refusing a part or the flat file (its message is
# shown; the part is left as it was and the rest is judged), quillen failing
# otherwise, LibreOffice failing to convert the formatted copy, or its text
# differing from the control's (the first differing lines are shown, and
# both texts, LibreOffice's conversions and the formatted document are kept
# in the findings folder). Prints the findings and a summary line; exits 1
# if there are any findings, 2 if it cannot run.
#
#   tests/office-judge.sh QUILLEN FILE_OR_FOLDER...
# QUILLEN may be a command with arguments ("scripts/wine-run.sh quillen.exe").
# OFFICE_FINDINGS   the findings folder (default /tmp/office-findings); what
#                   an earlier run of this judge kept there is removed first
# OFFICE_JOBS       LibreOffices that convert side by side (default: the
#                   number of processors)
# OFFICE_BATCH      files a LibreOffice call converts (default 60)
# OFFICE_TIMEOUT    seconds a call may take for each file (default 30; a
#                   call that runs out is ended, and the files it did not
#                   convert are tried again one a call)
# SOFFICE           LibreOffice's command (default soffice)
set -uo pipefail
# shellcheck source=tests/office.bash
source "$(dirname "$0")/office.bash"
# shellcheck source=tests/texts.bash
source "$(dirname "$0")/texts.bash"
if [ $# -lt 2 ]; then
    echo "usage: $0 QUILLEN FILE_OR_FOLDER...   (findings in \$OFFICE_FINDINGS, default /tmp/office-findings)" >&2
    exit 2
fi
quillen=$1
shift
kept=${OFFICE_FINDINGS:-/tmp/office-findings}
batch=${OFFICE_BATCH:-60}
jobs=${OFFICE_JOBS:-$(nproc 2>/dev/null || echo 1)}
started=$SECONDS

for tool in "${soffice%% *}" pdftotext zip unzip; do
    command -v "$tool" >/dev/null || {
        echo "office: $tool is missing (Debian: libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui poppler-utils zip unzip)" >&2
        exit 2
    }
done
if [ -e "$kept" ] && [ ! -e "$kept/.office-judge" ] && [ -n "$(ls -A "$kept")" ]; then
    echo "office: $kept holds files that this judge did not make; name another folder in OFFICE_FINDINGS" >&2
    exit 2
fi
rm -rf "${kept:?}"/[0-9]* "$kept/soffice.log"
mkdir -p "$kept" && touch "$kept/.office-judge" || exit 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs" "$work/in" "$work/out" "$work/text"

documents=0 findings=0 unstable=0 refused=0 empty=0
declare -a paths=() kinds=()
declare -A total=() changed=()
file="" id=""
finding() {
    findings=$((findings + 1))
    echo "finding: $file: $1"
}

# The kind of document a name is, or nothing.
kind_of() {
    case ${1,,} in
    *.odt | *.ott | *.fodt | *.docx) echo text ;;
    *.odp | *.otp | *.fodp) echo presentation ;;
    *.odg | *.otg | *.fodg) echo drawing ;;
    *.ods | *.ots | *.fods) echo spreadsheet ;;
    esac
}

# What LibreOffice converts a kind to.
routes_of() {
    case $1 in
    text) echo txt pdf ;;
    presentation | drawing) echo pdf ;;
    spreadsheet) echo csv ;;
    esac
}

# What a route asks LibreOffice for.
filter_of() {
    case $1 in
    txt) echo 'txt:Text' ;;
    pdf) echo 'pdf' ;;
    # Comma-separated, quoted with ", UTF-8, from the first line, cells as
    # shown, every sheet to a file of its own (NAME-SHEET.csv).
    csv) echo 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1' ;;
    esac
}

# quillen's status on FILE, its streams in $work.
run() {
    # shellcheck disable=SC2086 # a command with arguments
    timeout 120 $quillen "$1" >"$work/stdout" 2>"$work/stderr"
}

# Replaces FILE by quillen's output for it, run on a copy named as NAME's
# last component; NAME is how findings call it. Fails if FILE is left as it
# was. A name with nothing before its dot (a .docx's "_rels/.rels"), which
# quillen refuses as a name, is given "part" before it.
format() {
    local path=$1 name=$2 copy
    copy=${name##*/}
    [ "${copy:0:1}" = . ] && copy=part$copy
    copy=$work/q/$copy
    rm -rf "$work/q"
    mkdir "$work/q"
    cp "$path" "$copy"
    run "$copy"
    local status=$? output=${copy%.*}_for.${copy##*.}
    case $status in
    0)
        if [ -f "$output" ]; then
            mv "$output" "$path"
            return 0
        fi
        finding "$name: exit 0 without output"
        ;;
    1)
        refused=$((refused + 1))
        finding "quillen refuses $name: $(head -n 1 "$work/stderr")"
        ;;
    *) finding "$name: exit status $status: $(head -c 300 "$work/stderr")" ;;
    esac
    return 1
}

# Packs FOLDER into ZIP with the entries listed in LIST, in that order but
# "mimetype" first and stored, the others deflated.
pack() {
    local folder=$1 zip=$2 list=$3
    rm -f "$zip"
    (
        cd "$folder" || exit 1
        if grep -qxF mimetype "$list"; then
            zip -q -X -0 -nw "$zip" mimetype || exit 1
        fi
        grep -vxF mimetype "$list" | zip -q -X -nw "$zip" -@
    )
}

# Makes the files of document $id in $work/docs: ID-o (the original), ID-c
# (the control copy) and ID-f (the formatted copy, unless quillen made none).
prepare() {
    local ext=${file##*.}
    ext=${ext,,}
    local docs=$work/docs
    cp "$file" "$docs/$id-o.$ext"
    case $ext in
    fodt | fods | fodp | fodg)
        cp "$file" "$docs/$id-c.$ext"
        cp "$file" "$work/flat.$ext"
        format "$work/flat.$ext" "${file##*/}" && mv "$work/flat.$ext" "$docs/$id-f.$ext"
        return 0
        ;;
    esac
    local unpacked=$work/unpacked
    rm -rf "$unpacked"
    mkdir -p "$unpacked/c"
    if ! unzip -Z1 "$file" >"$work/list" 2>"$work/stderr" ||
        ! unzip -qq -o "$file" -d "$unpacked/c" 2>>"$work/stderr"; then
        unstable=$((unstable + 1))
        echo "unstable: $file: cannot unzip it: $(head -n 1 "$work/stderr")"
        rm -f "$docs/$id-o.$ext"
        return 1
    fi
    cp -a "$unpacked/c" "$unpacked/f"
    local entry pattern='*.xml'
    [ "$ext" = docx ] && pattern='*.@(xml|rels)'
    shopt -s extglob
    while IFS= read -r entry; do
        # shellcheck disable=SC2053 # a pattern
        [[ $entry == $pattern && -f $unpacked/f/$entry ]] || continue
        if [ ! -s "$unpacked/f/$entry" ]; then
            empty=$((empty + 1))
            continue
        fi
        format "$unpacked/f/$entry" "$entry"
    done <"$work/list"
    shopt -u extglob
    pack "$unpacked/c" "$docs/$id-c.$ext" "$work/list" || echo "office: $file: cannot pack the control copy" >&2
    pack "$unpacked/f" "$docs/$id-f.$ext" "$work/list" || echo "office: $file: cannot pack the formatted copy" >&2
}

# Whether LibreOffice converted IN (a file in $work/in/ROUTE).
converted() {
    local route=$1 base
    base=$(basename "${2%.*}")
    if [ "$route" = csv ]; then
        compgen -G "$work/out/csv/$base-*.csv" >/dev/null
    else
        [ -f "$work/out/$route/$base.$route" ]
    fi
}

# LibreOffice converts the files given along ROUTE into $work/out/ROUTE,
# with the profile and the log of worker $worker.
soffice_call() {
    local route=$1
    shift
    mkdir -p "$work/out/$route"
    soffice_convert "$work/profile-$worker" "$work/out/$route" "$work/soffice-$worker.log" "$(filter_of "$route")" "$@"
}

# The files in $work/in/ROUTE.
inputs() {
    local f
    for f in "$work/in/$1"/*; do
        [ -e "$f" ] && printf '%s\n' "$f"
    done
}

# Converts every file in $work/in, each route many files a call, $jobs
# LibreOffices side by side; then, one a call, those that a call left
# unconverted; then makes text of each in $work/text/ROUTE.
convert() {
    local route files=() f i worker base sheet name
    for ((worker = 0; worker < jobs; worker++)); do
        (
            for route in txt pdf csv; do
                mapfile -t files < <(inputs "$route" | awk -v n="$jobs" -v w="$worker" 'NR % n == w')
                for ((i = 0; i < ${#files[@]}; i += batch)); do
                    soffice_call "$route" "${files[@]:i:batch}"
                done
            done
        ) &
    done
    wait
    worker=0
    for route in txt pdf csv; do
        mapfile -t files < <(inputs "$route")
        mkdir -p "$work/text/$route"
        for f in "${files[@]}"; do
            converted "$route" "$f" || soffice_call "$route" "$f"
            converted "$route" "$f" || continue
            base=$(basename "${f%.*}")
            case $route in
            txt)
                printf '=== as plain text\n'
                cat "$work/out/txt/$base.txt"
                ;;
            pdf)
                pdf_text "$work/out/pdf/$base.pdf"
                ;;
            csv)
                for sheet in "$work/out/csv/$base"-*.csv; do
                    name=${sheet#"$work/out/csv/$base"-}
                    printf '=== sheet %s\n' "${name%.csv}"
                    cat "$sheet"
                done
                ;;
            esac >"$work/text/$route/$base.txt"
        done
    done
    cat "$work"/soffice-*.log >"$work/soffice.log" 2>/dev/null
}

# The text of document $id's file ROLE (o, c or f) along the routes of its
# KIND, in $work/text; fails if a route did not convert it.
assemble() {
    local kind=$1 role=$2 route
    rm -f "$work/text/$id-$role.txt"
    for route in $(routes_of "$kind"); do
        [ -f "$work/text/$route/$id-$role.txt" ] || return 1
    done
    for route in $(routes_of "$kind"); do
        cat "$work/text/$route/$id-$role.txt"
    done >"$work/text/$id-$role.txt"
}

# Keeps, for document $id, the texts and conversions of the files named
# ROLE:NAME in the findings folder, and prints its path.
keep() {
    local folder=$kept/$id-${file##*/} role name route out
    mkdir -p "$folder"
    for role in "$@"; do
        name=${role#*:}
        role=${role%%:*}
        [ -f "$work/text/$id-$role.txt" ] && cp "$work/text/$id-$role.txt" "$folder/$name.txt"
        for route in txt pdf csv; do
            for out in "$work/out/$route/$id-$role".* "$work/out/$route/$id-$role"-*.csv; do
                [ -f "$out" ] && cp "$out" "$folder/$name-as${out##*/"$id-$role"}"
            done
        done
    done
    echo "$folder"
}


while IFS= read -r -d '' path; do
    kind=$(kind_of "$path")
    if [ ! -f "$path" ] || [ -z "$kind" ]; then
        echo "office: $path: no such file, or not a kind of document this judge reads" >&2
        exit 2
    fi
    paths+=("$path")
    kinds+=("$kind")
done < <(for arg; do
    if [ -d "$arg" ]; then
        find "$arg" -type f \( -iname '*.od[tpgs]' -o -iname '*.ot[tpgs]' -o -iname '*.fod[tpgs]' -o -iname '*.docx' \) -print0 | sort -z
    else printf '%s\0' "$arg"; fi
done)

documents=${#paths[@]}
for i in "${!paths[@]}"; do
    file=${paths[i]}
    id=$(printf '%04d' "$i")
    total[${kinds[i]}]=$((${total[${kinds[i]}]:-0} + 1))
    prepare
    for doc in "$work/docs/$id"-*; do
        [ -f "$doc" ] || continue
        for route in $(routes_of "${kinds[i]}"); do
            mkdir -p "$work/in/$route"
            ln "$doc" "$work/in/$route/"
        done
    done
done
convert

for i in "${!paths[@]}"; do
    file=${paths[i]}
    kind=${kinds[i]}
    id=$(printf '%04d' "$i")
    ext=${file##*.}
    formatted=$work/docs/$id-f.${ext,,}
    [ -f "$work/docs/$id-o.${ext,,}" ] || continue
    o=$work/text/$id-o.txt c=$work/text/$id-c.txt f=$work/text/$id-f.txt
    if ! assemble "$kind" o; then
        unstable=$((unstable + 1))
        echo "unstable: $file: LibreOffice cannot convert it"
    elif ! assemble "$kind" c; then
        unstable=$((unstable + 1))
        echo "unstable: $file: LibreOffice converts it but not its control copy"
    elif ! cmp -s "$o" "$c"; then
        unstable=$((unstable + 1))
        echo "unstable: $file: its control copy converts to other text, so the conversion is not judged (kept in $(keep o:original c:control))"
        first_difference "$o" "$c" original control
    elif [ ! -f "$formatted" ]; then
        : # quillen made no formatted copy: already a finding
    elif ! assemble "$kind" f; then
        changed[$kind]=$((${changed[$kind]:-0} + 1))
        folder=$(keep c:control f:formatted)
        cp "$formatted" "$folder/formatted.${ext,,}"
        finding "LibreOffice cannot convert the formatted copy (kept in $folder)"
    elif ! cmp -s "$c" "$f"; then
        changed[$kind]=$((${changed[$kind]:-0} + 1))
        folder=$(keep c:control f:formatted)
        cp "$formatted" "$folder/formatted.${ext,,}"
        finding "LibreOffice reads other text in the formatted copy (kept in $folder)"
        first_difference "$c" "$f" control formatted
    fi
done

perkind=""
for kind in text presentation drawing spreadsheet; do
    [ -n "${total[$kind]:-}" ] && perkind+="${perkind:+, }$kind ${changed[$kind]:-0}/${total[$kind]}"
done
if [ "$findings" -gt 0 ] || [ "$unstable" -gt 0 ]; then
    cp "$work/soffice.log" "$kept/soffice.log" 2>/dev/null
    echo "office: the findings folder is $kept (LibreOffice's messages in soffice.log)"
fi
echo "office: $documents documents, $findings findings, $unstable unstable, $refused parts refused" \
    "(changed: ${perkind:-none}; $empty empty parts left as they were; $((SECONDS - started)) s)"
[ "$findings" -eq 0 ]
