# shellcheck shell=bash
# What tests/office-judge.sh and tests/office-flat.sh share (sourced): the
# LibreOffice they call and how one call converts files.
# SOFFICE           LibreOffice's command (default soffice)
# OFFICE_TIMEOUT    seconds a call may take for each file (default 30; a
#                   call that runs out is ended)
soffice=${SOFFICE:-soffice}
per_file=${OFFICE_TIMEOUT:-30}

# LibreOffice headless, with the profile folder PROFILE of its own (so that
# calls side by side and the user's own LibreOffice do not meet), converts
# the files given with FILTER into OUTDIR; its messages go to LOG.
#   soffice_convert PROFILE OUTDIR LOG FILTER FILE...
soffice_convert() {
    local profile=$1 outdir=$2 log=$3 filter=$4
    shift 4
    # shellcheck disable=SC2086 # a command with arguments
    timeout -k 10 $((30 + per_file * $#)) $soffice "-env:UserInstallation=file://$profile" \
        --headless --invisible --nologo --nodefault --norestore --nolockcheck \
        --convert-to "$filter" --outdir "$outdir" "$@" >>"$log" 2>&1
}
