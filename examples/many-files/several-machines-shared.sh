#!/bin/sh
# As one-machine.sh, on the machines named in HOSTS (host1,host2 as ssh
# reaches them, without a password; ':' is this one), which see this folder
# at the same path and have quillen on their PATH.
HOSTS=${HOSTS:?name the machines: HOSTS=host1,host2}
find . -name '*.xml' ! -name '*_for.*' -print0 |
    parallel -0 -S "$HOSTS" --workdir "$PWD" --joblog quillen.joblog quillen {} 2>refused.log
