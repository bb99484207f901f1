#!/bin/sh
# As one-machine.sh, on the machines named in HOSTS (host1,host2 as ssh
# reaches them, without a password), which have quillen on their PATH but
# not this folder: each file is copied to a folder of its own there, and its
# output copied back beside it; then that folder is removed. Needs rsync on
# every machine.
HOSTS=${HOSTS:?name the machines: HOSTS=host1,host2}
find . -name '*.xml' ! -name '*_for.*' -print0 |
    parallel -0 -S "$HOSTS" --workdir ... --transferfile {} --return '{.}_for.xml' --cleanup \
        --joblog quillen.joblog quillen {} 2>refused.log
